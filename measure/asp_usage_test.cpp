// The pieces of the success document made from a DB02INFDB4 record: the
// identification text with its trimming rules and the size values in both units.
// The whole measurement over the library is shown by the measure_ scenarios.
#include "measure/asp_usage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "output/prtg_writer.h"

namespace {

struct db02_record {
    unsigned char bytes[db02infdb4_length];
    db02_record() { memset(bytes, ' ', sizeof bytes); }
    db02_record &text(size_t offset, const char *value, size_t length) {
        memcpy(bytes + offset, value, length);
        return *this;
    }
};

std::string identification(const db02_record &record, const char *destination) {
    run_record run{};
    run.output_flavour.assign("EXEXML");
    run.profile_record.destination.assign(destination);
    append_identification_text(run, record.bytes);
    return run.output_buffer.c_str();
}

}  // namespace

TEST(AspUsage, IdentificationText) {
    db02_record healthy;
    healthy.text(0, "DB4       ", 10).text(10, "20261210", 8).text(18, "140359", 6).text(24, "DEM     ", 8);
    EXPECT_EQ(identification(healthy, "DEMO"),
              "(DEMO) Korvanel: Info=DB4,Date=20261210,Time=140359,Sid=DEM     ");

    db02_record blank_dbsys = healthy;
    blank_dbsys.text(0, "          ", 10);
    EXPECT_EQ(identification(blank_dbsys, "PRD"), "(PRD) Korvanel: Info=,Date=20261210,Time=140359,Sid=DEM     ");

    // A NUL byte ends a field early; what follows it in the field is not shown.
    db02_record with_nul = healthy;
    with_nul.text(0, "DB4 \0XXXXX", 10).text(24, "DE\0XXXXX", 8).text(10, "2026\0" "121", 8);
    EXPECT_EQ(identification(with_nul, "PRD"), "(PRD) Korvanel: Info=DB4,Date=2026,Time=140359,Sid=DE");

    // Blanks inside the database name stay; only its end is trimmed.
    db02_record inner_blank = healthy;
    inner_blank.text(0, "DB4 V7R4  ", 10);
    EXPECT_EQ(identification(inner_blank, "PRD"),
              "(PRD) Korvanel: Info=DB4 V7R4,Date=20261210,Time=140359,Sid=DEM     ");

    // The text is document content: escaped like any other.
    db02_record markup = healthy;
    markup.text(24, "A&B<    ", 8);
    EXPECT_EQ(identification(markup, "P&Q"),
              "(P&amp;Q) Korvanel: Info=DB4,Date=20261210,Time=140359,Sid=A&amp;B&lt;    ");
}

TEST(AspUsage, SizeValues) {
    // Size fields: 6 bytes, 10 integer digits and 1 decimal, then the sign half-byte.
    struct {
        const char *digits;
        char sign;
        const char *megabytes;
        const char *gigabytes;
    } cases[] = {
        {"0001234567" "8", 'C', "1234567", "1234"},
        {"0000000999" "9", 'C', "999", "0"},  // below a gigabyte
        {"0000001000" "0", 'C', "1000", "1"},
        {"9999999999" "9", 'C', "9999999999", "9999999"},  // beyond 32 bits
        {"2147483648" "0", 'C', "2147483648", "2147483"},  // just past the signed limit
        {"4294967296" "0", 'C', "4294967296", "4294967"},  // just past the unsigned limit
        {"0000000000" "5", 'D', "0", "0"},                 // -0.5
        {"0000001500" "0", 'D', "-1500", "-1"},            // truncated toward zero
        {"0000000000" "0", 'F', "0", "0"},
    };
    for (const auto &c : cases) {
        unsigned char field[6];
        std::string half_bytes = std::string(c.digits) + c.sign;
        for (size_t i = 0; i < 6; ++i)
            field[i] = static_cast<unsigned char>(std::stoi(half_bytes.substr(2 * i, 2), nullptr, 16));
        bounded_text<31> value;
        format_size(value, field, false);
        EXPECT_STREQ(value.c_str(), c.megabytes) << c.digits;
        format_size(value, field, true);
        EXPECT_STREQ(value.c_str(), c.gigabytes) << c.digits;
    }
}
