// Gantries keys, unit marks and Brimtol's channel selection.
#include "output/text_flavours.h"

#include <gtest/gtest.h>

#include <string>

#include "run/command_line.h"

TEST(TextFlavours, ChannelKeyReplacesPunctuationAndTheFirstDot) {
    struct {
        const char *channel;
        const char *key;
    } cases[] = {
        {"a.b.c", "a_b.c"},
        {"x-y (z)", "x_y__z_"},
        {"System ASP used", "System_ASP_used"},
        {" /\\[]*():-", "__________"},
        {"v1.2", "v1_2"},
        // Everything else stays, other punctuation and 8-bit letters included.
        {"Gr\xf6\xdf" "e%_#&<>,;", "Gr\xf6\xdf" "e%_#&<>,;"},
        {"", ""},
    };
    for (const auto &c : cases) {
        bounded_text<working_area_capacity> key;
        channel_key(c.channel, key);
        EXPECT_EQ(std::string(key.c_str()), c.key) << c.channel;
    }
}

TEST(TextFlavours, ChannelKeyIsCutAtItsWorkingArea) {
    bounded_text<working_area_capacity> key;
    channel_key(std::string(200, '-').c_str(), key);
    EXPECT_EQ(std::string(key.c_str()), std::string(123, '_'));
}

TEST(TextFlavours, UnitMark) {
    struct {
        const char *unit;
        const char *mark;
    } cases[] = {
        {"", "#"},           {"PerCent", "%"},      {"TimeResponse", "mSec"}, {"MByte", "MByte"},
        {"GByte", "GByte"},  {"percent", "percent"}, {"PerCent ", "PerCent "},
    };
    for (const auto &c : cases) EXPECT_STREQ(unit_mark(c.unit), c.mark) << c.unit;
}

TEST(TextFlavours, SelectedChannelReadsUpToThreeCharactersAfterCh) {
    struct {
        const char *parameters;
        bool selects;
        long number;
    } cases[] = {
        {"GIGABYTE", false, 0},
        {"CH=2", true, 2},
        {"ch=3", true, 3},
        {"CH=1,X", true, 1},
        {"GIGABYTE,CH=12", true, 12},
        {"CH=1234", true, 123},
        {"CH= 2", true, 2},
        {"CH=-1", true, -1},
        {"CH=+3", true, 3},
        {"CH=2X5", true, 2},
        {"CH=", true, 0},
        {"CH=,2", true, 0},
        {"CH=X", true, 0},
        // The search is a plain substring search in the upper-cased parameter text.
        {"SEARCH=3", true, 3},
    };
    for (const auto &c : cases) {
        const char *argv[] = {"Korvanel.exe", "PRD", c.parameters};
        run_record run{};
        parse_command_line(run, 3, argv);
        long number = -99;
        EXPECT_EQ(selected_channel(run, number), c.selects) << c.parameters;
        EXPECT_EQ(number, c.number) << c.parameters;
    }
}
