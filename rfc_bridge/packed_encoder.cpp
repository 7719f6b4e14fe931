// The digits are placed from the sign half-byte leftwards, so no intermediate number
// is formed and the widest 31-digit fields pack exactly. A value that does not fit
// is refused rather than cut: a wrong figure on a PRTG channel is worse than an error.
#include "rfc_bridge/packed_encoder.h"

#include <cstring>

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_blank(char c) { return c == ' ' || c == '\t'; }

unsigned half_byte(const unsigned char *field, unsigned index) {
    return index % 2 == 0 ? field[index / 2] >> 4 : field[index / 2] & 0x0F;
}

}  // namespace

bool encode_packed(const char *text, unsigned char *field, unsigned length, unsigned decimals) {
    if (text == nullptr || length == 0 || length > 16 || decimals > 2 * length - 1) return false;
    const char *at = text;
    while (is_blank(*at)) ++at;
    bool negative = false;
    if (*at == '+' || *at == '-') negative = *at++ == '-';
    const char *integer = at;
    while (is_digit(*at)) ++at;
    unsigned integer_count = static_cast<unsigned>(at - integer);
    const char *fraction = at;
    unsigned fraction_count = 0;
    if (*at == '.') {
        fraction = ++at;
        while (is_digit(*at)) ++at;
        fraction_count = static_cast<unsigned>(at - fraction);
    }
    while (is_blank(*at)) ++at;
    if (*at != '\0' || integer_count + fraction_count == 0) return false;
    for (unsigned i = decimals; i < fraction_count; ++i)
        if (fraction[i] != '0') return false;
    while (integer_count > 0 && *integer == '0') {
        ++integer;
        --integer_count;
    }
    if (integer_count > 2 * length - 1 - decimals) return false;

    unsigned char packed[16] = {};
    unsigned half_count = 2 * length;
    bool any_digit = false;
    auto put = [&](unsigned position, unsigned value) {  // position 0 is the sign
        unsigned index = half_count - 1 - position;
        packed[index / 2] |= static_cast<unsigned char>(index % 2 == 0 ? value << 4 : value);
        if (position > 0 && value != 0) any_digit = true;
    };
    for (unsigned d = 0; d < decimals; ++d) {
        unsigned after_point = decimals - 1 - d;
        put(1 + d, after_point < fraction_count ? static_cast<unsigned>(fraction[after_point] - '0') : 0);
    }
    for (unsigned i = 0; i < integer_count; ++i)
        put(1 + decimals + i, static_cast<unsigned>(integer[integer_count - 1 - i] - '0'));
    put(0, negative && any_digit ? 0xD : 0xC);
    memcpy(field, packed, length);
    return true;
}

bool decode_packed(const unsigned char *field, unsigned length, unsigned decimals, char *out, unsigned capacity) {
    if (length == 0 || length > 16 || decimals > 2 * length - 1 || capacity < 2 * length + 3) return false;
    unsigned digits = 2 * length - 1;
    unsigned sign = half_byte(field, digits);
    if (sign < 0xA) return false;
    unsigned at = 0;
    if (sign == 0xD || sign == 0xB) out[at++] = '-';
    unsigned integer_digits = digits - decimals;
    bool leading = true;
    for (unsigned i = 0; i < digits; ++i) {
        unsigned digit = half_byte(field, i);
        if (digit > 9) return false;
        if (i == integer_digits) {
            if (leading) out[at++] = '0';
            out[at++] = '.';
            leading = false;
        }
        if (leading && digit == 0 && i + 1 < integer_digits) continue;
        leading = false;
        out[at++] = static_cast<char>('0' + digit);
    }
    out[at] = '\0';
    return true;
}
