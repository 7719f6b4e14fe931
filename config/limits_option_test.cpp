// LIMITS=: the values that set the ASP channel's limits and those that end the run.
#include "config/limits_option.h"

#include <gtest/gtest.h>

#include <string>

TEST(LimitsOption, ValuesAndErrors) {
    struct {
        const char *text;
        bool valid;
        long warning;
        long error;
        const char *message;
    } cases[] = {
        {"GIGABYTE", true, 0, 0, ""},  // absent: nothing set
        {"LIMITS=90/95", true, 90, 95, ""},
        {"GIGABYTE limits=90/95,X", true, 90, 95, ""},  // keyword in any case, value to a comma
        {"Limits=1/100 #", true, 1, 100, ""},
        {"LIMITS=95/90", false, 0, 0, "Error 1019: Invalid Parameter LIMITS=95/90 !"},
        {"LIMITS=90/90", false, 0, 0, "Error 1019: Invalid Parameter LIMITS=90/90 !"},
        {"LIMITS=x", false, 0, 0, "Error 1019: Invalid Parameter LIMITS=x !"},
        {"LIMITS=", false, 0, 0, "Error 1019: Invalid Parameter LIMITS= !"},
        {"LIMITS= 90/95", false, 0, 0, "Error 1019: Invalid Parameter LIMITS= !"},
        {"LIMITS=0/95", false, 0, 0, "Error 1019: Invalid Parameter LIMITS=0/95 !"},
        {"LIMITS=90/101", false, 0, 0, "Error 1019: Invalid Parameter LIMITS=90/101 !"},
        {"LIMITS=90", false, 0, 0, "Error 1019: Invalid Parameter LIMITS=90 !"},
        {"LIMITS=+9/95", false, 0, 0, "Error 1019: Invalid Parameter LIMITS=+9/95 !"},
        {"LIMITS=90/95/99", false, 0, 0, "Error 1019: Invalid Parameter LIMITS=90/95/99 !"},
        {"LIMITS=90.5/95", false, 0, 0, "Error 1019: Invalid Parameter LIMITS=90.5/95 !"},
        {"LIMITS=0090/95", false, 0, 0, "Error 1019: Invalid Parameter LIMITS=0090/95 !"},
        {"LIMITS=x LIMITS=90/95", false, 0, 0, "Error 1019: Invalid Parameter LIMITS=x !"},  // the first counts
    };
    for (const auto &c : cases) {
        channel_limits limits;
        run_message message;
        EXPECT_EQ(read_limits_option(c.text, limits, message), c.valid) << c.text;
        EXPECT_EQ(std::string(message.c_str()), c.message) << c.text;
        EXPECT_EQ(limits.has_max_warning, c.warning != 0) << c.text;
        EXPECT_EQ(limits.has_max_error, c.error != 0) << c.text;
        EXPECT_EQ(limits.max_warning, c.warning) << c.text;
        EXPECT_EQ(limits.max_error, c.error) << c.text;
    }
}

TEST(LimitsOption, AVeryLongValueStillGivesTheWholeMessageEnd) {
    std::string text = "LIMITS=" + std::string(1000, '9');
    channel_limits limits;
    run_message message;
    EXPECT_FALSE(read_limits_option(text.c_str(), limits, message));
    EXPECT_FALSE(message.cut);
    EXPECT_EQ(message.c_str() + message.length - 2, std::string(" !"));
}
