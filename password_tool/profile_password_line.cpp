// The profile as a run of lines over its code units: bytes, or UTF-16 units in the
// file's order. An ANSI profile may hold UTF-16 LE lines that PowerShell's ">>"
// appended; they are told apart by the sensor's own rule (a NUL in every second byte).
#include "password_tool/profile_password_line.h"

#include <cstring>

#include "config/protected_password.h"
#include "core/bounded_text.h"

const char *const scrambled_password_key = "Password...:";
const char *const protected_password_key = "Protected..:";

namespace {

enum class unit_kind { byte, le, be };

constexpr size_t key_length = 12;

size_t unit_size(unit_kind kind) { return kind == unit_kind::byte ? 1 : 2; }

unsigned unit_at(const unsigned char *in, size_t at, unit_kind kind) {
    switch (kind) {
        case unit_kind::le: return in[at] | static_cast<unsigned>(in[at + 1]) << 8;
        case unit_kind::be: return static_cast<unsigned>(in[at]) << 8 | in[at + 1];
        case unit_kind::byte: break;
    }
    return in[at];
}

enum class line_end { none, lf, crlf, cr };

// One line of the profile: its bytes from `start` to `end`, the text up to `text_end`.
struct profile_line {
    size_t start, text_end, end;
    unit_kind kind;
    line_end ending;
};

// The line that begins at `start`; the file's own units are `file_kind`.
profile_line line_at(const unsigned char *in, size_t length, size_t start, unit_kind file_kind) {
    profile_line line{start, start, length, file_kind, line_end::none};
    if (file_kind == unit_kind::byte) {
        const void *found = memchr(in + start, '\n', length - start);
        size_t end = found != nullptr ? static_cast<size_t>(static_cast<const unsigned char *>(found) - in) + 1 : length;
        size_t count = end - start;
        bool utf16 = count >= 2;
        for (size_t i = start + 1; i < end && utf16; i += 2) utf16 = in[i] == 0;
        if (utf16 && count % 2 == 1 && found != nullptr) {
            if (end < length && in[end] == 0)
                ++end;
            else
                utf16 = false;
        }
        line.end = end;
        line.kind = utf16 ? unit_kind::le : unit_kind::byte;
    } else {
        size_t end = start;
        while (end + 1 < length) {
            unsigned unit = unit_at(in, end, file_kind);
            end += 2;
            if (unit == '\n') break;
        }
        line.end = end + 1 == length ? length : end;
    }
    // The text ends before LF or CR LF, or before a CR that ends the file.
    size_t size = unit_size(line.kind);
    size_t units_end = line.end - (line.end - start) % size;  // a lone last byte is no unit
    line.text_end = units_end;
    auto last_unit_is = [&](size_t end, unsigned unit) {
        return end >= start + size && unit_at(in, end - size, line.kind) == unit;
    };
    if (last_unit_is(units_end, '\n')) {
        line.text_end = units_end - size;
        line.ending = line_end::lf;
        if (last_unit_is(line.text_end, '\r')) {
            line.text_end -= size;
            line.ending = line_end::crlf;
        }
    } else if (line.end == length && last_unit_is(units_end, '\r')) {
        line.text_end = units_end - size;
        line.ending = line_end::cr;
    }
    return line;
}

bool is_key_line(const unsigned char *in, const profile_line &line, const char *key) {
    if (key == nullptr) return false;
    size_t size = unit_size(line.kind);
    if (line.text_end - line.start < key_length * size) return false;
    for (size_t i = 0; i < key_length; ++i)
        if (unit_at(in, line.start + i * size, line.kind) != static_cast<unsigned char>(key[i])) return false;
    return true;
}

// Appends to `out` without overrunning it; remembers when something did not fit.
struct output {
    unsigned char *data;
    size_t capacity;
    size_t length;
    bool fits;

    void bytes(const unsigned char *from, size_t count) {
        if (!fits || count > capacity - length) {
            fits = false;
            return;
        }
        memcpy(data + length, from, count);
        length += count;
    }
    void text(const char *ascii, unit_kind kind) {
        for (const char *c = ascii; *c != '\0'; ++c) {
            unsigned char byte = static_cast<unsigned char>(*c);
            unsigned char units[2] = {byte, 0};
            if (kind == unit_kind::be) {
                units[0] = 0;
                units[1] = byte;
            }
            bytes(units, unit_size(kind));
        }
    }
    void ending(line_end end, unit_kind kind) {
        text(end == line_end::crlf ? "\r\n" : end == line_end::lf ? "\n" : "", kind);
    }
};

}  // namespace

bool put_password_line(const unsigned char *in, size_t in_length, const char *key, const char *other_key,
                       const char *stored, unsigned char *out, size_t out_capacity, size_t *out_length,
                       password_line_edit &edit) {
    edit = password_line_edit{};
    edit.encoding = encoding_of(in, in_length);
    unit_kind file_kind = edit.encoding == text_encoding::utf16_le   ? unit_kind::le
                          : edit.encoding == text_encoding::utf16_be ? unit_kind::be
                                                                     : unit_kind::byte;
    size_t mark = edit.encoding == text_encoding::utf8_mark ? 3 : edit.encoding == text_encoding::ansi ? 0 : 2;

    // The last password line, the profile's first line end, and the last line.
    bool found = false;
    profile_line last_password{}, last_line{};
    line_end first_end = line_end::none;
    size_t lines = 0, password_lines = 0, kept_lines = 0;
    for (size_t at = mark; at < in_length;) {
        profile_line line = line_at(in, in_length, at, file_kind);
        ++lines;
        if (first_end == line_end::none && (line.ending == line_end::lf || line.ending == line_end::crlf))
            first_end = line.ending;
        bool own = is_key_line(in, line, key);
        bool other = !own && is_key_line(in, line, other_key);
        if (other) ++edit.removed_lines;
        if (own || (other && password_lines == 0)) {
            found = true;
            last_password = line;
            edit.line_number = kept_lines + 1;
        }
        if (own) ++password_lines;
        if (!other) ++kept_lines;
        last_line = line;
        at = line.end;
    }
    edit.earlier_lines = password_lines > 0 ? password_lines - 1 : 0;
    if (first_end == line_end::none) first_end = line_end::crlf;

    static bounded_text<key_length + 1 + protected_value_limit> new_line;
    new_line.format("%s %s", key, stored);
    output result{out, out_capacity, 0, true};
    // The part of the profile from `from` to `to`, without the other key's lines.
    auto copy_kept = [&](size_t from, size_t to) {
        for (size_t at = from; at < to;) {
            profile_line line = line_at(in, in_length, at, file_kind);
            size_t end = line.end < to ? line.end : to;
            if (!is_key_line(in, line, other_key)) result.bytes(in + at, end - at);
            at = end;
        }
    };
    if (found) {
        edit.replaced = true;
        result.bytes(in, mark);
        copy_kept(mark, last_password.start);
        result.text(new_line.c_str(), file_kind);
        // A CR that ended the file goes with the line it ended, as a proper line end.
        line_end ending = last_password.ending == line_end::cr ? first_end : last_password.ending;
        result.ending(ending, file_kind);
        copy_kept(last_password.end, in_length);
    } else {
        edit.line_number = lines + 1;
        result.bytes(in, in_length);
        if (lines > 0 && last_line.ending == line_end::cr)
            result.text("\n", last_line.kind);  // the CR that ends the file becomes CR LF
        else if (lines > 0 && last_line.ending == line_end::none)
            result.ending(first_end, file_kind);
        result.text(new_line.c_str(), file_kind);
        result.ending(first_end, file_kind);
    }
    *out_length = result.length;
    return result.fits;
}
