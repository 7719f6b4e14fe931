// Bounded text never overruns and always says when it had to cut.
#include "core/bounded_text.h"

#include <gtest/gtest.h>

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
