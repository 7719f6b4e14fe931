// The profile reader over small profiles: every error with its message, the order of
// the checks, the value rules (blanks kept, 60 characters, capacities) and the line
// rules (line ends, pieces of 159 or 199 characters, last occurrence wins).
#include "config/profile_file.h"

#include <gtest/gtest.h>

#include <string>

#include "config/password.h"

namespace {

// "Monitor#2024", scrambled with the program's key.
const char *const stored_password = "3;?7N`mw\")RxsmQ)Sp6=;kfu";

std::string line(const char *key, const std::string &value) { return std::string(key) + " " + value + "\n"; }

// A complete profile, with the lines named in `without` left out and `extra` added at the end.
std::string profile(const std::string &extra = "", const std::string &without = "") {
    const char *lines[][2] = {
        {"Extcompany.:", "Korvanel Test"}, {"Destination:", "PRD"},      {"Client.....:", "100"},
        {"User.......:", "monitor"},       {"Password...:", stored_password}, {"Language...:", "EN"},
        {"Mode.......:", "R/3"},           {"Hostname...:", "sapprd"},    {"Sysnr......:", "00"},
        {"Gwhost.....:", "sapprd"},        {"Gwservice..:", "sapgw00"},
    };
    std::string text = "* Korvanel profile of PRD\n";
    for (const auto &l : lines)
        if (without.find(l[0]) == std::string::npos) text += line(l[0], l[1]);
    return text + extra;
}

struct ProfileFile : ::testing::Test {
    run_record run{};
    run_message message;
    bool system_failed = false;
    // One file per test: CTest runs the tests of this binary side by side in one folder.
    std::string file_name_text = std::string("profile_file_test.") +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".tmp";
    const char *file_name = file_name_text.c_str();

    void SetUp() override {
        build_password_key(run.password_key);
        run.profile_name.assign("PRD.P00");
    }
    void TearDown() override { remove(file_name); }

    bool read(const std::string &bytes, profile_reading mode = profile_reading::strict) {
        FILE *file = fopen(file_name, "wb");
        EXPECT_NE(file, nullptr);
        fwrite(bytes.data(), 1, bytes.size(), file);
        fclose(file);
        run.profile_file = fopen(file_name, "rb");
        system_failed = false;
        return read_profile(run, mode, message, system_failed);
    }
};

}  // namespace

TEST_F(ProfileFile, CompleteProfileFillsTheRecord) {
    ASSERT_TRUE(read(profile())) << message.c_str();
    const profile_data &p = run.profile_record;
    EXPECT_STREQ(p.extcompany.c_str(), "Korvanel Test");
    EXPECT_STREQ(p.destination.c_str(), "PRD");
    EXPECT_STREQ(p.client.c_str(), "100");
    EXPECT_STREQ(p.user.c_str(), "MONITOR");  // upper-cased
    EXPECT_TRUE(p.password.equals("Monitor#2024"));
    EXPECT_STREQ(p.language.c_str(), "EN");
    EXPECT_STREQ(p.mode.c_str(), "R/3");
    EXPECT_STREQ(p.hostname.c_str(), "sapprd");
    EXPECT_STREQ(p.sysnr.c_str(), "00");
    EXPECT_STREQ(p.gwhost.c_str(), "sapprd");
    EXPECT_STREQ(p.gwservice.c_str(), "sapgw00");
    EXPECT_STREQ(run.display_host.c_str(), "sapprd");
    EXPECT_FALSE(system_failed);
    EXPECT_STREQ(message.c_str(), "");
    EXPECT_EQ(run.profile_file, nullptr);  // closed
}

TEST_F(ProfileFile, StrictErrorsInTheirOrder) {
    const std::string no_user = "User.......:";
    const std::string no_password = "Password...:";
    struct {
        const char *name;
        std::string bytes;
        const char *message;
    } cases[] = {
        {"empty file", "", "Error 1006: Username in Profile PRD.P00 is missing..."},
        {"no user", profile("", no_user), "Error 1006: Username in Profile PRD.P00 is missing..."},
        {"user key in lower case is no key", profile("user.......: monitor\n", no_user),
         "Error 1006: Username in Profile PRD.P00 is missing..."},
        {"no password", profile("", no_password), "Error 1007: Password in Profile PRD.P00 is missing..."},
        {"password line without value", profile("Password...:\n"),
         "Error 1007: Password in Profile PRD.P00 is missing..."},
        {"length digits 00", profile(line("Password...:", ";3>5J@KB\\JAXR]MW@UKXUOP]")),
         "Error 1007: Password in Profile PRD.P00 is missing..."},
        {"user checked before password", profile("", no_user + no_password),
         "Error 1006: Username in Profile PRD.P00 is missing..."},
        {"password checked before short fields", profile(line("Client.....:", "10"), no_password),
         "Error 1007: Password in Profile PRD.P00 is missing..."},
        {"destination of 2 characters", profile(line("Destination:", "PR")),
         "Error 1003: Invalid Parameter(s) at PRD.P00 found..."},
        {"key alone gives an empty value", profile("Destination:\n"),
         "Error 1003: Invalid Parameter(s) at PRD.P00 found..."},
        {"key and separator alone", profile("Destination: \n"),
         "Error 1003: Invalid Parameter(s) at PRD.P00 found..."},
        {"no gateway service", profile("", "Gwservice..:"), "Error 1003: Invalid Parameter(s) at PRD.P00 found..."},
        {"password of 1 character", profile(line("Password...:", "=3>4sAJC]K@YS\\JT_VL[ZLW^")),
         "Error 1003: Invalid Parameter(s) at PRD.P00 found..."},
        {"23 characters", profile(line("Password...:", std::string(stored_password, 23))),
         "Error 1004: Invalid Password in Profile PRD.P00 found..."},
        {"trailing blank makes 25", profile(line("Password...:", std::string(stored_password) + " ")),
         "Error 1004: Invalid Password in Profile PRD.P00 found..."},
        {"header not digits", profile(line("Password...:", "A;?7N`mw\")RxsmQ)Sp6=;kfu")),
         "Error 1004: Invalid Password in Profile PRD.P00 found..."},
        {"check digit differs", profile(line("Password...:", "2;?7N`mw\")RxsmQ)Sp6=;kfu")),
         "Error 1005: Wrong Password in Profile PRD.P00 found..."},
        // The password is judged on its line, before the missing user is noticed.
        {"bad password before missing user", profile(line("Password...:", "2;?7N`mw\")RxsmQ)Sp6=;kfu"), no_user),
         "Error 1005: Wrong Password in Profile PRD.P00 found..."},
        // The file ends at the first bad password: the good one after it is never read.
        {"first bad password ends the reading",
         line("Password...:", "A;?7N`mw\")RxsmQ)Sp6=;kfu") + profile(),
         "Error 1004: Invalid Password in Profile PRD.P00 found..."},
    };
    for (const auto &c : cases) {
        run.profile_record = profile_data{};
        EXPECT_FALSE(read(c.bytes)) << c.name;
        EXPECT_STREQ(message.c_str(), c.message) << c.name;
        EXPECT_TRUE(system_failed) << c.name;
        EXPECT_EQ(run.profile_file, nullptr) << c.name;
    }
}

TEST_F(ProfileFile, ValuesKeepTheirBlanksAndLastOccurrenceWins) {
    ASSERT_TRUE(read(profile(line("Client.....:", " 100 ") + line("Gwservice..:", "sapgw01"))));
    EXPECT_STREQ(run.profile_record.client.c_str(), " 100 ");
    EXPECT_STREQ(run.profile_record.gwservice.c_str(), "sapgw01");
    // The separator column is never examined.
    ASSERT_TRUE(read(profile("Sysnr......:X01\n")));
    EXPECT_STREQ(run.profile_record.sysnr.c_str(), "01");
}

TEST_F(ProfileFile, LongValues) {
    std::string seventy(70, 'e');
    // At most 60 characters of a value are taken; the rest is ignored.
    ASSERT_TRUE(read(profile(line("Extcompany.:", seventy))));
    EXPECT_EQ(run.profile_record.extcompany.c_str(), std::string(60, 'e'));

    // Beyond its field's capacity a value is kept cut and refused, never used as
    // another destination or user: an overlong user is 1003, not 1006.
    struct {
        const char *name;
        std::string extra;
    } overlong[] = {
        {"destination of 12", line("Destination:", "PRD-CLUSTER1")},
        {"client of 12", line("Client.....:", "100000000000")},
        {"user of 48", line("User.......:", std::string(48, 'u'))},
        {"hostname of 48", line("Hostname...:", std::string(48, 'h'))},
        {"gateway service of 32", line("Gwservice..:", std::string(32, 's'))},
    };
    for (const auto &c : overlong) {
        EXPECT_FALSE(read(profile(c.extra))) << c.name;
        EXPECT_STREQ(message.c_str(), "Error 1003: Invalid Parameter(s) at PRD.P00 found...") << c.name;
    }
    EXPECT_EQ(run.profile_record.gwservice.c_str(), std::string(31, 's'));  // kept cut, not spilled
    EXPECT_STREQ(run.profile_record.gwhost.c_str(), "sapprd");

    // The gateway host holds 61: the 60-character rule cuts first, so it is never overlong.
    ASSERT_TRUE(read(profile(line("Gwhost.....:", std::string(70, 'g')))));
    EXPECT_EQ(run.profile_record.gwhost.c_str(), std::string(60, 'g'));

    // Read cut, then whole again: the later value wins and the mark goes with it.
    ASSERT_TRUE(read(profile(line("Destination:", "PRD-CLUSTER1") + line("Destination:", "QAS"))));
    EXPECT_STREQ(run.profile_record.destination.c_str(), "QAS");
    EXPECT_FALSE(run.profile_record.destination.cut);
}

TEST_F(ProfileFile, LineEnds) {
    struct {
        const char *name;
        std::string bytes;
    } cases[] = {
        {"line feed", profile(line("Client.....:", "200"))},
        {"carriage return and line feed", profile("Client.....: 200\r\n")},
        {"carriage return before the end of the file", profile("Client.....: 200\r")},
        {"no line end at the end of the file", profile("Client.....: 200")},
    };
    for (const auto &c : cases) {
        ASSERT_TRUE(read(c.bytes)) << c.name;
        EXPECT_STREQ(run.profile_record.client.c_str(), "200") << c.name;
    }
    // A carriage return inside a line is part of the value.
    ASSERT_TRUE(read(profile("Client.....: 2\r00\n")));
    EXPECT_STREQ(run.profile_record.client.c_str(), "2\r00");
}

TEST_F(ProfileFile, LongLinesAreReadInPiecesOfTheModesLength) {
    // A comment line padded to exactly one piece, with a user line glued to it: read in
    // pieces of that length, the rest of the line is a line of its own.
    auto glued = [](size_t piece) { return "*" + std::string(piece - 1, '-') + "User.......: glued\n"; };
    const std::string no_user = "User.......:";

    ASSERT_TRUE(read(profile(glued(159), no_user), profile_reading::strict));
    EXPECT_STREQ(run.profile_record.user.c_str(), "GLUED");
    run.profile_record = profile_data{};
    EXPECT_FALSE(read(profile(glued(159), no_user), profile_reading::lenient));
    EXPECT_TRUE(system_failed);

    run.profile_record = profile_data{};
    ASSERT_TRUE(read(profile(glued(199), no_user), profile_reading::lenient));
    EXPECT_STREQ(run.profile_record.user.c_str(), "GLUED");
    run.profile_record = profile_data{};
    EXPECT_FALSE(read(profile(glued(199), no_user), profile_reading::strict));  // 159 + 40 + rest
    EXPECT_STREQ(message.c_str(), "Error 1006: Username in Profile PRD.P00 is missing...");
}

TEST_F(ProfileFile, LenientModeMarksTheSystemAndReadsOn) {
    // Each defect marks the system and the whole file is read; the message names the
    // defect a strict reading would have stopped at, for the listing's detail.
    struct {
        const char *name;
        std::string bytes;
        const char *message;
    } cases[] = {
        {"invalid password", line("Password...:", "A;?7N`mw\")RxsmQ)Sp6=;kfu") + line("Hostname...:", "later"),
         "Error 1004: Invalid Password in Profile PRD.P00 found..."},
        {"wrong password", line("Password...:", "2;?7N`mw\")RxsmQ)Sp6=;kfu") + line("Hostname...:", "later"),
         "Error 1005: Wrong Password in Profile PRD.P00 found..."},
        {"short client", line("Client.....:", "10") + line("Hostname...:", "later"),
         "Error 1003: Invalid Parameter(s) at PRD.P00 found..."},
        {"wrong password, then a short client",
         line("Password...:", "2;?7N`mw\")RxsmQ)Sp6=;kfu") + line("Client.....:", "10") + line("Hostname...:", "later"),
         "Error 1005: Wrong Password in Profile PRD.P00 found..."},
    };
    for (const auto &c : cases) {
        run.profile_record = profile_data{};
        EXPECT_FALSE(read(profile(c.bytes), profile_reading::lenient)) << c.name;
        EXPECT_TRUE(system_failed) << c.name;
        EXPECT_STREQ(message.c_str(), c.message) << c.name;
        EXPECT_STREQ(run.display_host.c_str(), "later") << c.name;
        EXPECT_TRUE(run.profile_record.password.equals("Monitor#2024")) << c.name;  // a bad one leaves it
    }

    // The record is not emptied between profiles: a key missing from the next profile
    // keeps the earlier value.
    ASSERT_TRUE(read(profile(), profile_reading::lenient));
    ASSERT_TRUE(read(profile(line("Client.....:", "200"), "Client.....:"), profile_reading::lenient));
    ASSERT_TRUE(read(profile("", "Client.....:"), profile_reading::lenient));
    EXPECT_STREQ(run.profile_record.client.c_str(), "200");
}

TEST_F(ProfileFile, BundledDemoProfilesReadBack) {
    // The demo's profiles were written with the password tool; they must stay readable.
    for (const char *system : {"DEMO", "ORA", "LCK"}) {
        std::string path = std::string(KORVANEL_SOURCE_DIR) + "/demo/drives/C/PRTG/" + system + ".P00";
        run.profile_file = fopen(path.c_str(), "rb");
        ASSERT_NE(run.profile_file, nullptr) << path;
        system_failed = false;
        ASSERT_TRUE(read_profile(run, profile_reading::strict, message, system_failed)) << message.c_str();
        EXPECT_STREQ(run.profile_record.destination.c_str(), system);
        EXPECT_STREQ(run.profile_record.user.c_str(), "MONITOR");
        EXPECT_TRUE(run.profile_record.password.equals("Monitor#2024")) << system;
    }
}
