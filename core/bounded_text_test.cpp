// Bounded text never overruns and always says when it had to cut.
#include "core/bounded_text.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(BoundedText, AppendCutsAtCapacityAndMarksIt) {
    bounded_text<5> text;
    EXPECT_TRUE(text.assign("abc"));
    EXPECT_FALSE(text.cut);
    EXPECT_FALSE(text.append("defg"));
    EXPECT_STREQ(text.c_str(), "abcde");
    EXPECT_EQ(text.size(), 5u);
    EXPECT_TRUE(text.cut);
    EXPECT_FALSE(text.append_char('x'));
    EXPECT_STREQ(text.c_str(), "abcde");
    EXPECT_TRUE(text.assign("z"));  // a fresh value clears the mark
    EXPECT_FALSE(text.cut);
}

TEST(BoundedText, AppendStopsAtCountOrNul) {
    const char field[] = {'A', 'B', '\0', 'C'};
    bounded_text<10> text;
    text.append(field, 4);
    EXPECT_STREQ(text.c_str(), "AB");
    text.append("XYZ", 2);
    EXPECT_STREQ(text.c_str(), "ABXY");
    EXPECT_FALSE(text.cut);
}

TEST(BoundedText, FormatCutsAndTerminates) {
    bounded_text<8> text;
    EXPECT_TRUE(text.format("%02d:%02d:%02d", 14, 3, 59));
    EXPECT_STREQ(text.c_str(), "14:03:59");
    EXPECT_FALSE(text.append_format("%s", "!"));
    EXPECT_STREQ(text.c_str(), "14:03:59");
    EXPECT_FALSE(text.format("%s", "123456789"));
    EXPECT_STREQ(text.c_str(), "12345678");
    EXPECT_EQ(text.size(), 8u);
}

TEST(BoundedText, UpperCasesOnlyAsciiLetters) {
    bounded_text<20> text;
    text.assign("ab-z\xe4{`}~Item=");
    text_upper_ascii(text.data);
    EXPECT_STREQ(text.c_str(), "AB-Z\xe4{`}~ITEM=");
}

TEST(BoundedText, FindsAndCompares) {
    bounded_text<20> text;
    text.assign("A,HOST=x");
    EXPECT_EQ(text.find(",HOST="), 1);
    EXPECT_EQ(text.find("NO="), -1);
    EXPECT_TRUE(text.starts_with("A,"));
    EXPECT_TRUE(text.equals("A,HOST=x"));
    EXPECT_FALSE(text.equals("A,HOST=xy"));
    EXPECT_FALSE(text.equals("A,HOST="));
}

TEST(BoundedText, CutTextDoesNotEndInsideACharacter) {
    struct {
        const char *text;
        const char *kept;
    } cases[] = {
        {"Werk M\xc3", "Werk M"},                   // two-byte character cut after its lead
        {"Preis \xe2\x82", "Preis "},               // three-byte character cut after two bytes
        {"\xf0\x9f\x98", ""},                       // four-byte character cut after three bytes
        {"Werk M\xc3\xbc", "Werk M\xc3\xbc"},       // a whole character stays
        {"Preis \xe2\x82\xac", "Preis \xe2\x82\xac"},
        {"Werk M\xfc", "Werk M\xfc"},               // an ANSI byte that leads nothing stays
        {"x\x80\x80\x80\x80", "x\x80\x80\x80\x80"},  // stray continuation bytes stay
        {"", ""},
    };
    for (const auto &c : cases) {
        bounded_text<31> text;
        text.assign(c.text);
        text_drop_cut_character(text.data, &text.length);
        EXPECT_STREQ(text.c_str(), c.kept) << c.text;
        EXPECT_EQ(text.length, strlen(c.kept)) << c.text;
    }
}
