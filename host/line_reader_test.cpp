// The shared line reader splits lines into the same pieces on every host, and reads
// the files administrators save with Notepad or PowerShell as the text they show.
#include "host/line_reader.h"
#include "host/utf16_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

enum class reading { pieces, lines, lines_of_bytes_file };

std::vector<std::string> pieces_of(const std::string &bytes, size_t max_characters, reading how) {
    // A named file in the working directory: tmpfile() wants the drive root on Windows.
    const char *name = "line_reader_test.tmp";
    FILE *file = fopen(name, "w+b");
    EXPECT_NE(file, nullptr);
    if (file == nullptr) return {};
    fwrite(bytes.data(), 1, bytes.size(), file);
    rewind(file);
    std::vector<std::string> pieces;
    char buffer[256];
    text_reader reader;
    open_text_reader(reader, file, text_decoding::as_saved);
    if (how == reading::lines_of_bytes_file) {
        while (read_line(file, buffer, max_characters)) pieces.push_back(buffer);
    } else {
        while (how == reading::lines ? read_line(reader, buffer, max_characters)
                                     : read_piece(reader, buffer, max_characters))
            pieces.push_back(buffer);
    }
    fclose(file);
    remove(name);
    return pieces;
}

struct piece_case {
    const char *name;
    std::string bytes;
    size_t max;
    reading how;
    std::vector<std::string> expected;
};

void check(const piece_case *cases, size_t count) {
    for (size_t i = 0; i < count; ++i)
        EXPECT_EQ(pieces_of(cases[i].bytes, cases[i].max, cases[i].how), cases[i].expected) << cases[i].name;
}

}  // namespace

TEST(LineReader, SplitsPiecesLikeTextModeReads) {
    const piece_case cases[] = {
        {"lf", "ab\ncd\n", 99, reading::pieces, {"ab\n", "cd\n"}},
        {"crlf arrives as lf", "ab\r\ncd", 99, reading::pieces, {"ab\n", "cd"}},
        {"lone cr stays", "a\rb\n", 99, reading::pieces, {"a\rb\n"}},
        {"long line in pieces", "abcdefg\n", 3, reading::pieces, {"abc", "def", "g\n"}},
        // CR LF counts as one character, so it fits into the last place of a piece.
        {"crlf at the limit", "ab\r\ncd\n", 3, reading::pieces, {"ab\n", "cd\n"}},
        {"line feed in the next piece", "abc\n", 3, reading::pieces, {"abc", "\n"}},
        {"ctrl-z is ordinary", std::string("a\x1a" "b\n", 4), 99, reading::pieces, {"a\x1a" "b\n"}},
        {"strip lf", "ab\n\ncd", 99, reading::lines, {"ab", "", "cd"}},
        {"strip cr before end of file", "ab\r", 99, reading::lines, {"ab"}},
        {"strip crlf", "ab\r\n", 99, reading::lines, {"ab"}},
        {"nul ends the text", std::string("ab\0cd\nef", 8), 99, reading::pieces, {"ab", "ef"}},
        {"empty file", "", 99, reading::pieces, {}},
        {"bytes file: same pieces", "ab\r\ncdefg", 3, reading::lines_of_bytes_file, {"ab", "cde", "fg"}},
    };
    check(cases, sizeof cases / sizeof cases[0]);
}

TEST(LineReader, ReadsTheEncodingsEditorsSave) {
    const std::string utf8_mark = "\xEF\xBB\xBF", le_mark = "\xFF\xFE", be_mark = "\xFE\xFF";
    const piece_case cases[] = {
        {"utf-8 mark skipped", utf8_mark + "Destination: PRD\r\nx\r\n", 99, reading::lines, {"Destination: PRD", "x"}},
        {"utf-8 mark only at the start", "a\n" + utf8_mark + "b", 99, reading::lines, {"a", utf8_mark + "b"}},
        {"utf-16 le with mark", le_mark + utf16_le("User.......: x\r\nab"), 99, reading::lines, {"User.......: x", "ab"}},
        {"utf-16 be with mark", be_mark + utf16_be("User.......: x\r\nab\r\n"), 99, reading::lines, {"User.......: x", "ab"}},
        {"utf-16 pieces count characters", le_mark + utf16_le("abcdefg\r\n"), 3, reading::pieces, {"abc", "def", "g\n"}},
        {"utf-16 nul ends the text", le_mark + utf16_le(std::string("ab\0cd\nef", 8)), 99, reading::lines, {"ab", "ef"}},
        {"utf-16 lone last byte dropped", le_mark + utf16_le("ab") + "c", 99, reading::lines, {"ab"}},
        // PowerShell's ">>" appends UTF-16 LE without a mark to an ANSI file.
        {"utf-16 le line appended", "Key: x\r\n" + utf16_le("Password...: y\r\n"), 99, reading::lines,
         {"Key: x", "Password...: y"}},
        {"two appended, the last without line end", "a\n" + utf16_le("bc\r\n") + utf16_le("de"), 99, reading::lines,
         {"a", "bc", "de"}},
        {"appended to a file with a utf-8 mark", utf8_mark + "a\r\n" + utf16_le("b\r\n") + "c\r\n", 99, reading::lines,
         {"a", "b", "c"}},
        {"appended line in pieces", "a\n" + utf16_le("bcdef\r\n") + "g", 2, reading::lines, {"a", "bc", "de", "f", "g"}},
        {"appended as the first line", utf16_le("ab\r\n") + "cd\n", 99, reading::lines, {"ab", "cd"}},
        // Notepad saved the file without a final line end: ">>" appends on the same line.
        {"appended behind the last character", "Key: x\r\nGw: sapgw00" + utf16_le("Password...: y\r\n"), 99,
         reading::lines, {"Key: x", "Gw: sapgw00", "Password...: y"}},
        {"appended behind, no line end at all", "a\nbc" + utf16_le("de"), 99, reading::lines, {"a", "bc", "de"}},
        {"appended behind, then more lines", "bc" + utf16_le("de\r\n") + utf16_le("fg\r\n"), 99, reading::lines,
         {"bc", "de", "fg"}},
        {"appended behind, in pieces", "abc" + utf16_le("defg\r\n"), 2, reading::lines, {"ab", "c", "de", "fg", ""}},
        {"one character behind is no appended text", std::string("abc\0\n", 5), 99, reading::lines, {"abc"}},
        // Lines that only look so, as every earlier reading cut them at their first NUL.
        {"nul as second byte, no nul after the line feed", std::string("A\0\nB", 4), 99, reading::lines, {"A", "B"}},
        {"nul in an odd place", std::string("ab\0c\nd", 6), 99, reading::lines, {"ab", "d"}},
        {"one-byte line", "x\ny\n", 99, reading::lines, {"x", "y"}},
        {"short files", "\xFF", 99, reading::lines, {"\xFF"}},
        {"two bytes, no mark", "\xEF\xBB", 99, reading::lines, {"\xEF\xBB"}},
        {"mark alone", le_mark, 99, reading::lines, {}},
        {"bytes file keeps its mark", utf8_mark + "ab", 99, reading::lines_of_bytes_file, {utf8_mark + "ab"}},
        {"bytes file keeps utf-16", le_mark + utf16_le("ab"), 99, reading::lines_of_bytes_file, {"\xFF\xFE" "a"}},
    };
    check(cases, sizeof cases / sizeof cases[0]);
}

TEST(LineReader, TurnsUtf16IntoTheAnsiCodePage) {
    const std::string le_mark = "\xFF\xFE";
    const piece_case cases[] = {
        {"latin-1 letters", le_mark + std::string("M\0\xFC\0n\0", 6), 99, reading::lines, {"M\xFCn"}},
        {"euro sign", le_mark + std::string("\xAC\x20", 2), 99, reading::lines, {"\x80"}},
        {"greek omega cannot be held", le_mark + std::string("a\0\xA9\x03" "b\0", 6), 99, reading::lines, {"a?b"}},
        {"pair beyond the basic plane is one character", le_mark + std::string("\x3D\xD8\x00\xDE" "c\0", 6), 99,
         reading::lines, {"?c"}},
        {"lone surrogate", le_mark + std::string("\x3D\xD8" "c\0", 4), 99, reading::lines, {"?c"}},
        {"full-width backslash is no backslash", le_mark + std::string("C\0:\0\x3C\xFF" "x\0", 8), 99,
         reading::lines, {"C:?x"}},
        {"appended line with an umlaut", "a\n" + std::string("\xE4\0\r\0\n\0", 6), 99, reading::lines,
         {"a", "\xE4"}},
    };
    check(cases, sizeof cases / sizeof cases[0]);
}

TEST(LineReader, TellsWhetherAPieceEndedItsLine) {
    const char *name = "line_reader_ended.tmp";
    FILE *file = fopen(name, "w+b");
    ASSERT_NE(file, nullptr);
    fputs("abcdefgh\nij\nkl", file);
    rewind(file);
    text_reader reader;
    open_text_reader(reader, file, text_decoding::as_saved);
    char piece[8];
    ASSERT_TRUE(read_line(reader, piece, 3));
    EXPECT_FALSE(reader.piece_ended_line);
    skip_rest_of_line(reader);
    ASSERT_TRUE(read_line(reader, piece, 3));
    EXPECT_STREQ(piece, "ij");
    EXPECT_TRUE(reader.piece_ended_line);
    skip_rest_of_line(reader);  // nothing left of that line to skip
    ASSERT_TRUE(read_line(reader, piece, 3));
    EXPECT_STREQ(piece, "kl");
    EXPECT_TRUE(reader.piece_ended_line);
    EXPECT_FALSE(read_line(reader, piece, 3));
    fclose(file);
    remove(name);
}

TEST(LineReader, EncodingOfAFileStart) {
    struct {
        std::string bytes;
        text_encoding expected;
    } cases[] = {
        {"\xEF\xBB\xBFx", text_encoding::utf8_mark}, {"\xFF\xFEx", text_encoding::utf16_le},
        {"\xFE\xFFx", text_encoding::utf16_be},      {"\xEF\xBB", text_encoding::ansi},
        {"Dest", text_encoding::ansi},               {"", text_encoding::ansi},
    };
    for (const auto &c : cases)
        EXPECT_EQ(encoding_of(reinterpret_cast<const unsigned char *>(c.bytes.data()), c.bytes.size()), c.expected)
            << c.bytes;
}
