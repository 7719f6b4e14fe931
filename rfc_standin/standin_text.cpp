// Text helpers over terminated texts: every comparison stops at the terminator of
// either text, so no text is ever read past its end.
#include "rfc_standin/standin_text.h"

#include <cstring>

namespace {

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

size_t length_without_padding(const char *text) {
    size_t length = strlen(text);
    while (length > 0 && text[length - 1] == ' ') --length;
    return length;
}

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

bool equal_ignore_case(const char *a, const char *b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b)
        if (upper(*a) != upper(*b)) return false;
    return *a == *b;
}

bool equal_without_padding(const char *text, const char *expected, bool ignore_case) {
    size_t length = length_without_padding(text);
    if (length != strlen(expected)) return false;
    for (size_t i = 0; i < length; ++i) {
        char a = ignore_case ? upper(text[i]) : text[i];
        char b = ignore_case ? upper(expected[i]) : expected[i];
        if (a != b) return false;
    }
    return true;
}

size_t trim(const char **begin) {
    const char *text = *begin;
    while (*text == ' ' || *text == '\t') ++text;
    size_t length = strlen(text);
    while (length > 0 && blank(text[length - 1])) --length;
    *begin = text;
    return length;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}
