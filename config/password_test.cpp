// Unscrambling stored passwords. The vectors were computed outside this program from
// the key and the rules, so they pin both: a changed key byte or a misread rule would
// make profiles already in the field unusable.
#include "config/password.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Key : ::testing::Test {
    unsigned char key[password_key_length];
    void SetUp() override { build_password_key(key); }
};

}  // namespace

TEST_F(Key, UnscramblesStoredValues) {
    struct {
        const char *name;
        std::string stored;
        password_outcome outcome;
        const char *plain;  // the field afterwards; it held "before" on entry
    } cases[] = {
        {"demo password", "3;?7N`mw\")RxsmQ)Sp6=;kfu", password_outcome::good, "Monitor#2024"},
        {"offset 3, length 9", "<0><Vvd\\&BM\\BYQOTYK&h\x7F" "dg", password_outcome::good, "SecretPw1"},
        {"length 00 gives an empty password", ";3>5J@KB\\JAXR]MW@UKXUOP]", password_outcome::good, ""},
        {"length beyond 20 gives the whole body", ";67<@ORDGRH_JTFOYZSA^DIZ", password_outcome::good,
         "ABCDEFGHIJKLMNOPQRST"},
        // A body character that unscrambles to a zero byte is left out of the read order.
        {"zero byte left out", std::string("?4>1vaj\x7Fmzwibozepf}kj}g\x0F", 24), password_outcome::good, "abcd"},
        {"empty value", "", password_outcome::good, ""},
        {"check digit differs", "2;?7N`mw\")RxsmQ)Sp6=;kfu", password_outcome::wrong, "before"},
        {"header not digits", "A;?7N`mw\")RxsmQ)Sp6=;kfu", password_outcome::invalid, "before"},
        {"23 characters", "3;?7N`mw\")RxsmQ)Sp6=;kf", password_outcome::invalid, "before"},
        {"25 characters (a trailing blank)", "3;?7N`mw\")RxsmQ)Sp6=;kfu ", password_outcome::invalid, "before"},
        {"short value", "3;", password_outcome::invalid, "before"},
    };
    for (const auto &c : cases) {
        bounded_text<password_capacity> plain;
        plain.assign("before");
        EXPECT_EQ(unscramble_password(key, c.stored.c_str(), plain), c.outcome) << c.name;
        EXPECT_STREQ(plain.c_str(), c.plain) << c.name;
    }
}

TEST_F(Key, EveryCheckDigitButTheRightOneIsWrong) {
    // "<" is check digit 7 of the "offset 3, length 9" vector; the other digits fail.
    std::string stored = "<0><Vvd\\&BM\\BYQOTYK&h\x7F" "dg";
    int good = 0;
    for (char digit = '0'; digit <= '9'; ++digit) {
        stored[0] = static_cast<char>(digit ^ key[0]);
        bounded_text<password_capacity> plain;
        if (unscramble_password(key, stored.c_str(), plain) == password_outcome::good) ++good;
    }
    EXPECT_EQ(good, 1);
}

TEST_F(Key, HeaderDigitsStayPrintable) {
    // Positions 0 to 3 of the key keep every header digit a printable character.
    for (size_t i = 0; i < password_header_length; ++i)
        for (char digit = '0'; digit <= '9'; ++digit) {
            char stored = static_cast<char>(digit ^ key[i]);
            EXPECT_TRUE(stored > ' ' && stored <= '~') << i << " " << digit;
        }
}

TEST(PasswordCheckDigit, CountsOnlyLettersAndDigits) {
    EXPECT_EQ(password_check_digit(""), '0');
    EXPECT_EQ(password_check_digit("A"), '5');      // 65
    EXPECT_EQ(password_check_digit("A#- ~"), '5');  // punctuation and blanks do not count
    EXPECT_EQ(password_check_digit("z9"), '9');     // 122 + 57 = 179
}
