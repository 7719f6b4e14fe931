// The missing objects: the two sums of DB02INFDB4's counts, the names read from the six
// tables in the order the text gives them, a table that cannot be read, and the text
// cut at PRTG's 2000 characters without splitting a character. The whole run over the
// stand-ins is shown by the objects_ scenarios.
#include "measure/missing_objects.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Six fake tables of MISSOBJ lines behind the two readers the library would give.
struct fake_table {
    std::vector<std::string> lines;  // each padded to the line's 40 bytes when read
    bool unreadable = false;         // ItGetLine answers null
    std::vector<std::string> padded;
};
fake_table fakes[asp_table_count];

unsigned LIBRFC32_API fake_fill(ITAB_H table) { return static_cast<unsigned>(static_cast<fake_table *>(table)->lines.size()); }

void *LIBRFC32_API fake_get_line(ITAB_H handle, unsigned line) {
    fake_table &table = *static_cast<fake_table *>(handle);
    if (table.unreadable || line == 0 || line > table.lines.size()) return nullptr;
    table.padded.resize(table.lines.size());
    std::string &bytes = table.padded[line - 1];
    bytes = table.lines[line - 1].substr(0, missobj_length);
    bytes.resize(missobj_length, ' ');
    return &bytes[0];
}

// The tables in the order of db4_table_names: ADDTL_INDEX ... MISS_VIEWS.
std::string names_of(const std::vector<std::vector<std::string>> &lines, int unreadable = -1) {
    ITAB_H tables[asp_table_count];
    for (int i = 0; i < asp_table_count; ++i) {
        fakes[i] = fake_table{};
        fakes[i].lines = lines[i];
        fakes[i].unreadable = i == unreadable;
        tables[i] = &fakes[i];
    }
    table_reading reading;
    reading.fill = fake_fill;
    reading.get_line = fake_get_line;
    static object_names_text names;
    name_missing_objects(&reading, tables, names);
    return names.c_str();
}

std::string shown_text(const char *before, const std::string &names_text) {
    run_record run{};
    run.output_flavour.assign("Brimtol");  // plain text: what is counted is what is written
    static object_names_text names;
    names.assign(names_text.c_str());
    append_object_names(run, before, names);
    return run.output_buffer.c_str();
}

size_t utf8_characters(const std::string &text) {
    size_t count = 0;
    for (unsigned char byte : text) count += (byte & 0xC0) != 0x80;
    return count;
}

}  // namespace

TEST(MissingObjects, SumsTheFourCountsOfEachSide) {
    unsigned char record[db02infdb4_length];
    memset(record, ' ', sizeof record);
    // TAB_MIS_DB, CST_MIS_DB, IDX_MIS_DB, VIE_MIS_DB at 68..80; the _MIS_DD ones at 84..96.
    const int32_t counts[8] = {1, 0, 2, 0, 1, 0, 0, 0};
    memcpy(record + 68, counts, sizeof counts);
    const int32_t table_count = 84211;  // TAB_CNT: not part of either sum
    memcpy(record + 32, &table_count, sizeof table_count);
    measured_figures figures;
    count_missing_objects(record, figures);
    EXPECT_TRUE(figures.objects_counted);
    EXPECT_EQ(figures.missing_in_database, 3);
    EXPECT_EQ(figures.unknown_to_dictionary, 1);

    // Large counts add up beyond 32 bits; a negative count, which no database has, counts 0.
    const int32_t odd[8] = {INT32_MAX, INT32_MAX, 5, 0, -7, 4, -1, 0};
    memcpy(record + 68, odd, sizeof odd);
    count_missing_objects(record, figures);
    EXPECT_EQ(figures.missing_in_database, 2LL * INT32_MAX + 5);
    EXPECT_EQ(figures.unknown_to_dictionary, 4);
}

TEST(MissingObjects, NamesMissingFirstThenUnknownInTheirKindOrder) {
    struct {
        std::vector<std::vector<std::string>> lines;  // ADDTL_INDEX ... MISS_VIEWS
        int unreadable;
        std::string expected;
    } cases[] = {
        {{{}, {}, {}, {}, {}, {}}, -1, ""},
        {{{}, {"ZOLD"}, {}, {"ZTAB~001", "VBAP~Z02"}, {"ZLOG"}, {}}, -1,
         "; missing: index ZTAB~001, index VBAP~Z02, table ZLOG; unknown: table ZOLD"},
        {{{"VBAK~Z01"}, {"ZTEMP"}, {"ZV_ORDERS"}, {}, {}, {"ZV_SALES"}}, -1,
         "; missing: view ZV_SALES; unknown: index VBAK~Z01, table ZTEMP, view ZV_ORDERS"},
        // Blank lines name nothing; a name keeps inner blanks and loses trailing ones.
        {{{}, {"   ", "Z A  "}, {}, {}, {}, {}}, -1, "; unknown: table Z A"},
        // A name of the line's full 40 bytes; one longer is cut at the line.
        {{{}, {}, {}, {}, {std::string(40, 'Z'), std::string(45, 'Y')}, {}}, -1,
         "; missing: table " + std::string(40, 'Z') + ", table " + std::string(40, 'Y')},
        // A table that cannot be read names none of its objects and says so.
        {{{}, {"ZOLD"}, {}, {"ZTAB~001"}, {"ZLOG"}, {}}, 3,
         "; missing: table ZLOG; unknown: table ZOLD; lines of MISS_INDEX unreadable"},
        {{{}, {"ZOLD"}, {}, {}, {"ZLOG"}, {}}, 1, "; missing: table ZLOG; lines of ADDTL_TABLES unreadable"},
    };
    for (const auto &c : cases) EXPECT_EQ(names_of(c.lines, c.unreadable), c.expected);
}

TEST(MissingObjects, ANameCutInsideAUtf8CharacterLosesThatCharacter) {
    // 38 ASCII bytes and the three-byte "ナ": the line holds two of its bytes.
    std::string name = std::string(38, 'Z') + "\xe3\x83\x8a";
    EXPECT_EQ(names_of({{}, {}, {}, {}, {name}, {}}), "; missing: table " + std::string(38, 'Z'));
    // "Ü", 37 ASCII bytes and "ナ": one byte of it left, in a name evidently UTF-8.
    name = "\xc3\x9c" + std::string(37, 'Z') + "\xe3\x83\x8a";
    EXPECT_EQ(names_of({{}, {}, {}, {}, {name}, {}}), "; missing: table \xc3\x9c" + std::string(37, 'Z'));
    // An ISO-8859-1 name ending in "é" (0xE9) keeps it: that is no cut UTF-8 character.
    std::string latin = std::string(39, 'Z') + "\xe9";
    EXPECT_EQ(names_of({{}, {}, {}, {}, {latin}, {}}), "; missing: table " + latin);
}

TEST(MissingObjects, WithoutTheReadersTheTextSaysSo) {
    ITAB_H tables[asp_table_count] = {};
    object_names_text names;
    name_missing_objects(nullptr, tables, names);
    EXPECT_EQ(std::string(names.c_str()), "; object names unreadable: the RFC library lacks ItFill or ItGetLine");
}

TEST(MissingObjects, TextIsCutAtPrtgsLimitOnACharacter) {
    const std::string before = "(DEMO) Korvanel: Info=DB4,Date=20261210,Time=140359,Sid=DEM     ";
    // Fits exactly: not cut.
    std::string fitting(summary_text_capacity - before.size(), 'x');
    EXPECT_EQ(shown_text(before.c_str(), fitting), "" + fitting);
    // One more character: 2000 in all, the last three of them "...".
    std::string text = shown_text(before.c_str(), fitting + "y");
    EXPECT_EQ(before.size() + text.size(), summary_text_capacity);
    EXPECT_EQ(text.substr(text.size() - 3), "...");
    // Three-byte characters: counted as characters, and never split.
    std::string wide;
    for (int i = 0; i < 2000; ++i) wide += "\xe3\x83\x8a";  // "ナ"
    text = shown_text(before.c_str(), wide);
    EXPECT_EQ(before.size() + utf8_characters(text), summary_text_capacity);
    EXPECT_EQ(text.substr(text.size() - 3), "...");
    EXPECT_EQ((text.size() - 3) % 3, 0u);
}

TEST(MissingObjects, ManyNamesStopBeingReadOncePastWhatPrtgShows) {
    std::vector<std::string> many(5000, "ZTABLE_WITH_A_NAME");
    std::string names = names_of({{}, {}, {}, {}, many, {}});
    EXPECT_GT(names.size(), 4 * summary_text_capacity);
    EXPECT_LT(names.size(), 4 * summary_text_capacity + 64);
}
