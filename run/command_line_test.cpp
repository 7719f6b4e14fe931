// The command line: parameter text, trace switch, item option and profile name.
#include "run/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

run_record parsed(std::vector<const char *> arguments) {
    arguments.insert(arguments.begin(), "Korvanel.exe");
    run_record run{};
    parse_command_line(run, static_cast<int>(arguments.size()), arguments.data());
    return run;
}

}  // namespace

TEST(CommandLine, ProfileNameGetsSuffixAndGlobalSwitch) {
    struct {
        const char *argument;
        const char *profile_name;
        bool multi_system_mode;
    } cases[] = {
        {"PRD", "PRD.P00", false},
        {"prd.txt", "prd.txt", false},
        {"PRD.P1", "PRD.P1.P00", false},
        {"C:\\Profiles\\PRD", "C:\\Profiles\\PRD.P00", false},
        {"ab", "ab.P00", false},
        {".P0", ".P0.P00", false},  // fewer than four characters always get the suffix
        {"", ".P00", false},
        {"global", "SAP Wendmark.Gbl", true},
        {"Global.p00", "SAP Wendmark.Gbl", true},
        // Only profile location sees the file name alone.
        {"C:\\Profiles\\GLOBAL", "C:\\Profiles\\GLOBAL.P00", false},
        {"GLOBALS", "GLOBALS.P00", false},
    };
    for (const auto &c : cases) {
        run_record run = parsed({c.argument});
        EXPECT_STREQ(run.profile_name.c_str(), c.profile_name) << c.argument;
        EXPECT_EQ(run.multi_system_mode, c.multi_system_mode) << c.argument;
        EXPECT_FALSE(run.trace_mode) << c.argument;
    }
}

TEST(CommandLine, ParameterTextJoinsThirdAndFourthArgument) {
    run_record none = parsed({"PRD"});
    EXPECT_STREQ(none.parameter_text.c_str(), "");
    run_record two = parsed({"PRD", "Gigabyte,ch=2", "x$y", "fifth is ignored"});
    EXPECT_STREQ(two.parameter_text.c_str(), "Gigabyte,ch=2 x$y");
    EXPECT_STREQ(two.parameter_string.c_str(), "GIGABYTE,CH=2 X$Y");
    EXPECT_TRUE(two.trace_mode);  // "$" inside a word counts
}

TEST(CommandLine, TraceSwitch) {
    struct {
        const char *parameter;
        bool trace;
    } cases[] = {{"%", true}, {"#", true}, {"@", true}, {"a$b", true}, {"GIGABYTE", false}, {"", false}};
    for (const auto &c : cases) EXPECT_EQ(parsed({"PRD", c.parameter}).trace_mode, c.trace) << c.parameter;
}

TEST(CommandLine, ItemOptionTakesLabelAndFamilyProfile) {
    struct {
        std::vector<const char *> arguments;
        const char *label;
    } cases[] = {
        {{"PRD", "item=Abc:Def,X"}, "Abc Def"},
        {{"PRD", "ITEM=Abc", "Def"}, "Abc"},
        {{"PRD", "x ITEM="}, ""},
        {{"GLOBAL", "Item=Plant:North"}, "Plant North"},
    };
    for (const auto &c : cases) {
        run_record run = parsed(c.arguments);
        EXPECT_STREQ(run.item_label.c_str(), c.label);
        EXPECT_TRUE(run.multi_system_mode);
        EXPECT_STREQ(run.profile_name.c_str(), "Wendmark.Prf");
    }
}

TEST(CommandLine, LimitsCutParametersButNeverTheProfileName) {
    std::string long_parameter(200, 'p');
    run_record run = parsed({"PRD", long_parameter.c_str()});
    EXPECT_EQ(run.parameter_text.size(), 127u);
    EXPECT_EQ(run.parameter_string.size(), 127u);

    std::string item = "ITEM=" + std::string(100, 'i');
    EXPECT_EQ(parsed({"PRD", item.c_str()}).item_label.size(), 90u);

    // A directory of the full capacity and a 63-character name with its suffix are held whole.
    std::string fits = std::string(directory_capacity - 1, 'd') + "\\" + std::string(59, 'n');
    run_record whole = parsed({fits.c_str()});
    EXPECT_EQ(std::string(whole.profile_name.c_str()), fits + ".P00");
    EXPECT_FALSE(whole.profile_name.cut);

    std::string too_long = fits + "xyz";
    EXPECT_TRUE(parsed({too_long.c_str()}).profile_name.cut);
}

TEST(CommandLine, OptionValueKeepsLetterCase) {
    run_record run = parsed({"PRD", "x,host=SapApp1,no=07 Flavour=Brimtol"});
    bounded_text<47> value;
    EXPECT_TRUE(option_value(run, ",HOST=", value));
    EXPECT_STREQ(value.c_str(), "SapApp1");
    EXPECT_TRUE(option_value(run, ",NO=", value));
    EXPECT_STREQ(value.c_str(), "07");
    EXPECT_FALSE(option_value(run, "CH=", value));
    EXPECT_STREQ(value.c_str(), "");
}
