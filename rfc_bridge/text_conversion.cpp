// Plain loops over code units: the fields are short, and no conversion table of the
// platform is involved, so both builds convert the same way.
#include "rfc_bridge/text_conversion.h"

namespace {

bool is_high_surrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

void utf16_to_latin1(const char16_t *in, size_t count, char *out) {
    size_t written = 0;
    for (size_t i = 0; i < count; ++i) {
        char16_t unit = in[i];
        if (is_high_surrogate(unit) && i + 1 < count && is_low_surrogate(in[i + 1])) ++i;
        out[written++] = unit < 0x100 ? static_cast<char>(unit) : '#';
    }
    while (written < count) out[written++] = ' ';
}

void latin1_to_utf16(const char *in, size_t count, char16_t *out) {
    for (size_t i = 0; i < count; ++i) out[i] = static_cast<unsigned char>(in[i]);
}

bool latin1_to_utf16_text(const char *in, char16_t *out, size_t capacity) {
    size_t i = 0;
    for (; in[i] != '\0'; ++i) {
        if (i + 1 >= capacity) {
            out[i] = 0;
            return false;
        }
        out[i] = static_cast<unsigned char>(in[i]);
    }
    out[i] = 0;
    return true;
}

bool utf16_to_latin1_text(const char16_t *in, char *out, size_t capacity) {
    size_t written = 0;
    for (size_t i = 0; in[i] != 0; ++i) {
        if (written + 1 >= capacity) {
            out[written] = '\0';
            return false;
        }
        char16_t unit = in[i];
        if (is_high_surrogate(unit) && is_low_surrogate(in[i + 1])) ++i;
        out[written++] = unit < 0x100 ? static_cast<char>(unit) : '#';
    }
    out[written] = '\0';
    return true;
}
