// Fuzz target: any bytes as an SAP packed field of any size (1 to 511 bytes, from the
// first two bytes) with any number of decimals the field can hold (the next two),
// through the text conversion, the integer reading and the size channel's formatting.
// The text areas are exactly as large as the contract asks, so a byte written past
// them is caught.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "measure/asp_usage.h"
#include "measure/packed_number.h"

namespace {

constexpr size_t largest_field = 511;

int digit_value(char c) { return c >= '0' && c <= '9' ? c - '0' : -1; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 4) return 0;
    size_t n = 1 + ((static_cast<size_t>(data[0]) << 8 | data[1]) % largest_field);
    if (size - 4 < n) return 0;
    unsigned decimals = (static_cast<unsigned>(data[2]) << 8 | data[3]) % static_cast<unsigned>(2 * n);  // 0 to 2n-1
    const unsigned char *field = data + 4;

    std::unique_ptr<char[]> hex(new char[2 * n + 1]);
    bytes_to_hex(hex.get(), field, n);
    if (strlen(hex.get()) != 2 * n) abort();

    std::unique_ptr<char[]> text(new char[2 * n + 2]);
    packed_to_text(text.get(), field, n, decimals);
    size_t length = strlen(text.get());
    // Sign, 2n-1 digits and, with decimals, the point.
    if (length != (decimals > 0 ? 2 * n + 1 : 2 * n)) abort();
    bool negative = (field[n - 1] & 0x0F) == 0x0D;
    if (text[0] != (negative ? '-' : '+')) abort();
    if (decimals > 0 && text[length - decimals - 1] != '.') abort();

    // For a field whose integer digits are all decimal and few enough for 64 bits,
    // the integer reading is exactly their value with the sign.
    int64_t value = integer_part(text.get());
    size_t integer_digits = 2 * n - 1 - decimals;
    if (integer_digits <= 18) {
        int64_t expected = 0;
        bool decimal = true;
        for (size_t i = 0; i < integer_digits && decimal; ++i) {
            int digit = digit_value(text[1 + i]);
            if (digit < 0) decimal = false;
            else expected = expected * 10 + digit;
        }
        if (decimal && value != (negative ? -expected : expected)) abort();
    }

    if (n >= 6) {
        bounded_text<31> size_text;
        format_size(size_text, field, false);
        format_size(size_text, field, true);
        if (size_text.cut) abort();
    }
    return 0;
}
