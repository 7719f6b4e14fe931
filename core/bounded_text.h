// Fixed-capacity text: an always-terminated char array that can never overrun.
// Every write that does not fit is cut at the capacity, returns false and leaves
// the sticky `cut` mark set, so callers can tell a cut value from a whole one.
#pragma once

#include <cstdarg>
#include <cstddef>

/// Copies at most `count` bytes of `source` (stopping at a NUL) behind `*length`;
/// returns false when the text had to be cut at `capacity`.
bool text_put(char *data, size_t capacity, size_t *length, const char *source, size_t count);
/// Formats in printf order behind `*length`; returns false when cut (or on a format error).
bool text_put_format(char *data, size_t capacity, size_t *length, const char *format, va_list args);
/// Position of the first `needle` in `haystack`, or -1 when absent.
long text_find(const char *haystack, const char *needle);
/// True when `text` begins with `prefix`.
bool text_starts_with(const char *text, const char *prefix);

#if defined(__GNUC__)
#define TEXT_PRINTF(a, b) __attribute__((format(printf, a, b)))
#else
#define TEXT_PRINTF(a, b)
#endif

template <size_t Capacity>
struct bounded_text {
    static constexpr size_t capacity = Capacity;  // characters, terminator not counted

    char data[Capacity + 1] = {};
    size_t length = 0;
    bool cut = false;  // some write since the last clear or assign did not fit

    const char *c_str() const { return data; }
    size_t size() const { return length; }
    bool empty() const { return length == 0; }

    void clear() {
        data[0] = '\0';
        length = 0;
        cut = false;
    }
    /// Replaces the text; false when cut.
    bool assign(const char *source, size_t count = static_cast<size_t>(-1)) {
        clear();
        return append(source, count);
    }
    /// Appends at most `count` bytes of `source`, stopping at a NUL; false when cut.
    bool append(const char *source, size_t count = static_cast<size_t>(-1)) {
        bool whole = text_put(data, Capacity, &length, source, count);
        cut = cut || !whole;
        return whole;
    }
    bool append_char(char c) {
        char one[2] = {c, '\0'};
        return append(one, 1);
    }
    /// Replaces the text with a printf-formatted one; false when cut.
    bool format(const char *fmt, ...) TEXT_PRINTF(2, 3) {
        clear();
        va_list args;
        va_start(args, fmt);
        bool whole = text_put_format(data, Capacity, &length, fmt, args);
        va_end(args);
        cut = !whole;
        return whole;
    }
    bool append_format(const char *fmt, ...) TEXT_PRINTF(2, 3) {
        va_list args;
        va_start(args, fmt);
        bool whole = text_put_format(data, Capacity, &length, fmt, args);
        va_end(args);
        cut = cut || !whole;
        return whole;
    }
    /// Shortens the text to at most `count` characters.
    void truncate(size_t count) {
        if (count < length) {
            length = count;
            data[length] = '\0';
        }
    }
    /// Position of the first `needle`, or -1 when absent.
    long find(const char *needle) const { return text_find(data, needle); }
    bool starts_with(const char *prefix) const { return text_starts_with(data, prefix); }
    bool equals(const char *other) const;
};

template <size_t Capacity>
bool bounded_text<Capacity>::equals(const char *other) const {
    size_t i = 0;
    for (; i < length; ++i)
        if (other[i] != data[i]) return false;
    return other[i] == '\0';
}

/// Turns the letters a to z of `text` into A to Z; nothing else changes.
void text_upper_ascii(char *text);

/// Turns every ':' of `text` into a blank: labels and entry texts show colons as blanks.
void text_colons_to_blanks(char *text);

/// For a text cut at a fixed length: shortens it at `*length` so that it does not end
/// inside a UTF-8 character (a lead byte followed by fewer continuation bytes than it
/// announces). A text that was cut has lost its end anyway; a character that ends it
/// half would otherwise read as two others.
void text_drop_cut_character(char *data, size_t *length);
