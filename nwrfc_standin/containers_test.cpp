// The NetWeaver stand-in's descriptions and data containers, through the exported
// functions alone: values set come back as SAP's library hands them out (UTF-16,
// padded; packed numbers as bytes, and as texts of the stand-in's own), land in the classic bytes the simulated
// systems read, and nothing is ever written outside a container or accepted from a
// handle that is not a live one.
#include "nwrfc_standin/containers.h"
#include "nwrfc_standin/nwrfc_fixture.h"

namespace nwrfc_test {
namespace {

struct Containers : NwStandIn {
    RFC_FUNCTION_DESC_HANDLE description = nullptr;
    RFC_FUNCTION_HANDLE function = nullptr;

    /// A function whose description has `parameters`, and its container.
    RFC_FUNCTION_HANDLE function_with(const std::vector<parameter_spec> &parameters) {
        description = make_function("Z_TEST", parameters);
        RFC_ERROR_INFO info;
        function = RfcCreateFunction(description, &info);
        EXPECT_NE(function, nullptr) << narrow(info.message);
        return function;
    }
    void TearDown() override {
        RFC_ERROR_INFO ignored;
        if (function != nullptr) RfcDestroyFunction(function, &ignored);
        if (description != nullptr) RfcDestroyFunctionDesc(description, &ignored);
        NwStandIn::TearDown();
    }
    /// The classic bytes of `name` in `container`, as the simulated system reads them.
    std::string bytes_of(DATA_CONTAINER_HANDLE container, const char *name) {
        nw_value value;
        RFC_ERROR_INFO info;
        if (!find_value(container_of(container), wide(name).c_str(), value, &info)) return "<none>";
        return std::string(reinterpret_cast<const char *>(value.bytes), value.length);
    }
};

}  // namespace

TEST_F(Containers, CharacterFieldsComeBackPaddedAsSapsLibraryFillsTheBuffer) {
    function_with({{"TEXT", RFC_IMPORT, RFCTYPE_CHAR, 6, 0, nullptr},
                   {"DIGITS", RFC_IMPORT, RFCTYPE_NUM, 4, 0, nullptr},
                   {"DAY", RFC_IMPORT, RFCTYPE_DATE, 8, 0, nullptr},
                   {"CLOCK", RFC_IMPORT, RFCTYPE_TIME, 6, 0, nullptr}});
    RFC_ERROR_INFO info;
    // Initial values are ABAP's: blanks for characters, zeros for digits, dates and times.
    EXPECT_EQ(chars_of(function, "TEXT", 6), "      ");
    char16_t digits[4], day[8], clock[6];
    ASSERT_EQ(RfcGetNum(function, u"DIGITS", digits, 4, &info), RFC_OK);
    EXPECT_EQ(narrow(digits, 4), "0000");
    ASSERT_EQ(RfcGetDate(function, u"DAY", day, &info), RFC_OK);
    EXPECT_EQ(narrow(day, 8), "00000000");

    struct {
        std::u16string value;
        unsigned buffer;       // characters asked for
        const char *returned;  // what the buffer holds
        const char *stored;    // the classic bytes
    } cases[] = {
        {u"AB", 6, "AB    ", "AB    "},
        {u"ABCDEF", 6, "ABCDEF", "ABCDEF"},
        {u"ABCDEFGH", 6, "ABCDEF", "ABCDEF"},    // the value is cut at the field's length
        {u"AB", 9, "AB       ", "AB    "},     // a longer buffer is blank-padded
        {u"ABCDEF", 3, "ABC", "ABCDEF"},       // a shorter one takes the start
        {u"\u00e9t\u00e9", 6, "\xe9t\xe9   ", "\xe9t\xe9   "},
        {u"\u20ac1", 6, "?1    ", "?1    "},  // the system's bytes hold no euro sign
        // ISO-8859-1 text that looks like UTF-8 in the bytes comes back as it was set.
        {u"\u00c3\u00a9\u00e2\u0082\u00ac", 6, "\xc3\xa9\xe2\x82\xac ", "\xc3\xa9\xe2\x82\xac "},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(narrow(c.value.c_str()));
        ASSERT_EQ(RfcSetChars(function, u"TEXT", c.value.data(), static_cast<unsigned>(c.value.size()), &info), RFC_OK);
        EXPECT_EQ(chars_of(function, "TEXT", c.buffer), c.returned);
        EXPECT_EQ(bytes_of(function, "TEXT"), c.stored);
    }
    ASSERT_EQ(RfcSetDate(function, u"DAY", u"20261210", &info), RFC_OK);
    ASSERT_EQ(RfcSetTime(function, u"CLOCK", u"140359", &info), RFC_OK);
    ASSERT_EQ(RfcGetTime(function, u"CLOCK", clock, &info), RFC_OK);
    EXPECT_EQ(narrow(clock, 6), "140359");
    EXPECT_EQ(bytes_of(function, "DAY"), "20261210");
    // Each value lies in its own bytes: the neighbours are untouched.
    EXPECT_EQ(bytes_of(function, "DIGITS"), "0000");
}

TEST_F(Containers, PackedFieldsTakeAndGiveDecimalTextsInTheClassicBytes) {
    struct {
        unsigned length, decimals;
        const char *text;      // set with RfcSetString
        const char *returned;  // RfcGetString afterwards
        const char *bytes;     // the classic packed bytes, in hex
    } cases[] = {
        {8, 5, "87.12345", "87.12345", "000000008712345C"},
        {3, 5, "-0.00001", "-0.00001", "00001D"},
        {3, 5, "0.1", "0.10000", "10000C"},
        {6, 1, "1234567.8", "1234567.8", "00012345678C"},
        {6, 1, "-1234567.8", "-1234567.8", "00012345678D"},
        {1, 0, "7", "7", "7C"},
        {2, 0, "-999", "-999", "999D"},
        {2, 0, "  +012 ", "12", "012C"},
        {4, 2, "-0", "0.00", "0000000C"},      // zero has no sign
        {4, 2, "5.100", "5.10", "0000510C"},   // trailing zeros beyond the decimals are no digits
        {16, 14, "12345678901234567.12345678901234", "12345678901234567.12345678901234",
         "1234567890123456712345678901234C"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_NE(function_with({{"AMOUNT", RFC_IMPORT, RFCTYPE_BCD, c.length, c.decimals, nullptr}}), nullptr);
        RFC_ERROR_INFO info;
        std::u16string text = wide(c.text);
        ASSERT_EQ(RfcSetString(function, u"AMOUNT", text.data(), static_cast<unsigned>(text.size()), &info), RFC_OK)
            << narrow(info.message);
        EXPECT_EQ(packed_of(function, "AMOUNT"), c.returned);
        std::string hex;
        for (unsigned char byte : bytes_of(function, "AMOUNT")) {
            char pair[3];
            snprintf(pair, sizeof pair, "%02X", byte);
            hex += pair;
        }
        EXPECT_EQ(hex, c.bytes);
        RfcDestroyFunction(function, &info);
        RfcDestroyFunctionDesc(description, &info);
        function = nullptr;
        description = nullptr;
    }
}

TEST_F(Containers, PackedTextsThatDoNotFitAreRefusedAndLeaveTheFieldAlone) {
    function_with({{"AMOUNT", RFC_IMPORT, RFCTYPE_BCD, 3, 2, nullptr}});  // 5 digits, 2 of them decimals
    RFC_ERROR_INFO info;
    ASSERT_EQ(RfcSetString(function, u"AMOUNT", u"123.45", 6, &info), RFC_OK);
    for (const char *text : {"1234.5", "1.234", "", "-", ".", "1,5", "12a", "1e3", "--1", "99999999999999999999"}) {
        SCOPED_TRACE(text);
        std::u16string value = wide(text);
        EXPECT_EQ(RfcSetString(function, u"AMOUNT", value.data(), static_cast<unsigned>(value.size()), &info),
                  RFC_CONVERSION_FAILURE);
        EXPECT_EQ(packed_of(function, "AMOUNT"), "123.45");
    }
    // Bytes a system sends that hold no packed number are not turned into one.
    nw_value value;
    ASSERT_TRUE(find_value(container_of(function), u"AMOUNT", value, &info));
    const unsigned char bad_digit[] = {0x1A, 0x34, 0x5C}, bad_sign[] = {0x12, 0x34, 0x55};
    for (const unsigned char *bytes : {bad_digit, bad_sign}) {
        memcpy(value.bytes, bytes, 3);
        EXPECT_EQ(packed_of(function, "AMOUNT"), "<rc " + std::to_string(RFC_CONVERSION_FAILURE) + ">");
    }
}

TEST_F(Containers, PackedFieldsGiveAndTakeTheirBytesOfTheirOwnLength) {
    function_with({{"AMOUNT", RFC_IMPORT, RFCTYPE_BCD, 3, 2, nullptr}, {"TEXT", RFC_IMPORT, RFCTYPE_CHAR, 2, 0, nullptr}});
    RFC_ERROR_INFO info;
    // Whatever the half-bytes hold, the bytes come back as they were set: the second
    // minus sign B, the unsigned F, a digit half-byte above 9.
    const unsigned char patterns[][3] = {{0x12, 0x34, 0x5B}, {0x12, 0x34, 0x5F}, {0x1A, 0x34, 0x5C}, {0x00, 0x00, 0x0D}};
    for (const auto &pattern : patterns) {
        ASSERT_EQ(RfcSetBytes(function, u"AMOUNT", pattern, 3, &info), RFC_OK) << narrow(info.message);
        unsigned char back[5];
        memset(back, 0xEE, sizeof back);
        ASSERT_EQ(RfcGetBytes(function, u"AMOUNT", back, 3, &info), RFC_OK);
        EXPECT_EQ(memcmp(back, pattern, 3), 0);
        EXPECT_EQ(back[3], 0xEE) << "written beyond the buffer";
    }
    // A length other than the field's is refused and leaves the field alone.
    const unsigned char longer[] = {0x00, 0x12, 0x34, 0x5C}, zero = 0x0C;
    EXPECT_EQ(RfcSetBytes(function, u"AMOUNT", longer, 4, &info), RFC_INVALID_PARAMETER);
    EXPECT_EQ(RfcSetBytes(function, u"AMOUNT", &zero, 1, &info), RFC_INVALID_PARAMETER);
    EXPECT_EQ(narrow(info.message), "1 bytes given for a packed field of 3");
    unsigned char back[3];
    EXPECT_EQ(RfcGetBytes(function, u"AMOUNT", back, 2, &info), RFC_BUFFER_TOO_SMALL);
    ASSERT_EQ(RfcGetBytes(function, u"AMOUNT", back, 3, &info), RFC_OK);
    EXPECT_EQ(back[2], 0x0D);
    // A character field gives its UTF-16, two bytes a character: 2 bytes cannot hold TEXT's.
    EXPECT_EQ(RfcGetBytes(function, u"TEXT", back, 2, &info), RFC_BUFFER_TOO_SMALL);
}

TEST_F(Containers, IntegersAndFloatsKeepTheirValuesAndTypes) {
    function_with({{"COUNT", RFC_IMPORT, RFCTYPE_INT, 4, 0, nullptr},
                   {"SHORT", RFC_IMPORT, RFCTYPE_INT2, 2, 0, nullptr},
                   {"TINY", RFC_IMPORT, RFCTYPE_INT1, 1, 0, nullptr},
                   {"RATIO", RFC_IMPORT, RFCTYPE_FLOAT, 8, 0, nullptr},
                   {"TEXT", RFC_IMPORT, RFCTYPE_CHAR, 4, 0, nullptr}});
    RFC_ERROR_INFO info;
    for (RFC_INT value : {0, 7, -1, 2147483647, -2147483647 - 1}) {
        RFC_INT back = 12345;
        ASSERT_EQ(RfcSetInt(function, u"COUNT", value, &info), RFC_OK);
        ASSERT_EQ(RfcGetInt(function, u"COUNT", &back, &info), RFC_OK);
        EXPECT_EQ(back, value);
    }
    // The classic record is little-endian, as the sensor reads it.
    ASSERT_EQ(RfcSetInt(function, u"COUNT", 0x01020304, &info), RFC_OK);
    EXPECT_EQ(bytes_of(function, "COUNT"), std::string("\x04\x03\x02\x01", 4));
    RFC_INT2 short_back = 0;
    ASSERT_EQ(RfcSetInt2(function, u"SHORT", -32768, &info), RFC_OK);
    ASSERT_EQ(RfcGetInt2(function, u"SHORT", &short_back, &info), RFC_OK);
    EXPECT_EQ(short_back, -32768);
    RFC_INT1 tiny_back = 0;
    ASSERT_EQ(RfcSetInt1(function, u"TINY", 255, &info), RFC_OK);
    ASSERT_EQ(RfcGetInt1(function, u"TINY", &tiny_back, &info), RFC_OK);
    EXPECT_EQ(tiny_back, 255);
    RFC_FLOAT ratio = 0;
    ASSERT_EQ(RfcSetFloat(function, u"RATIO", -87.125, &info), RFC_OK);
    ASSERT_EQ(RfcGetFloat(function, u"RATIO", &ratio, &info), RFC_OK);
    EXPECT_EQ(ratio, -87.125);
    // A getter of a type SAP's header does not let it take, or a name the function
    // lacks, is refused by name.
    RFC_INT wrong = 99;
    EXPECT_EQ(RfcGetInt(function, u"RATIO", &wrong, &info), RFC_CONVERSION_FAILURE);
    EXPECT_EQ(narrow(info.message), "RfcGetInt: field RATIO is of type RFCTYPE_FLOAT, which RfcGetInt does not take");
    EXPECT_EQ(wrong, 99);
    EXPECT_EQ(RfcGetInt(function, u"COUNTS", &wrong, &info), RFC_INVALID_PARAMETER);
    EXPECT_EQ(narrow(info.message), "no field or parameter COUNTS");
    EXPECT_EQ(info.group, EXTERNAL_RUNTIME_FAILURE);
}

TEST_F(Containers, StructuresHoldTheirFieldsApartFromTheOtherParameters) {
    RFC_TYPE_DESC_HANDLE line = make_type("ZLINE", {{"NAME", RFCTYPE_CHAR, 10, 0},
                                                    {"COUNT", RFCTYPE_INT, 4, 0},
                                                    {"SIZE", RFCTYPE_BCD, 6, 1}});
    function_with({{"BEFORE", RFC_IMPORT, RFCTYPE_CHAR, 3, 0, nullptr},
                   {"FIRST", RFC_IMPORT, RFCTYPE_STRUCTURE, 24, 0, line},
                   {"SECOND", RFC_EXPORT, RFCTYPE_STRUCTURE, 24, 0, line},
                   {"AFTER", RFC_IMPORT, RFCTYPE_CHAR, 3, 0, nullptr}});
    RFC_ERROR_INFO info;
    RFC_STRUCTURE_HANDLE first = nullptr, second = nullptr;
    ASSERT_EQ(RfcGetStructure(function, u"FIRST", &first, &info), RFC_OK);
    ASSERT_EQ(RfcGetStructure(function, u"SECOND", &second, &info), RFC_OK);
    ASSERT_NE(first, second);
    EXPECT_EQ(packed_of(second, "SIZE"), "0.0");  // the initial packed value
    ASSERT_EQ(RfcSetChars(first, u"NAME", u"QSYS", 4, &info), RFC_OK);
    ASSERT_EQ(RfcSetInt(first, u"COUNT", 42, &info), RFC_OK);
    ASSERT_EQ(RfcSetString(first, u"SIZE", u"-12.5", 5, &info), RFC_OK);
    EXPECT_EQ(chars_of(first, "NAME", 10), "QSYS      ");
    EXPECT_EQ(packed_of(first, "SIZE"), "-12.5");
    EXPECT_EQ(chars_of(second, "NAME", 10), "          ");
    EXPECT_EQ(chars_of(function, "BEFORE", 3), "   ");
    EXPECT_EQ(chars_of(function, "AFTER", 3), "   ");
    // The structure's fields are not the function's, and the other way round.
    EXPECT_EQ(chars_of(function, "NAME", 10), "<rc " + std::to_string(RFC_INVALID_PARAMETER) + ">");
    EXPECT_EQ(chars_of(first, "BEFORE", 3), "<rc " + std::to_string(RFC_INVALID_PARAMETER) + ">");
    RFC_TABLE_HANDLE not_a_table = nullptr;
    EXPECT_EQ(RfcGetTable(function, u"FIRST", &not_a_table, &info), RFC_CONVERSION_FAILURE);
    EXPECT_EQ(RfcGetStructure(function, u"BEFORE", &first, &info), RFC_CONVERSION_FAILURE);
    RfcDestroyTypeDesc(line, &info);
}

TEST_F(Containers, TableRowsAreAppendedCountedAndVisitedEachWithItsOwnValues) {
    RFC_TYPE_DESC_HANDLE line = make_type("MISSOBJ", {{"NAME", RFCTYPE_CHAR, 40, 0}});
    function_with({{"MISS_TABLES", RFC_TABLES, RFCTYPE_TABLE, 40, 0, line}});
    RFC_ERROR_INFO info;
    RFC_TABLE_HANDLE table = nullptr;
    ASSERT_EQ(RfcGetTable(function, u"MISS_TABLES", &table, &info), RFC_OK);
    unsigned count = 99;
    ASSERT_EQ(RfcGetRowCount(table, &count, &info), RFC_OK);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(RfcGetCurrentRow(table, &info), nullptr);
    EXPECT_EQ(info.code, RFC_TABLE_MOVE_EOF);
    EXPECT_EQ(RfcMoveTo(table, 0, &info), RFC_TABLE_MOVE_EOF);

    const char *names[] = {"QSYS/QAUDJRN", "R3DEMDATA/DD03L", "R3DEMDATA/TADIR"};
    for (const char *name : names) {
        RFC_STRUCTURE_HANDLE row = RfcAppendNewRow(table, &info);
        ASSERT_NE(row, nullptr) << narrow(info.message);
        EXPECT_EQ(chars_of(row, "NAME", 40), std::string(40, ' '));  // a new row is initial
        std::u16string value = wide(name);
        ASSERT_EQ(RfcSetChars(row, u"NAME", value.data(), static_cast<unsigned>(value.size()), &info), RFC_OK);
    }
    ASSERT_EQ(RfcGetRowCount(table, &count, &info), RFC_OK);
    EXPECT_EQ(count, 3u);
    for (unsigned i : {2u, 0u, 1u}) {
        ASSERT_EQ(RfcMoveTo(table, i, &info), RFC_OK);
        RFC_STRUCTURE_HANDLE row = RfcGetCurrentRow(table, &info);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(chars_of(row, "NAME", 40), names[i] + std::string(40 - strlen(names[i]), ' '));
    }
    EXPECT_EQ(RfcMoveTo(table, 3, &info), RFC_TABLE_MOVE_EOF);
    // The rows are bounded by the stand-in's storage: appending beyond it is refused.
    unsigned appended = 3;
    while (RfcAppendNewRow(table, &info) != nullptr) ++appended;
    EXPECT_EQ(info.code, RFC_MEMORY_INSUFFICIENT);
    EXPECT_EQ(appended, standin_container_bytes / 40);
    ASSERT_EQ(RfcMoveTo(table, 1, &info), RFC_OK);
    EXPECT_EQ(chars_of(RfcGetCurrentRow(table, &info), "NAME", 15), "R3DEMDATA/DD03L");
    RfcDestroyTypeDesc(line, &info);
}

TEST_F(Containers, DescriptionsTheStandInCannotHoldAreRefusedWhenBuilt) {
    RFC_ERROR_INFO info;
    RFC_TYPE_DESC_HANDLE type = RfcCreateTypeDesc(u"ZBAD", &info);
    ASSERT_NE(type, nullptr);
    struct {
        RFCTYPE type;
        unsigned offset, length, decimals;
        const char *message;  // null: accepted
        unsigned uc_offset, uc_length;  // 0, 0: as the Unicode layout has them
    } fields[] = {
        {RFCTYPE_CHAR, 0, 10, 0, nullptr, 0, 0},
        {RFCTYPE_BCD, 10, 16, 14, nullptr, 20, 16},
        {RFCTYPE_BCD, 26, 17, 0, "field F: a packed number takes 1 to 16 bytes", 36, 17},
        {RFCTYPE_BCD, 26, 3, 6, "field F: more decimals than the packed number has digits", 36, 3},
        {RFCTYPE_INT, 28, 2, 0, "field F: an integer has 4 bytes", 36, 2},
        {RFCTYPE_CHAR, 0, 0, 0, "field F: length 0", 36, 0},
        {RFCTYPE_CHAR, standin_container_bytes - 4, 5, 0, "field F: beyond the stand-in's record storage", 36, 10},
        {RFCTYPE_CHAR, 0xFFFFFFF0u, 32, 0, "field F: beyond the stand-in's record storage", 36, 64},
        {RFCTYPE_STRING, 0, 8, 0, "field F: a type the stand-in does not play", 36, 8},
        // The Unicode side as SAP's library checks it: two bytes a character, aligned
        // to the type, no field over another.
        {RFCTYPE_CHAR, 26, 4, 0, "field F: its Unicode length is not that of its type", 36, 4},
        {RFCTYPE_INT, 28, 4, 0, "field F: its Unicode offset is not aligned to its type", 38, 4},
        {RFCTYPE_CHAR, 26, 2, 0, "field F: its Unicode offset is not aligned to its type", 37, 4},
        {RFCTYPE_CHAR, 26, 2, 0, "field F: it overlaps a field already there", 34, 4},
        {RFCTYPE_CHAR, 9, 2, 0, "field F: it overlaps a field already there", 36, 4},
    };
    for (const auto &f : fields) {
        RFC_FIELD_DESC field = {};
        field.name[0] = u'F';
        field.type = f.type;
        field.nucOffset = f.offset;
        field.nucLength = f.length;
        field.ucOffset = f.uc_offset;
        field.ucLength = f.uc_length != 0 || f.length == 0 ? f.uc_length : 2 * f.length;
        field.decimals = f.decimals;
        RFC_RC rc = RfcAddTypeField(type, &field, &info);
        if (f.message == nullptr) {
            EXPECT_EQ(rc, RFC_OK) << narrow(info.message);
        } else {
            EXPECT_EQ(rc, RFC_INVALID_PARAMETER);
            EXPECT_EQ(narrow(info.message), f.message);
        }
    }
    // The length covers the fields in both layouts: shorter would let table rows overlap.
    EXPECT_EQ(RfcSetTypeLength(type, 25, 50, &info), RFC_INVALID_PARAMETER);
    EXPECT_EQ(RfcSetTypeLength(type, 26, 35, &info), RFC_INVALID_PARAMETER);
    EXPECT_EQ(RfcSetTypeLength(type, 26, 36, &info), RFC_OK);

    RFC_FUNCTION_DESC_HANDLE function = RfcCreateFunctionDesc(u"Z_BAD", &info);
    RFC_PARAMETER_DESC parameter = {};
    parameter.name[0] = u'P';
    parameter.type = RFCTYPE_STRUCTURE;  // without its type
    EXPECT_EQ(RfcAddParameter(function, &parameter, &info), RFC_INVALID_PARAMETER);
    parameter.type = RFCTYPE_BCD;
    parameter.nucLength = 20;
    EXPECT_EQ(RfcAddParameter(function, &parameter, &info), RFC_INVALID_PARAMETER);
    EXPECT_EQ(narrow(info.message), "parameter P: a packed number takes 1 to 16 bytes");
    parameter.type = RFCTYPE_CHAR;
    parameter.nucLength = 4;
    parameter.ucLength = 4;
    EXPECT_EQ(RfcAddParameter(function, &parameter, &info), RFC_INVALID_PARAMETER);
    EXPECT_EQ(narrow(info.message), "parameter P: its Unicode length is not that of its type");
    // Parameters each sound but together beyond the container are refused at creation.
    parameter.type = RFCTYPE_CHAR;
    parameter.nucLength = standin_container_bytes / 2 + 1;
    parameter.ucLength = 2 * parameter.nucLength;
    EXPECT_EQ(RfcAddParameter(function, &parameter, &info), RFC_OK);
    EXPECT_EQ(RfcAddParameter(function, &parameter, &info), RFC_OK);
    EXPECT_EQ(RfcCreateFunction(function, &info), nullptr);
    EXPECT_EQ(info.code, RFC_MEMORY_INSUFFICIENT);
    RfcDestroyFunctionDesc(function, &info);
    RfcDestroyTypeDesc(type, &info);
}

TEST_F(Containers, HandlesThatAreNotLiveAreRefusedNeverFollowed) {
    RFC_TYPE_DESC_HANDLE line = make_type("MISSOBJ", {{"NAME", RFCTYPE_CHAR, 40, 0}});
    function_with({{"TEXT", RFC_IMPORT, RFCTYPE_CHAR, 4, 0, nullptr},
                   {"MISS_TABLES", RFC_TABLES, RFCTYPE_TABLE, 40, 0, line}});
    RFC_ERROR_INFO info;
    RFC_TABLE_HANDLE table = nullptr;
    ASSERT_EQ(RfcGetTable(function, u"MISS_TABLES", &table, &info), RFC_OK);
    RFC_STRUCTURE_HANDLE row = RfcAppendNewRow(table, &info);
    ASSERT_NE(row, nullptr);

    ASSERT_EQ(RfcDestroyFunction(function, &info), RFC_OK);
    EXPECT_EQ(RfcDestroyFunction(function, &info), RFC_INVALID_HANDLE);
    function = nullptr;
    char16_t buffer[4];
    unsigned count = 0;
    // The function's table and row went with it.
    EXPECT_EQ(RfcGetChars(row, u"NAME", buffer, 4, &info), RFC_INVALID_HANDLE);
    EXPECT_EQ(RfcGetRowCount(table, &count, &info), RFC_INVALID_HANDLE);
    EXPECT_EQ(RfcAppendNewRow(table, &info), nullptr);
    EXPECT_EQ(info.code, RFC_INVALID_HANDLE);

    // Addresses that never were handles of this library.
    int elsewhere[64] = {};
    auto foreign = reinterpret_cast<DATA_CONTAINER_HANDLE>(elsewhere);
    EXPECT_EQ(RfcGetChars(foreign, u"TEXT", buffer, 4, &info), RFC_INVALID_HANDLE);
    EXPECT_EQ(RfcMoveTo(reinterpret_cast<RFC_TABLE_HANDLE>(elsewhere), 0, &info), RFC_INVALID_HANDLE);
    EXPECT_EQ(RfcCreateFunction(reinterpret_cast<RFC_FUNCTION_DESC_HANDLE>(elsewhere), &info), nullptr);
    EXPECT_EQ(RfcDestroyTypeDesc(reinterpret_cast<RFC_TYPE_DESC_HANDLE>(elsewhere), &info), RFC_INVALID_HANDLE);
    EXPECT_EQ(RfcCloseConnection(reinterpret_cast<RFC_CONNECTION_HANDLE>(elsewhere), &info), RFC_INVALID_HANDLE);
    EXPECT_EQ(RfcGetChars(nullptr, u"TEXT", buffer, 4, &info), RFC_INVALID_HANDLE);
    RfcDestroyTypeDesc(line, &info);
}

TEST_F(Containers, PoolsRunOutCleanlyAndEveryDestroyGivesItsEntryBack) {
    RFC_ERROR_INFO info;
    std::vector<RFC_TYPE_DESC_HANDLE> types;
    for (RFC_TYPE_DESC_HANDLE type; (type = RfcCreateTypeDesc(u"ZT", &info)) != nullptr;) types.push_back(type);
    EXPECT_EQ(info.code, RFC_MEMORY_INSUFFICIENT);
    ASSERT_GT(types.size(), 3u);
    for (RFC_TYPE_DESC_HANDLE type : types) EXPECT_EQ(RfcDestroyTypeDesc(type, &info), RFC_OK);

    std::vector<RFC_FUNCTION_DESC_HANDLE> functions;
    for (RFC_FUNCTION_DESC_HANDLE f; (f = RfcCreateFunctionDesc(u"Z_F", &info)) != nullptr;) functions.push_back(f);
    EXPECT_EQ(info.code, RFC_MEMORY_INSUFFICIENT);
    for (RFC_FUNCTION_DESC_HANDLE f : functions) EXPECT_EQ(RfcDestroyFunctionDesc(f, &info), RFC_OK);

    // Functions with tables take several containers each; the last that does not fit
    // gives its partial ones back.
    RFC_TYPE_DESC_HANDLE line = make_type("MISSOBJ", {{"NAME", RFCTYPE_CHAR, 40, 0}});
    description = make_function("Z_TABLES", {{"A", RFC_TABLES, RFCTYPE_TABLE, 40, 0, line},
                                             {"B", RFC_TABLES, RFCTYPE_TABLE, 40, 0, line}});
    std::vector<RFC_FUNCTION_HANDLE> made;
    for (RFC_FUNCTION_HANDLE f; (f = RfcCreateFunction(description, &info)) != nullptr;) made.push_back(f);
    EXPECT_EQ(info.code, RFC_MEMORY_INSUFFICIENT);
    size_t first_round = made.size();
    for (RFC_FUNCTION_HANDLE f : made) EXPECT_EQ(RfcDestroyFunction(f, &info), RFC_OK);
    made.clear();
    for (RFC_FUNCTION_HANDLE f; (f = RfcCreateFunction(description, &info)) != nullptr;) made.push_back(f);
    EXPECT_EQ(made.size(), first_round);
    for (RFC_FUNCTION_HANDLE f : made) RfcDestroyFunction(f, &info);
    RfcDestroyTypeDesc(line, &info);
}

}  // namespace nwrfc_test
