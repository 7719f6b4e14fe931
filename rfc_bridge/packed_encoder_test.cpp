// Packed numbers: the NetWeaver library's decimal text into classic packed bytes,
// checked by the sensor's own decoder, and classic bytes back into text.
#include "rfc_bridge/packed_encoder.h"

#include "measure/packed_number.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string hex(const unsigned char *bytes, unsigned count) {
    char out[40];
    bytes_to_hex(out, bytes, count);
    return out;
}

}  // namespace

TEST(BridgePackedEncoder, PacksTheInstalledLengthAndDecimals) {
    struct row {
        const char *text;
        unsigned length, decimals;
        const char *bytes;
        const char *sensor_reads;  // what the sensor's decoder makes of it
    } rows[] = {
        {"87.12345", 8, 5, "000000008712345C", "+0000000087.12345"},
        {"1234567.8", 6, 1, "00012345678C", "+0001234567.8"},
        {"-2.5", 6, 1, "00000000025D", "-0000000002.5"},
        {"  42 ", 3, 0, "00042C", "+00042"},
        {"0.1", 3, 2, "00010C", "+000.10"},               // fewer decimals than the field: zeros follow
        {"3.1400", 3, 2, "00314C", "+003.14"},            // more, but only zeros: exact
        {"-0.00", 2, 2, "000C", "+0.00"},                 // zero has the plus sign
        {"9999999999999999999999999999999", 16, 0, "9999999999999999999999999999999C",
         "+9999999999999999999999999999999"},
        {".5", 1, 1, "5C", "+.5"},
    };
    for (const row &r : rows) {
        unsigned char field[17];
        memset(field, 0xEE, sizeof field);
        ASSERT_TRUE(encode_packed(r.text, field, r.length, r.decimals)) << r.text;
        EXPECT_EQ(hex(field, r.length), r.bytes) << r.text;
        EXPECT_EQ(field[r.length], 0xEE) << "wrote past the field for " << r.text;
        char decoded[40];
        packed_to_text(decoded, field, r.length, r.decimals);
        EXPECT_STREQ(decoded, r.sensor_reads) << r.text;
    }
}

TEST(BridgePackedEncoder, RefusesWhatDoesNotFit) {
    struct row {
        const char *text;
        unsigned length, decimals;
    } rows[] = {
        {"1000", 2, 0},      // three digits fit two bytes, four do not
        {"12.345", 3, 2},    // a non-zero digit beyond the decimals is never rounded away
        {"", 3, 0},          {"-", 3, 0},  {".", 3, 0}, {"1e5", 8, 0}, {"1.2.3", 8, 2},
        {"12,5", 8, 1},      {"1", 17, 0}, {"1", 2, 4},
    };
    for (const row &r : rows) {
        unsigned char field[17] = {0x11};
        EXPECT_FALSE(encode_packed(r.text, field, r.length, r.decimals)) << r.text;
        EXPECT_EQ(field[0], 0x11) << "field touched for " << r.text;
    }
}

TEST(BridgePackedEncoder, RoundTripsThroughText) {
    // The sensor's SYS_ASP_P: five decimals must survive both ways exactly.
    const char *values[] = {"87.12345", "-0.00001", "99999999.99999", "0", "12"};
    for (const char *value : values) {
        unsigned char field[8];
        ASSERT_TRUE(encode_packed(value, field, 8, 5)) << value;
        char text[40];
        ASSERT_TRUE(decode_packed(field, 8, 5, text, sizeof text));
        unsigned char again[8];
        ASSERT_TRUE(encode_packed(text, again, 8, 5)) << text;
        EXPECT_EQ(memcmp(field, again, 8), 0) << value << " -> " << text;
    }
    char text[40];
    const unsigned char damaged[] = {0x1A, 0x2C};
    EXPECT_FALSE(decode_packed(damaged, 2, 0, text, sizeof text));
    const unsigned char unsigned_field[] = {0x12, 0x34};  // no sign half-byte
    EXPECT_FALSE(decode_packed(unsigned_field, 2, 0, text, sizeof text));
    const unsigned char small[] = {0x00, 0x7C};
    ASSERT_TRUE(decode_packed(small, 2, 2, text, sizeof text));
    EXPECT_STREQ(text, "0.07");
    EXPECT_FALSE(decode_packed(small, 2, 2, text, 5));
}
