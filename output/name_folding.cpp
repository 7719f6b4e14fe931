// Names in any letter case; see name_folding.h. Only one-to-one pairs are folded, as
// Windows' own table does: a letter whose capital is two letters (ß) or whose pairing
// depends on the language (the Turkish dotted and dotless i) stays as it is.
#include "output/name_folding.h"

#include "host/host.h"
#include "output/document_text.h"

namespace {

// Reads the character at `bytes` as the document shows it; returns the bytes it takes.
size_t read_character(const unsigned char *bytes, size_t available, unsigned long &code_point) {
    if (bytes[0] < 0x80) {
        code_point = bytes[0];
        return 1;
    }
    bool cut_short = false;
    size_t taken = utf8_sequence(bytes, available, code_point, cut_short);
    return taken > 0 ? taken : host_decode_ansi(bytes, available, &code_point);
}

size_t length_of(const char *text) {
    size_t length = 0;
    while (text[length] != '\0') ++length;
    return length;
}

}  // namespace

unsigned long fold_letter_case(unsigned long c) {
    if (c >= 'a' && c <= 'z') return c - 0x20;
    if (c < 0x80) return c;
    // Latin-1: à to þ, without the division sign; ÿ's capital lies in Latin Extended-A.
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
    if (c == 0xFF) return 0x178;
    // Latin Extended-A: capital and small letter side by side, the capital first,
    // except in the two runs that begin with a small letter.
    if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return (c & 1) != 0 ? c - 1 : c;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) == 0 ? c - 1 : c;
    // Greek: the small letters 32 above their capitals, final sigma to sigma, and the
    // accented vowels, which lie elsewhere.
    if ((c >= 0x3B1 && c <= 0x3C1) || (c >= 0x3C3 && c <= 0x3CB)) return c - 0x20;
    if (c == 0x3C2) return 0x3A3;
    if (c == 0x3AC) return 0x386;
    if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;
    if (c == 0x3CC) return 0x38C;
    if (c == 0x3CD || c == 0x3CE) return c - 0x3F;
    // Cyrillic: а to я 32 above А to Я, ѐ to џ 80 above Ѐ to Џ.
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    return c;
}

bool same_folded_name(const char *a, const char *b) {
    const unsigned char *x = reinterpret_cast<const unsigned char *>(a);
    const unsigned char *y = reinterpret_cast<const unsigned char *>(b);
    size_t x_left = length_of(a);
    size_t y_left = length_of(b);
    while (x_left > 0 && y_left > 0) {
        unsigned long cx = 0;
        unsigned long cy = 0;
        size_t x_taken = read_character(x, x_left, cx);
        size_t y_taken = read_character(y, y_left, cy);
        if (fold_letter_case(cx) != fold_letter_case(cy)) return false;
        x += x_taken;
        x_left -= x_taken;
        y += y_taken;
        y_left -= y_taken;
    }
    return x_left == 0 && y_left == 0;
}
