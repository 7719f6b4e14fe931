// The password tool's scrambling against the sensor's own reader: every stored value
// it makes is printable, survives a profile file and reads back as the password.
#include "password_tool/password_scrambler.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "config/profile_file.h"

namespace {

struct Scrambler : ::testing::Test {
    unsigned char key[password_key_length];
    uint32_t state = 20240829;
    void SetUp() override { build_password_key(key); }

    std::string random_password() {
        size_t length = shortest_password + next_random(state) % (password_body_length - shortest_password + 1);
        std::string plain;
        for (size_t i = 0; i < length; ++i) plain += static_cast<char>(' ' + next_random(state) % 95);
        return plain;
    }
};

// Reads a complete profile whose password line carries `stored`, in strict mode;
// returns the message, or "plain=" and the password read.
std::string read_back(const char *stored) {
    const char *name = "password_scrambler_test.tmp";
    FILE *file = fopen(name, "wb");
    if (file == nullptr) return "cannot write";
    fprintf(file,
            "Extcompany.: Korvanel Test\nDestination: PRD\nClient.....: 100\nUser.......: MONITOR\n"
            "Password...: %s\nLanguage...: EN\nMode.......: R/3\nHostname...: sapprd\n"
            "Sysnr......: 00\nGwhost.....: sapprd\nGwservice..: sapgw00\n",
            stored);
    fclose(file);
    static run_record run;
    run = run_record{};
    build_password_key(run.password_key);
    run.profile_name.assign("PRD.P00");
    run.profile_file = fopen(name, "rb");
    run_message message;
    bool system_failed = false;
    bool usable = read_profile(run, profile_reading::strict, message, system_failed);
    remove(name);
    return usable ? std::string("plain=") + run.profile_record.password.c_str() : message.c_str();
}

bool storable_text(const char *stored) {
    std::string text(stored);
    if (text.size() != stored_password_length || text.front() == ' ' || text.back() == ' ') return false;
    for (char c : text)
        if (c < ' ' || c > '~') return false;
    return true;
}

}  // namespace

TEST_F(Scrambler, DemoPasswordReadsBack) {
    char stored[stored_password_length + 1];
    ASSERT_EQ(scramble_password(key, "Monitor#2024", state, stored), scramble_refusal::none);
    EXPECT_EQ(read_back(stored), "plain=Monitor#2024");
}

TEST_F(Scrambler, EveryStoredValueIsPrintableAndReadsBackThroughAProfile) {
    // Failures name the case number, never the password.
    for (int i = 0; i < 400; ++i) {
        std::string plain = random_password();
        char stored[stored_password_length + 1];
        scramble_refusal refusal = scramble_password(key, plain.c_str(), state, stored);
        if (refusal == scramble_refusal::no_printable_form) continue;  // rare; refused openly
        ASSERT_EQ(refusal, scramble_refusal::none) << "case " << i;
        ASSERT_TRUE(storable_text(stored)) << "case " << i;
        ASSERT_TRUE(read_back(stored) == "plain=" + plain) << "case " << i;
    }
}

TEST_F(Scrambler, ManyMorePasswordsUnscrambleDirectly) {
    int refused = 0;
    for (int i = 0; i < 20000; ++i) {
        std::string plain = random_password();
        char stored[stored_password_length + 1];
        scramble_refusal refusal = scramble_password(key, plain.c_str(), state, stored);
        if (refusal == scramble_refusal::no_printable_form) {
            ++refused;
            continue;
        }
        bounded_text<password_capacity> back;
        ASSERT_EQ(refusal, scramble_refusal::none) << "case " << i;
        ASSERT_TRUE(storable_text(stored)) << "case " << i;
        ASSERT_EQ(unscramble_password(key, stored, back), password_outcome::good) << "case " << i;
        ASSERT_TRUE(back.equals(plain.c_str())) << "case " << i;
    }
    EXPECT_LT(refused, 5);  // such passwords are very rare
}

TEST_F(Scrambler, RefusesWhatAProfileCannotHold) {
    struct {
        const char *name;
        std::string plain;
        scramble_refusal refusal;
    } cases[] = {
        {"empty", "", scramble_refusal::empty},
        {"one character", "x", scramble_refusal::too_short},
        {"21 characters", std::string(21, 'x'), scramble_refusal::too_long},
        {"tab", "pass\tword", scramble_refusal::not_printable},
        {"delete", "pass\x7Fword", scramble_refusal::not_printable},
        {"latin-1 letter", "pass\xE9word", scramble_refusal::not_printable},
        // Built so that every offset turns one of its characters into DEL.
        {"no printable form", "ttzis}qrog", scramble_refusal::no_printable_form},
    };
    for (const auto &c : cases) {
        char stored[stored_password_length + 1] = "x";
        EXPECT_EQ(scramble_password(key, c.plain.c_str(), state, stored), c.refusal) << c.name;
        EXPECT_STREQ(stored, "") << c.name;
    }
    EXPECT_EQ(check_plain_password("ab\0cd", 5), scramble_refusal::not_printable);
    EXPECT_EQ(check_plain_password(" ~", 2), scramble_refusal::none);
}

TEST_F(Scrambler, HeaderCarriesOffsetAndLength) {
    // Length digits 00 with a matching check digit: an empty password, as the reader
    // sees it, reported as missing (1007) rather than as wrong.
    char stored[stored_password_length + 1];
    ASSERT_TRUE(scramble_body(key, "ABCDEFGHIJKLMNOPQRST", 0, 0, stored));
    EXPECT_EQ(read_back(stored), "Error 1007: Password in Profile PRD.P00 is missing...");
    ASSERT_TRUE(scramble_body(key, "ABCDEFGHIJKLMNOPQRST", 9, 20, stored));
    EXPECT_EQ(read_back(stored), "plain=ABCDEFGHIJKLMNOPQRST");
}
