// DETAIL=: the two words in any letter case, and every other value refused with its
// text as given.
#include "config/detail_option.h"

#include <gtest/gtest.h>

#include <string>

TEST(DetailOption, ValuesAndErrors) {
    struct {
        const char *text;
        bool valid;
        bool found;
        bool detail;  // from a start of false
        const char *message;
    } cases[] = {
        {"GIGABYTE", true, false, false, ""},  // absent: nothing set
        {"", true, false, false, ""},
        {"DETAIL=YES", true, true, true, ""},
        {"GIGABYTE detail=yes,X", true, true, true, ""},  // keyword and word in any case, to a comma
        {"Detail=No #", true, true, false, ""},
        {"DETAIL=YES DETAIL=x", true, true, true, ""},  // the first counts
        {"DETAIL=", false, false, false, "Error 1023: Invalid Parameter DETAIL= !"},
        {"DETAIL= YES", false, false, false, "Error 1023: Invalid Parameter DETAIL= !"},
        {"DETAIL=Y", false, false, false, "Error 1023: Invalid Parameter DETAIL=Y !"},
        {"DETAIL=YESS", false, false, false, "Error 1023: Invalid Parameter DETAIL=YESS !"},
        {"DETAIL=1", false, false, false, "Error 1023: Invalid Parameter DETAIL=1 !"},
        {"DETAIL=YES#", false, false, false, "Error 1023: Invalid Parameter DETAIL=YES# !"},
        {"DETAIL=x DETAIL=YES", false, false, false, "Error 1023: Invalid Parameter DETAIL=x !"},
    };
    for (const auto &c : cases) {
        bool detail = false;
        bool found = !c.found;
        run_message message;
        EXPECT_EQ(read_detail_option(c.text, detail, found, message), c.valid) << c.text;
        EXPECT_EQ(std::string(message.c_str()), c.message) << c.text;
        EXPECT_EQ(found, c.found) << c.text;
        EXPECT_EQ(detail, c.detail) << c.text;
    }
}

TEST(DetailOption, AbsentLeavesTheValueAndNullIsAbsent) {
    bool detail = true;
    bool found = true;
    run_message message;
    EXPECT_TRUE(read_detail_option(nullptr, detail, found, message));
    EXPECT_TRUE(detail);
    EXPECT_FALSE(found);
    EXPECT_TRUE(read_detail_option("Item=Plant:North,Sensor=\"SAP Korvanel\"", detail, found, message));
    EXPECT_TRUE(detail);
}

TEST(DetailOption, LongValueKeepsTheMessageWhole) {
    std::string text = "DETAIL=" + std::string(400, 'x');
    bool detail = false;
    bool found = false;
    run_message message;
    EXPECT_FALSE(read_detail_option(text.c_str(), detail, found, message));
    std::string shown = message.c_str();
    EXPECT_EQ(shown.rfind("Error 1023: Invalid Parameter DETAIL=xxx", 0), 0u);
    EXPECT_EQ(shown.substr(shown.size() - 2), " !");
    EXPECT_FALSE(message.cut);
}
