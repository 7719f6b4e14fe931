// UTF-16 to ISO-8859-1 and back: what ISO-8859-1 lacks arrives as '#'.
#include "rfc_bridge/text_conversion.h"

#include <gtest/gtest.h>

#include <string>

TEST(BridgeTextConversion, FixedFieldsFromUtf16) {
    struct row {
        std::u16string in;
        std::string out;
    } rows[] = {
        {u"DB4       ", "DB4       "},
        {u"M\u00fcller", "M\xfcller"},          // in ISO-8859-1: kept
        {u"\u20ac 5", "# 5"},                     // the euro sign is not
        {u"\u4e2d\u6587AB", "##AB"},
        {u"A\U0001F600B", "A#B "},                // one character, two units: padded at the end
        {u"\xd800X", "#X"},                       // a lone surrogate is one unknown character
    };
    for (const row &r : rows) {
        std::string out(r.in.size(), '?');
        utf16_to_latin1(r.in.data(), r.in.size(), &out[0]);
        EXPECT_EQ(out, r.out);
    }
}

TEST(BridgeTextConversion, TextsBothWays) {
    char16_t wide[8];
    ASSERT_TRUE(latin1_to_utf16_text("R\xe9seau", wide, 8));
    EXPECT_EQ(std::u16string(wide), u"R\u00e9seau");
    EXPECT_FALSE(latin1_to_utf16_text("ABCDEFGHIJ", wide, 8));
    EXPECT_EQ(std::u16string(wide), u"ABCDEFG");

    char narrow[6];
    ASSERT_TRUE(utf16_to_latin1_text(u"\u0100bc", narrow, 6));
    EXPECT_STREQ(narrow, "#bc");
    EXPECT_FALSE(utf16_to_latin1_text(u"abcdefgh", narrow, 6));
    EXPECT_STREQ(narrow, "abcde");

    char16_t field[3];
    latin1_to_utf16("\xff\x01z", 3, field);
    EXPECT_EQ(field[0], 0xFF);
    EXPECT_EQ(field[1], 1);
    EXPECT_EQ(field[2], u'z');
}
