// Packed decimals: the text form for every sign value and decimal count, unvalidated
// digit half-bytes, and the integer reading that the channels are made from.
#include "measure/packed_number.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string packed(std::vector<unsigned char> bytes, unsigned decimals) {
    char out[64];
    packed_to_text(out, bytes.data(), bytes.size(), decimals);
    return out;
}

}  // namespace

TEST(PackedNumber, BytesToHex) {
    const unsigned char bytes[] = {0x00, 0x9A, 0xFF, 0x5c};
    char out[9];
    bytes_to_hex(out, bytes, 4);
    EXPECT_STREQ(out, "009AFF5C");
    out[0] = 'x';
    bytes_to_hex(out, bytes, 0);
    EXPECT_STREQ(out, "");
}

TEST(PackedNumber, TextForm) {
    struct {
        std::vector<unsigned char> bytes;
        unsigned decimals;
        const char *text;
    } cases[] = {
        {{0x00, 0x00, 0x00, 0x00, 0x87, 0x12, 0x34, 0x5C}, 5, "+0000000087.12345"},
        {{0x00, 0x01, 0x23, 0x45, 0x67, 0x8C}, 1, "+0001234567.8"},
        {{0x00, 0x00, 0x00, 0x00, 0x01, 0x5D}, 1, "-0000000001.5"},
        {{0x12, 0x3F}, 0, "+123"},
        {{0x12, 0x3B}, 0, "+123"},   // B is no minus: only D is
        {{0x12, 0x3A}, 0, "+123"},
        {{0x12, 0x3D}, 3, "-.123"},  // every digit a decimal: no integer digit
        {{0x00, 0x0D}, 0, "-000"},
        {{0x1A, 0xF3, 0x5C}, 2, "+1AF.35"},  // digit half-bytes 10 to 15 pass as letters
        {{0x5C}, 0, "+5"},
        {{0x5C}, 2, ""},  // more decimals than digits: nothing to show
        {{}, 0, ""},
    };
    for (const auto &c : cases) EXPECT_EQ(packed(c.bytes, c.decimals), c.text) << c.text;
}

TEST(PackedNumber, TextLengthDependsOnlyOnSizeAndDecimals) {
    EXPECT_EQ(packed({0x99, 0x99, 0x99, 0x99, 0x99, 0x9D}, 1).size(), 13u);
    EXPECT_EQ(packed({0x00, 0x00, 0x00, 0x00, 0x00, 0x0C}, 1).size(), 13u);
    EXPECT_EQ(packed({0x00, 0x00, 0x00, 0x00, 0x00, 0x0C}, 0).size(), 12u);
}

TEST(PackedNumber, IntegerPart) {
    struct {
        const char *text;
        int64_t value;
    } cases[] = {
        {"+0000000087.99999", 87},
        {"+0000000100.00000", 100},
        {"+0000000000.99999", 0},
        {"-0000000000.5", 0},
        {"-0000000001.5", -1},
        {"+0001234567.8", 1234567},
        {"+9999999999.9", 9999999999},  // beyond 32 bits, read whole
        {"-9999999999.9", -9999999999},
        {"+0000002147483648.0", 2147483648},
        {"+.12345", 0},
        {"+00A1.5", 0},  // reading stops at the first non-digit
        {"", 0},
        {"123", 123},
        {"+99999999999999999999.0", INT64_MAX},
        {"-99999999999999999999.0", INT64_MIN},
        {"-9223372036854775808", INT64_MIN},
        {"+9223372036854775807", INT64_MAX},
    };
    for (const auto &c : cases) EXPECT_EQ(integer_part(c.text), c.value) << c.text;
}
