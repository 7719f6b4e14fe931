// The few byte-level operations behind bounded_text; kept out of the template so
// that each capacity shares one copy of the code.
#include "core/bounded_text.h"

#include <cstdio>
#include <cstring>

bool text_put(char *data, size_t capacity, size_t *length, const char *source, size_t count) {
    size_t at = *length;
    size_t i = 0;
    for (; i < count && source[i] != '\0'; ++i) {
        if (at == capacity) {
            data[at] = '\0';
            *length = at;
            return false;
        }
        data[at++] = source[i];
    }
    data[at] = '\0';
    *length = at;
    return true;
}

bool text_put_format(char *data, size_t capacity, size_t *length, const char *format, va_list args) {
    size_t room = capacity - *length + 1;  // bytes left, terminator included
    int wanted = vsnprintf(data + *length, room, format, args);
    if (wanted < 0) {
        data[*length] = '\0';
        return false;
    }
    if (static_cast<size_t>(wanted) >= room) {
        *length = capacity;
        data[capacity] = '\0';
        return false;
    }
    *length += static_cast<size_t>(wanted);
    return true;
}

long text_find(const char *haystack, const char *needle) {
    const char *hit = strstr(haystack, needle);
    return hit ? static_cast<long>(hit - haystack) : -1;
}

bool text_starts_with(const char *text, const char *prefix) {
    return strncmp(text, prefix, strlen(prefix)) == 0;
}

void text_colons_to_blanks(char *text) {
    for (; *text; ++text)
        if (*text == ':') *text = ' ';
}

void text_upper_ascii(char *text) {
    for (; *text; ++text)
        if (*text >= 'a' && *text <= 'z') *text = static_cast<char>(*text - 'a' + 'A');
}

void text_drop_cut_character(char *data, size_t *length) {
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(data);
    size_t end = *length;
    // Walk back over at most three continuation bytes to the byte that leads them.
    size_t continuations = 0;
    while (continuations < 3 && continuations < end && (bytes[end - 1 - continuations] & 0xC0) == 0x80)
        ++continuations;
    if (continuations == end) return;
    unsigned char lead = bytes[end - 1 - continuations];
    size_t needed = (lead >= 0xC2 && lead <= 0xDF) ? 1 : (lead >= 0xE0 && lead <= 0xEF) ? 2
                  : (lead >= 0xF0 && lead <= 0xF4) ? 3 : 0;
    if (needed > continuations) {
        *length = end - 1 - continuations;
        data[*length] = '\0';
    }
}
