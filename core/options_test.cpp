// Options given as typed: found with their keyword in any letter case anywhere in a
// text of any length, and whole numbers read strictly, never wrapped.
#include "core/options.h"

#include <gtest/gtest.h>

#include <string>

TEST(GivenOptions, ValueRunsFromTheKeywordToABlankOrAComma) {
    struct {
        const char *text;
        const char *value;  // null: absent
    } cases[] = {
        {"TIMEOUT=30", "30"},
        {"asp timeout=30 #", "30"},
        {"ASP,TiMeOuT=7,GIGABYTE", "7"},
        {"TIMEOUT=", ""},
        {"TIMEOUT= 30", ""},
        {"TIMEOUT=30#", "30#"},
        {"TIMEOUT=1 TIMEOUT=2", "1"},
        {"TIMEOUT 30", nullptr},
        {"TIMEOU=30", nullptr},
        {"", nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        given_value found = find_given_option(c.text, "TIMEOUT=");
        if (c.value == nullptr) {
            EXPECT_EQ(found.text, nullptr);
        } else {
            ASSERT_NE(found.text, nullptr);
            EXPECT_EQ(std::string(found.text, found.length), c.value);
        }
    }
    EXPECT_EQ(find_given_option(nullptr, "TIMEOUT=").text, nullptr);
    // Far beyond the 127 characters of the parameter text.
    std::string long_text = std::string(300, 'x') + " TIMEOUT=30";
    given_value far = find_given_option(long_text.c_str(), "TIMEOUT=");
    ASSERT_NE(far.text, nullptr);
    EXPECT_EQ(std::string(far.text, far.length), "30");
}

TEST(GivenOptions, WholeNumbersAreDigitsInTheirRange) {
    struct {
        const char *value;
        bool read;
        unsigned number;
    } cases[] = {
        {"0", true, 0},          {"3600", true, 3600},     {"0055", true, 55},
        {"3601", false, 0},      {"", false, 0},           {"+5", false, 0},
        {"-5", false, 0},        {"5s", false, 0},         {"1.5", false, 0},
        {"0x10", false, 0},      {"4294967297", false, 0}, {"99999999999999999999999999", false, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value);
        unsigned number = 12345;
        EXPECT_EQ(read_whole_number({c.value, strlen(c.value)}, 0, 3600, number), c.read);
        EXPECT_EQ(number, c.read ? c.number : 12345u);
    }
    unsigned number = 0;
    EXPECT_FALSE(read_whole_number({nullptr, 0}, 0, 3600, number));
    EXPECT_FALSE(read_whole_number({"0", 1}, 1, 64, number));
    // Only the given length counts: what follows the value is not part of it.
    EXPECT_TRUE(read_whole_number({"12,x", 2}, 1, 64, number));
    EXPECT_EQ(number, 12u);
}
