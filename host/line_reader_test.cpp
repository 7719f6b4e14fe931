// The shared line reader splits lines into the same pieces on every host.
#include "host/line_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> pieces_of(const std::string &bytes, size_t max_characters, bool strip) {
    // A named file in the working directory: tmpfile() wants the drive root on Windows.
    const char *name = "line_reader_test.tmp";
    FILE *file = fopen(name, "w+b");
    EXPECT_NE(file, nullptr);
    if (file == nullptr) return {};
    fwrite(bytes.data(), 1, bytes.size(), file);
    rewind(file);
    std::vector<std::string> pieces;
    char buffer[256];
    while (strip ? read_line(file, buffer, max_characters) : read_piece(file, buffer, max_characters))
        pieces.push_back(buffer);
    fclose(file);
    remove(name);
    return pieces;
}

}  // namespace

TEST(LineReader, SplitsPiecesLikeTextModeReads) {
    struct {
        const char *name;
        std::string bytes;
        size_t max;
        bool strip;
        std::vector<std::string> expected;
    } cases[] = {
        {"lf", "ab\ncd\n", 99, false, {"ab\n", "cd\n"}},
        {"crlf arrives as lf", "ab\r\ncd", 99, false, {"ab\n", "cd"}},
        {"lone cr stays", "a\rb\n", 99, false, {"a\rb\n"}},
        {"long line in pieces", "abcdefg\n", 3, false, {"abc", "def", "g\n"}},
        // CR LF counts as one character, so it fits into the last place of a piece.
        {"crlf at the limit", "ab\r\ncd\n", 3, false, {"ab\n", "cd\n"}},
        {"line feed in the next piece", "abc\n", 3, false, {"abc", "\n"}},
        {"ctrl-z is ordinary", std::string("a\x1a" "b\n", 4), 99, false, {"a\x1a" "b\n"}},
        {"strip lf", "ab\n\ncd", 99, true, {"ab", "", "cd"}},
        {"strip cr before end of file", "ab\r", 99, true, {"ab"}},
        {"strip crlf", "ab\r\n", 99, true, {"ab"}},
        {"nul ends the text", std::string("ab\0cd\nef", 8), 99, false, {"ab", "ef"}},
        {"empty file", "", 99, false, {}},
    };
    for (const auto &c : cases) EXPECT_EQ(pieces_of(c.bytes, c.max, c.strip), c.expected) << c.name;
}
