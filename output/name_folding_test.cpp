// Names in any letter case: the letters Windows pairs, in a listing saved in the probe's
// ANSI code page (Windows-1252) or in UTF-8, and the characters that must stay apart.
#include "output/name_folding.h"

#include <gtest/gtest.h>

TEST(NameFolding, SameNameInAnyLetterCaseAndEncoding) {
    struct {
        const char *a;
        const char *b;
        bool same;
    } cases[] = {
        {"PRD.P00", "prd.p00", true},
        {"PRD.P00", "PRD.P01", false},              // the extension makes another file
        {"PRD", "PRD.P00", false},
        {"", "", true},
        {"PRD", "PRDX", false},
        {"PR\xc3\x9c" "F", "pr\xc3\xbc" "f", true},    // Ü and ü in UTF-8
        {"PR\xdc" "F", "pr\xfc" "f", true},             // Ü and ü in Windows-1252
        {"PR\xdc" "F", "pr\xc3\xbc" "f", true},         // one of each: the same character
        {"\xc3\xa9t\xc3\xa9", "\xc9T\xc9", true},       // été / ÉTÉ
        {"\x9e" "ar", "\x8e" "AR", true},               // ž / Ž in Windows-1252
        {"\xff", "\xc5\xb8", true},                     // ÿ in Windows-1252, Ÿ in UTF-8
        {"\xc5\x93", "\x8c", true},                     // œ in UTF-8, Œ in Windows-1252
        {"\xc4\x8d", "\xc4\x8c", true},                 // č / Č
        {"\xc5\xba", "\xc5\xb9", true},                 // ź / Ź: a run that begins with the capital's odd code
        {"\xc4\xbe", "\xc4\xbd", true},                 // ľ / Ľ
        {"\xce\xb1\xcf\x82", "\xce\x91\xce\xa3", true},  // ας / ΑΣ: final sigma too
        {"\xce\xac", "\xce\x86", true},                 // ά / Ά
        {"\xcf\x8e", "\xce\x8f", true},                 // ώ / Ώ
        {"\xd0\xb6", "\xd0\x96", true},                 // ж / Ж
        {"\xd1\x97", "\xd0\x87", true},                 // ї / Ї
        {"\xc3\x9f", "SS", false},                      // ß has no one-letter capital
        {"\xc4\xb1", "I", false},                       // the dotless ı stays apart
        {"\xc4\xb1", "\xc4\xb0", false},                // and from the dotted İ
        {"\xf7", "\xd7", false},                        // ÷ and × are no letters
        {"\xc3\xa9", "e", false},
        {"\xc3", "\xc3\xa3", true},                     // a lone lead byte is Ã in Windows-1252, ã's capital
    };
    for (const auto &c : cases) {
        EXPECT_EQ(same_folded_name(c.a, c.b), c.same) << c.a << " / " << c.b;
        EXPECT_EQ(same_folded_name(c.b, c.a), c.same) << c.b << " / " << c.a;
    }
}

TEST(NameFolding, EveryFoldedLetterIsACapitalThatStaysPut) {
    // A fold that is not its own fold would make "same name" depend on the order of
    // comparison; a capital must come out as it went in.
    for (unsigned long c = 0; c < 0x500; ++c) {
        unsigned long folded = fold_letter_case(c);
        EXPECT_EQ(fold_letter_case(folded), folded) << std::hex << c;
    }
    for (unsigned long capital : {0x41ul, 0xC0ul, 0xDEul, 0x100ul, 0x139ul, 0x178ul, 0x17Dul, 0x391ul, 0x410ul, 0x400ul})
        EXPECT_EQ(fold_letter_case(capital), capital) << std::hex << capital;
}
