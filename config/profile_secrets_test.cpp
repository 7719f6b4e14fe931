// Where a profile's user and password come from besides its scrambled line: PRTG's
// environment variables and a protected line. Natively a protected line is always
// refused (1004), which lets these tests see how far it was read: a damaged or overlong
// line is refused for that, a whole one for want of Windows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "config/password.h"
#include "config/profile_file.h"
#include "config/protected_password.h"

namespace {

void set_variable(const char *name, const char *value) {
#ifdef _WIN32
    _putenv_s(name, value == nullptr ? "" : value);
#else
    if (value == nullptr)
        unsetenv(name);
    else
        setenv(name, value, 1);
#endif
}

// A profile of PRD without its user and password lines, and `extra` at its end.
std::string profile(const std::string &extra, bool with_user = true) {
    std::string text =
        "Extcompany.: Korvanel Test\nDestination: PRD\nClient.....: 100\nLanguage...: EN\nMode.......: R/3\n"
        "Hostname...: sapprd\nSysnr......: 00\nGwhost.....: sapprd\nGwservice..: sapgw00\n";
    if (with_user) text += "User.......: monitor\n";
    return text + extra;
}

struct ProfileSecrets : ::testing::Test {
    run_record run{};
    run_message message;
    bool system_failed = false;
    bool rejected = false;
    std::string file_name_text = std::string("profile_secrets_test.") +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".tmp";

    void SetUp() override {
        build_password_key(run.password_key);
        run.profile_name.assign("PRD.P00");
        run.profile_path.assign("C:\\PRTG\\prd.p00");
        set_variable("prtg_windowsuser", nullptr);
        set_variable("prtg_windowspassword", nullptr);
    }
    void TearDown() override {
        remove(file_name_text.c_str());
        set_variable("prtg_windowsuser", nullptr);
        set_variable("prtg_windowspassword", nullptr);
    }
    bool read(const std::string &bytes, profile_reading mode = profile_reading::strict) {
        FILE *file = fopen(file_name_text.c_str(), "wb");
        fwrite(bytes.data(), 1, bytes.size(), file);
        fclose(file);
        run.profile_file = fopen(file_name_text.c_str(), "rb");
        system_failed = false;
        return read_profile(run, mode, message, system_failed, &rejected);
    }
};

}  // namespace

TEST_F(ProfileSecrets, CredentialsFromPrtg) {
    set_variable("prtg_windowsuser", "monitor");
    set_variable("prtg_windowspassword", "Prd#Monitor1");
    ASSERT_TRUE(read(profile("Credentials: prtg_windowsuser prtg_windowspassword\n", false))) << message.c_str();
    EXPECT_STREQ(run.profile_record.user.c_str(), "MONITOR");
    EXPECT_STREQ(run.profile_record.password.c_str(), "Prd#Monitor1");

    // The password alone, in any letter case; the user from the profile; PRTG's word
    // counts over a scrambled line the profile still has.
    set_variable("prtg_windowsuser", "someone");
    ASSERT_TRUE(read(profile("Password...: 3;?7N`mw\")RxsmQ)Sp6=;kfu\nCredentials: PRTG_WindowsPassword\n")))
        << message.c_str();
    EXPECT_STREQ(run.profile_record.user.c_str(), "MONITOR");
    EXPECT_STREQ(run.profile_record.password.c_str(), "Prd#Monitor1");
}

TEST_F(ProfileSecrets, MissingPrtgCredentialsFailWithTodaysMessages) {
    struct {
        const char *name;
        const char *user;      // prtg_windowsuser, null: not set
        const char *password;  // prtg_windowspassword
        const char *message;
        const char *note;      // a part of the trace note
    } cases[] = {
        {"no user variable", nullptr, "pw", "Error 1006: Username in Profile PRD.P00 is missing...",
         "prtg_windowsuser is not set: PRTG hands over the device's \"Credentials for Windows Systems\" only when the "
         "sensor's \"Set placeholders as environment values\" is on"},
        {"empty user", "", "pw", "Error 1006: Username in Profile PRD.P00 is missing...",
         "prtg_windowsuser is empty: enter it in the device's \"Credentials for Windows Systems\""},
        {"no password variable", "monitor", nullptr, "Error 1007: Password in Profile PRD.P00 is missing...",
         "prtg_windowspassword is not set"},
        {"empty password", "monitor", "", "Error 1007: Password in Profile PRD.P00 is missing...",
         "prtg_windowspassword is empty"},
        {"password longer than a profile holds", "monitor", "0123456789012345678901234567890123",
         "Error 1004: Invalid Password in Profile PRD.P00 found...", "longer than 31 characters"},
    };
    for (const auto &c : cases) {
#ifdef _WIN32
        // The C runtime's _putenv_s removes a variable set to nothing, so this process
        // cannot make an empty one; PRTG's empty values are the POSIX build's cases.
        if ((c.user != nullptr && c.user[0] == '\0') || (c.password != nullptr && c.password[0] == '\0')) continue;
#endif
        set_variable("prtg_windowsuser", c.user);
        set_variable("prtg_windowspassword", c.password);
        EXPECT_FALSE(read(profile("Credentials: prtg_windowsuser prtg_windowspassword\n", false))) << c.name;
        EXPECT_STREQ(message.c_str(), c.message) << c.name;
        EXPECT_NE(run.password_note.find(c.note), -1) << c.name << ": " << run.password_note.c_str();
        if (c.password != nullptr && c.password[0] != '\0') {
            EXPECT_EQ(run.password_note.find(c.password), -1) << c.name << ": the note shows the password";
        }
    }
}

TEST_F(ProfileSecrets, CredentialsLineNamesOnlyPrtgsTwoVariables) {
    set_variable("prtg_windowspassword", "Prd#Monitor1");
    for (const char *value : {"", "prtg_windowsdomain", "prtg_windowspassword prtg_linuxpassword", "%windowspassword%"}) {
        EXPECT_FALSE(read(profile(std::string("Credentials: ") + value + "\n"))) << value;
        EXPECT_STREQ(message.c_str(), "Error 1004: Invalid Password in Profile PRD.P00 found...") << value;
        EXPECT_TRUE(run.profile_record.password.empty()) << value;
    }
}

TEST_F(ProfileSecrets, ProtectedLineIsReadWholeAndRefusedOffWindows) {
    std::string whole(600, 'A');  // base64 of 450 zero bytes: several pieces of the reader
    struct {
        const char *name;
        std::string value;
        const char *note;
    } cases[] = {
#ifndef _WIN32
        {"a whole line of 600 characters", whole, "a protected password can be read only on Windows"},
#endif
        {"a character outside base64", whole.substr(0, 300) + "*" + whole.substr(301), "is damaged"},
        {"cut by one character", whole.substr(1), "is damaged"},
        {"longer than the limit", std::string(protected_value_limit + 4, 'A'), "longer than 2048 characters"},
    };
    for (profile_reading mode : {profile_reading::strict, profile_reading::lenient}) {
        for (const auto &c : cases) {
            // A scrambled line before it must not stand in for the protected one.
            EXPECT_FALSE(
                read(profile("Password...: 3;?7N`mw\")RxsmQ)Sp6=;kfu\nProtected..: " + c.value + "\r\nLanguage...: DE\n"),
                     mode))
                << c.name;
            EXPECT_STREQ(message.c_str(), "Error 1004: Invalid Password in Profile PRD.P00 found...") << c.name;
            EXPECT_NE(run.password_note.find(c.note), -1) << c.name << ": " << run.password_note.c_str();
            EXPECT_TRUE(run.profile_record.password.empty()) << c.name;
            EXPECT_TRUE(rejected) << c.name;
            // The line after the long one is read as a line of its own.
            EXPECT_STREQ(run.profile_record.language.c_str(), "DE") << c.name;
        }
    }
}

TEST(ProtectedPassword, Base64RoundTripAndRefusals) {
    for (size_t length = 0; length < 8; ++length) {
        unsigned char bytes[8] = {0x00, 0xFF, 0x10, 0x80, 0x7F, 0x3E, 0x3F, 0x01};
        bounded_text<protected_value_limit> text;
        ASSERT_TRUE(encode_base64(bytes, length, text));
        EXPECT_EQ(text.length, (length + 2) / 3 * 4);
        unsigned char back[8];
        size_t count = 0;
        if (length == 0) continue;
        ASSERT_TRUE(decode_base64((std::string(text.c_str()) + "  ").c_str(), back, sizeof back, count)) << length;
        EXPECT_EQ(std::string(reinterpret_cast<char *>(back), count), std::string(reinterpret_cast<char *>(bytes), length));
    }
    unsigned char out[16];
    size_t count = 0;
    EXPECT_TRUE(decode_base64("TWFu", out, sizeof out, count));
    EXPECT_EQ(std::string(reinterpret_cast<char *>(out), count), "Man");
    for (const char *bad : {"", "TWF", "TW=u", "T===", "TWFu=", "TW u", "TWFu\tTWFu", "=WFu", "TQ==TWFu"})
        EXPECT_FALSE(decode_base64(bad, out, sizeof out, count)) << bad;
    EXPECT_FALSE(decode_base64("TWFuTWFu", out, 5, count));
}

TEST(ProtectedPassword, EntropyIsTheUpperCasedFileName) {
    struct {
        const char *path;
        const char *entropy;
    } cases[] = {{"prd.p00", "PRD.P00"},
                 {"C:\\Program Files (x86)\\PRTG Network Monitor\\Custom Sensors\\EXEXML\\Prd.P00", "PRD.P00"},
                 {"C:qas.p01", "QAS.P01"},
                 {"sub/dir/x.P00", "X.P00"}};
    for (const auto &c : cases) {
        protection_entropy entropy;
        protection_entropy_of(c.path, entropy);
        EXPECT_STREQ(entropy.c_str(), c.entropy) << c.path;
    }
}
