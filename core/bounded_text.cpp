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
