// Packed decimal conversion; see packed_number.h. The text is built half-byte by
// half-byte straight into the caller's area, so any field length works.
#include "measure/packed_number.h"

namespace {

const char hex_digits[] = "0123456789ABCDEF";

// The half-byte at position `index` (0 = high half of the first byte).
unsigned half_byte(const unsigned char *field, size_t index) {
    unsigned char byte = field[index / 2];
    return index % 2 == 0 ? byte >> 4 : byte & 0x0F;
}

}  // namespace

void bytes_to_hex(char *out, const unsigned char *bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        out[2 * i] = hex_digits[bytes[i] >> 4];
        out[2 * i + 1] = hex_digits[bytes[i] & 0x0F];
    }
    out[2 * count] = '\0';
}

void packed_to_text(char *out, const unsigned char *field, size_t n, unsigned decimals) {
    out[0] = '\0';
    if (n == 0) return;
    size_t digits = 2 * n - 1;
    if (decimals > digits) return;

    size_t at = 0;
    out[at++] = half_byte(field, digits) == 0x0D ? '-' : '+';
    size_t integer_digits = digits - decimals;
    for (size_t i = 0; i < integer_digits; ++i) out[at++] = hex_digits[half_byte(field, i)];
    if (decimals > 0) {
        out[at++] = '.';
        for (size_t i = integer_digits; i < digits; ++i) out[at++] = hex_digits[half_byte(field, i)];
    }
    out[at] = '\0';
}

int64_t integer_part(const char *text) {
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    // Accumulated as a negative number, whose range holds both limits.
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        int digit = *text - '0';
        if (value < (INT64_MIN + digit) / 10) {
            value = INT64_MIN;
            while (*text >= '0' && *text <= '9') ++text;
            break;
        }
        value = value * 10 - digit;
    }
    if (negative) return value;
    return value == INT64_MIN ? INT64_MAX : -value;
}
