// The password line goes where the sensor reads it last, and nothing else of the
// profile changes: encoding, line ends and every other line stay as they were.
#include "password_tool/profile_password_line.h"
#include "host/utf16_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char *const stored = "<;?7N`mw\")Odu9!e}z6=;kfu";
const std::string line = std::string("Password...: ") + stored;

std::string put(const std::string &profile, password_line_edit &edit, size_t capacity = 4096) {
    unsigned char out[4096];
    size_t length = 0;
    bool fits = put_password_line(reinterpret_cast<const unsigned char *>(profile.data()), profile.size(),
                                  scrambled_password_key, protected_password_key, stored, out, capacity, &length, edit);
    return fits ? std::string(reinterpret_cast<char *>(out), length) : "(does not fit)";
}

}  // namespace

TEST(ProfilePasswordLine, ReplacesTheLastLineOrAddsOne) {
    const std::string le_mark = "\xFF\xFE", be_mark = "\xFE\xFF", utf8_mark = "\xEF\xBB\xBF";
    struct {
        const char *name;
        std::string profile;
        std::string expected;
        bool replaced;
        size_t line_number;
        size_t earlier;
    } cases[] = {
        {"no final line end", "User.......: M\nMode.......: R/3", "User.......: M\nMode.......: R/3\n" + line + "\n",
         false, 3, 0},
        {"old wrong line in the middle, CR LF", "User.......: M\r\nPassword...: wrong\r\nMode.......: R/3\r\n",
         "User.......: M\r\n" + line + "\r\nMode.......: R/3\r\n", true, 2, 0},
        {"the last of two lines", "Password...: one\nPassword...: two\nx\n", "Password...: one\n" + line + "\nx\n", true,
         2, 1},
        {"last line without line end", "x\r\nPassword...: old", "x\r\n" + line, true, 2, 0},
        {"key in other case is no key", "password...: old\n", "password...: old\n" + line + "\n", false, 2, 0},
        {"empty profile", "", line + "\r\n", false, 1, 0},
        {"line ends of the first line", "a\nb\r\nc", "a\nb\r\nc\n" + line + "\n", false, 4, 0},
        {"cr ends the file", "a\r\nb\r", "a\r\nb\r\n" + line + "\r\n", false, 3, 0},
        {"utf-8 mark", utf8_mark + "Password...: old\r\n", utf8_mark + line + "\r\n", true, 1, 0},
        {"utf-16 le", le_mark + utf16_le("a\r\nPassword...: old\r\nb"), le_mark + utf16_le("a\r\n" + line + "\r\nb"), true, 2, 0},
        {"utf-16 be, added", be_mark + utf16_be("a\r\nb"), be_mark + utf16_be("a\r\nb\r\n" + line + "\r\n"), false, 3, 0},
        // PowerShell's ">>" appended the old line in UTF-16 LE; the new one is ANSI like the file.
        {"appended utf-16 le line", "a\r\n" + utf16_le("Password...: old\r\n"), "a\r\n" + line + "\r\n", true, 2, 0},
        {"appended utf-16 le line, then ANSI", "a\n" + utf16_le("Password...: old\r\n") + "b\n", "a\n" + line + "\r\nb\n",
         true, 2, 0},
    };
    for (const auto &c : cases) {
        password_line_edit edit;
        EXPECT_EQ(put(c.profile, edit), c.expected) << c.name;
        EXPECT_EQ(edit.replaced, c.replaced) << c.name;
        EXPECT_EQ(edit.line_number, c.line_number) << c.name;
        EXPECT_EQ(edit.earlier_lines, c.earlier) << c.name;
    }
}

TEST(ProfilePasswordLine, RefusesWhenTheResultDoesNotFit) {
    password_line_edit edit;
    std::string profile = "User.......: M\n";
    EXPECT_EQ(put(profile, edit, profile.size() + line.size()), "(does not fit)");
    EXPECT_EQ(put(profile, edit, profile.size() + line.size() + 1), profile + line + "\n");
}

// Either form of the password replaces the other: a profile never keeps a scrambled
// line beside its protected one, nor a protected line that would hide a new scrambled one.
TEST(ProfilePasswordLine, RemovesTheOtherFormOfThePassword) {
    const std::string le_mark = "\xFF\xFE";
    const std::string blob = "AQAAANCMnd8BFdERjHoAwE/Cl+s=";
    const std::string protected_line = "Protected..: " + blob;
    struct {
        const char *name;
        const char *key;
        const char *other;
        std::string profile;
        std::string expected;
        size_t line_number;
        size_t removed;
    } cases[] = {
        {"protected replaces scrambled", protected_password_key, scrambled_password_key,
         "a\r\nPassword...: old\r\nb\r\n", "a\r\n" + protected_line + "\r\nb\r\n", 2, 1},
        {"protected replaces its own line, scrambled ones go", protected_password_key, scrambled_password_key,
         "Password...: one\nProtected..: x\nPassword...: two\nb\n", protected_line + "\nb\n", 1, 2},
        {"scrambled replaces protected", scrambled_password_key, protected_password_key,
         "a\nProtected..: xyz\n", "a\n" + line + "\n", 2, 1},
        {"utf-16 le", protected_password_key, scrambled_password_key, le_mark + utf16_le("a\r\nPassword...: old\r\nb"),
         le_mark + utf16_le("a\r\n" + protected_line + "\r\nb"), 2, 1},
    };
    for (const auto &c : cases) {
        unsigned char out[4096];
        size_t length = 0;
        password_line_edit edit;
        const std::string &value = c.key == protected_password_key ? blob : std::string(stored);
        ASSERT_TRUE(put_password_line(reinterpret_cast<const unsigned char *>(c.profile.data()), c.profile.size(), c.key,
                                      c.other, value.c_str(), out, sizeof out, &length, edit))
            << c.name;
        EXPECT_EQ(std::string(reinterpret_cast<char *>(out), length), c.expected) << c.name;
        EXPECT_EQ(edit.line_number, c.line_number) << c.name;
        EXPECT_EQ(edit.removed_lines, c.removed) << c.name;
    }
}
