// Packing walks the digits from the sign half-byte backwards, so integer and
// fraction digits land in place without an intermediate number (no overflow for
// the widest 16-byte fields).
#include "rfc_standin/packed_decimal.h"

#include <cstring>

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool pack_decimal(const char *text, unsigned char *field, unsigned size, unsigned decimals) {
    if (size == 0 || size > 16 || decimals > 2 * size - 1) return false;
    bool negative = false;
    const char *at = text;
    if (*at == '+' || *at == '-') negative = *at++ == '-';
    const char *integer = at;
    while (is_digit(*at)) ++at;
    size_t integer_count = static_cast<size_t>(at - integer);
    const char *fraction = at;
    size_t fraction_count = 0;
    if (*at == '.') {
        fraction = ++at;
        while (is_digit(*at)) ++at;
        fraction_count = static_cast<size_t>(at - fraction);
    }
    if (*at != '\0' || integer_count + fraction_count == 0 || fraction_count > decimals) return false;
    while (integer_count > 1 && *integer == '0') {
        ++integer;
        --integer_count;
    }
    if (integer_count > 2 * size - 1 - decimals) return false;

    // Half-bytes from the right: 0 is the sign, then the decimals, then the integer digits.
    unsigned char packed[16] = {};
    unsigned half_count = 2 * size;
    auto put = [&](unsigned position, unsigned value) {
        unsigned index = half_count - 1 - position;  // from the left
        packed[index / 2] |= static_cast<unsigned char>(index % 2 == 0 ? value << 4 : value);
    };
    put(0, negative ? 0xD : 0xC);
    for (unsigned d = 0; d < decimals; ++d) {
        unsigned from_point = decimals - 1 - d;  // position of this decimal after the point
        put(1 + d, from_point < fraction_count ? static_cast<unsigned>(fraction[from_point] - '0') : 0);
    }
    for (size_t i = 0; i < integer_count; ++i)
        put(1 + decimals + static_cast<unsigned>(i), static_cast<unsigned>(integer[integer_count - 1 - i] - '0'));
    memcpy(field, packed, size);
    return true;
}
