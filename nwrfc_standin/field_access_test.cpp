// Each getter and setter of the NetWeaver stand-in on each field type it may hold:
// accepted where SAP's header lists the type for the function, refused with
// RFC_CONVERSION_FAILURE where it does not, RFC_NOT_SUPPORTED where the header lists
// it without fixing the result; and the conversions the header describes, as it
// describes them (an integer as text, raw bytes as hexadecimal, big-endian bytes as
// an integer, a packed number as a float).
#include "nwrfc_standin/containers.h"
#include "nwrfc_standin/field_access.h"
#include "nwrfc_standin/nwrfc_fixture.h"

namespace nwrfc_test {
namespace {

std::string hex_of(const unsigned char *bytes, size_t count) {
    std::string hex;
    for (size_t i = 0; i < count; ++i) {
        char pair[3];
        snprintf(pair, sizeof pair, "%02X", bytes[i]);
        hex += pair;
    }
    return hex;
}

std::string bytes_of_hex(const std::string &hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

std::string rc_text(RFC_RC rc) { return "<rc " + std::to_string(rc) + ">"; }

// One parameter of each type the stand-in holds, in the order of the table below.
const char *const field_names[] = {"C", "N", "D", "T", "P", "X", "F", "I", "S", "B", "ST", "TB"};

struct FieldAccess : NwStandIn {
    RFC_FUNCTION_HANDLE function = nullptr;

    void SetUp() override {
        NwStandIn::SetUp();
        RFC_TYPE_DESC_HANDLE line = make_type("ZLINE", {{"NAME", RFCTYPE_CHAR, 4, 0}});
        RFC_FUNCTION_DESC_HANDLE description = make_function(
            "Z_TYPES", {{"C", RFC_IMPORT, RFCTYPE_CHAR, 6, 0, nullptr},
                        {"N", RFC_IMPORT, RFCTYPE_NUM, 4, 0, nullptr},
                        {"D", RFC_IMPORT, RFCTYPE_DATE, 8, 0, nullptr},
                        {"T", RFC_IMPORT, RFCTYPE_TIME, 6, 0, nullptr},
                        {"P", RFC_IMPORT, RFCTYPE_BCD, 3, 2, nullptr},
                        {"X", RFC_IMPORT, RFCTYPE_BYTE, 1, 0, nullptr},
                        {"F", RFC_IMPORT, RFCTYPE_FLOAT, 8, 0, nullptr},
                        {"I", RFC_IMPORT, RFCTYPE_INT, 4, 0, nullptr},
                        {"S", RFC_IMPORT, RFCTYPE_INT2, 2, 0, nullptr},
                        {"B", RFC_IMPORT, RFCTYPE_INT1, 1, 0, nullptr},
                        {"ST", RFC_IMPORT, RFCTYPE_STRUCTURE, 4, 0, line},
                        {"TB", RFC_TABLES, RFCTYPE_TABLE, 4, 0, line},
                        // Beside the table's columns: raw bytes wider than one.
                        {"XX", RFC_IMPORT, RFCTYPE_BYTE, 2, 0, nullptr}});
        RFC_ERROR_INFO info;
        function = create_function(description, info);
        ASSERT_NE(function, nullptr) << narrow(info.message);
    }

    /// The classic bytes of `name`, as the simulated system reads them.
    std::string bytes(const char *name) {
        nw_value value;
        RFC_ERROR_INFO info;
        if (!find_value(container_of(function), wide(name).c_str(), value, &info)) return "<none>";
        return std::string(reinterpret_cast<const char *>(value.bytes), value.length);
    }
    /// Lays `raw` into the classic bytes of `name`, as a system would send them.
    void lay(const char *name, const std::string &raw) {
        nw_value value;
        RFC_ERROR_INFO info;
        ASSERT_TRUE(find_value(container_of(function), wide(name).c_str(), value, &info));
        ASSERT_EQ(raw.size(), value.length) << name;
        memcpy(value.bytes, raw.data(), raw.size());
    }

    /// `getter` on `name` with a buffer of `buffer` characters or bytes: the value as
    /// text (texts as they are, bytes in hexadecimal, numbers in decimal) or "<rc N>".
    std::string get(field_function getter, const char *name, unsigned buffer = 16) {
        std::u16string field = wide(name);
        RFC_ERROR_INFO info;
        std::vector<char16_t> text(buffer + 1, u'~');
        std::vector<unsigned char> raw(buffer + 1, 0xEE);
        unsigned length = 0;
        RFC_INT i = 0;
        RFC_INT2 s = 0;
        RFC_INT1 b = 0;
        RFC_FLOAT f = 0;
        RFC_STRUCTURE_HANDLE structure = nullptr;
        RFC_TABLE_HANDLE table = nullptr;
        RFC_RC rc = RFC_OK;
        std::string out;
        switch (getter) {
        case get_chars: rc = RfcGetChars(function, field.c_str(), text.data(), buffer, &info); break;
        case get_num: rc = RfcGetNum(function, field.c_str(), text.data(), buffer, &info); break;
        case get_date: rc = RfcGetDate(function, field.c_str(), text.data(), &info), buffer = 8; break;
        case get_time: rc = RfcGetTime(function, field.c_str(), text.data(), &info), buffer = 6; break;
        case get_string:
            rc = RfcGetString(function, field.c_str(), text.data(), buffer, &length, &info);
            if (rc != RFC_OK) return rc_text(rc);
            EXPECT_EQ(text[length], 0) << name << ": no terminator";
            return narrow(text.data(), length);
        case get_bytes:
            rc = RfcGetBytes(function, field.c_str(), raw.data(), buffer, &info);
            EXPECT_EQ(raw[buffer], 0xEE) << name << ": written beyond the buffer";
            return rc != RFC_OK ? rc_text(rc) : hex_of(raw.data(), buffer);
        case get_int: rc = RfcGetInt(function, field.c_str(), &i, &info), out = std::to_string(i); break;
        case get_int2: rc = RfcGetInt2(function, field.c_str(), &s, &info), out = std::to_string(s); break;
        case get_int1: rc = RfcGetInt1(function, field.c_str(), &b, &info), out = std::to_string(b); break;
        case get_float: {
            rc = RfcGetFloat(function, field.c_str(), &f, &info);
            char shown[40];
            snprintf(shown, sizeof shown, "%g", f);
            out = shown;
            break;
        }
        case get_structure: rc = RfcGetStructure(function, field.c_str(), &structure, &info), out = "structure"; break;
        case get_table: rc = RfcGetTable(function, field.c_str(), &table, &info), out = "table"; break;
        default: ADD_FAILURE() << "not a getter"; return "";
        }
        if (rc != RFC_OK) return rc_text(rc);
        if (!out.empty()) return out;
        EXPECT_EQ(text[buffer], u'~') << name << ": written beyond the buffer";
        return narrow(text.data(), buffer);
    }

    /// `setter` on `name` with `input`: text for the text setters, hexadecimal bytes
    /// for RfcSetBytes, a number for the others. The field's classic bytes afterwards
    /// (in hexadecimal for all but character fields), or "<rc N>".
    std::string set(field_function setter, const char *name, const std::string &input) {
        std::u16string field = wide(name), text = wide(input);
        std::string raw = setter == set_bytes ? bytes_of_hex(input) : "";
        RFC_ERROR_INFO info;
        RFC_RC rc = RFC_OK;
        unsigned length = static_cast<unsigned>(text.size());
        switch (setter) {
        case set_chars: rc = RfcSetChars(function, field.c_str(), text.data(), length, &info); break;
        case set_string: rc = RfcSetString(function, field.c_str(), text.data(), length, &info); break;
        case set_num: rc = RfcSetNum(function, field.c_str(), text.data(), length, &info); break;
        case set_date: rc = RfcSetDate(function, field.c_str(), text.data(), &info); break;
        case set_time: rc = RfcSetTime(function, field.c_str(), text.data(), &info); break;
        case set_bytes:
            rc = RfcSetBytes(function, field.c_str(), reinterpret_cast<const SAP_RAW *>(raw.data()),
                             static_cast<unsigned>(raw.size()), &info);
            break;
        case set_int: rc = RfcSetInt(function, field.c_str(), std::stoi(input), &info); break;
        case set_int2: rc = RfcSetInt2(function, field.c_str(), static_cast<RFC_INT2>(std::stoi(input)), &info); break;
        case set_int1: rc = RfcSetInt1(function, field.c_str(), static_cast<RFC_INT1>(std::stoi(input)), &info); break;
        case set_float: rc = RfcSetFloat(function, field.c_str(), std::stod(input), &info); break;
        default: ADD_FAILURE() << "not a setter"; return "";
        }
        if (rc != RFC_OK) return rc_text(rc);
        std::string now = bytes(name);
        bool characters = name[0] == 'C' || name[0] == 'N' || name[0] == 'D' || name[0] == 'T';
        return characters ? now : hex_of(reinterpret_cast<const unsigned char *>(now.data()), now.size());
    }
};

// Per function, each field of `field_names`: 'o' accepted, 'r' refused as a type the
// header does not allow, 'n' allowed by the header but not played by the stand-in.
struct access_row {
    field_function function;
    const char *input;  // what a setter is given (see `set`)
    const char *expected;
};

const access_row access_rows[] = {
    //                            C N D T P X F I S B ST TB
    {get_chars, "", "oooooonooorr"},
    {get_num, "", "nonnrrrooorr"},
    {get_date, "", "rrorrrrrrrrr"},
    {get_time, "", "rrrorrrrrrrr"},
    {get_bytes, "", "oooooooooorr"},
    {get_string, "", "nnnnoonooorr"},
    {get_int, "", "oorrrorooorr"},
    {get_int1, "", "rrrrrorooorr"},
    {get_int2, "", "rrrrrorooorr"},
    {get_float, "", "rrrrororrrrr"},
    {get_structure, "", "rrrrrrrrrror"},
    {get_table, "", "rrrrrrrrrrro"},
    {set_chars, "12", "oooooooooorr"},
    {set_string, "12", "oooooooooorr"},
    {set_num, "12", "rorrrrrrrrrr"},
    {set_date, "20261210", "rrorrrrrrrrr"},
    {set_time, "140359", "rrrorrrrrrrr"},
    {set_int, "7", "rrrrrrrorrrr"},
    {set_int2, "7", "rrrrrrrrorrr"},
    {set_int1, "7", "rrrrrrrrrorr"},
    {set_float, "1.5", "nnrrororrrrr"},
};

}  // namespace

TEST_F(FieldAccess, EachFunctionTakesTheFieldTypesSapsHeaderListsForIt) {
    for (const access_row &row : access_rows) {
        std::string expected = row.expected;
        ASSERT_EQ(expected.size(), 12u) << field_function_name(row.function);
        for (size_t f = 0; f < 12; ++f) {
            const char *name = field_names[f];
            SCOPED_TRACE(std::string(field_function_name(row.function)) + " on " + name);
            bool setter = row.function >= set_chars;
            std::string before[12];
            for (size_t g = 0; g < 10; ++g) before[g] = bytes(field_names[g]);
            std::string got = setter ? set(row.function, name, row.input) : get(row.function, name);
            char seen = got == rc_text(RFC_CONVERSION_FAILURE) ? 'r' : got == rc_text(RFC_NOT_SUPPORTED) ? 'n'
                        : got.rfind("<rc", 0) == 0                                                     ? '?'
                                                                                                       : 'o';
            EXPECT_EQ(seen, expected[f]) << got;
            // A refused call leaves every value as it was.
            for (size_t g = 0; seen != 'o' && g < 10; ++g) EXPECT_EQ(bytes(field_names[g]), before[g]) << field_names[g];
        }
    }
    // Setting raw bytes: each numeric field only from bytes of its own length.
    const struct {
        const char *name, *hex, *expected;
    } byte_cases[] = {
        {"C", "0A1B", "0A1B  "}, {"N", "01", "r"},     {"D", "01", "r"},         {"T", "01", "r"},
        {"P", "00012C", "00012C"}, {"X", "AB", "AB"}, {"F", "0000000000000000", "0000000000000000"},
        {"I", "67120000", "67120000"}, {"S", "0100", "0100"}, {"B", "FF", "FF"},
    };
    for (const auto &c : byte_cases) {
        SCOPED_TRACE(std::string("RfcSetBytes on ") + c.name);
        std::string got = set(set_bytes, c.name, c.hex);
        EXPECT_EQ(got, std::string(c.expected) == "r" ? rc_text(RFC_CONVERSION_FAILURE) : c.expected);
    }
    EXPECT_EQ(set(set_bytes, "I", "671200"), rc_text(RFC_INVALID_PARAMETER));
}

TEST_F(FieldAccess, ARefusalNamesTheFunctionTheFieldAndItsType) {
    RFC_ERROR_INFO info;
    char16_t day[8];
    EXPECT_EQ(RfcGetDate(function, u"C", day, &info), RFC_CONVERSION_FAILURE);
    EXPECT_EQ(narrow(info.message), "RfcGetDate: field C is of type RFCTYPE_CHAR, which RfcGetDate does not take");
    EXPECT_EQ(info.code, RFC_CONVERSION_FAILURE);
    EXPECT_EQ(info.group, EXTERNAL_RUNTIME_FAILURE);
    RFC_TABLE_HANDLE table = nullptr;
    EXPECT_EQ(RfcGetTable(function, u"ST", &table, &info), RFC_CONVERSION_FAILURE);
    EXPECT_EQ(narrow(info.message), "RfcGetTable: field ST is of type RFCTYPE_STRUCTURE, which RfcGetTable does not take");
    EXPECT_EQ(table, nullptr);
    EXPECT_EQ(RfcSetFloat(function, u"C", 1.5, &info), RFC_NOT_SUPPORTED);
    EXPECT_EQ(narrow(info.message), "RfcSetFloat: field C of type RFCTYPE_CHAR is not played by the stand-in");
}

TEST_F(FieldAccess, NumbersAndBytesConvertToAndFromTextAsTheHeaderDescribes) {
    struct {
        const char *name;
        std::string raw;  // the field's classic bytes
        field_function getter;
        unsigned buffer;
        std::string expected;
    } cases[] = {
        // An integer as text: left-aligned with blanks, or digits with zeros before them.
        {"I", std::string("\x67\x12\0\0", 4), get_chars, 10, "4711      "},
        {"I", std::string("\x67\x12\0\0", 4), get_num, 10, "0000004711"},
        {"I", std::string("\x67\x12\0\0", 4), get_string, 10, "4711"},
        {"I", std::string("\x67\x12\0\0", 4), get_bytes, 6, "671200000000"},
        {"I", std::string("\x67\x12\0\0", 4), get_chars, 3, rc_text(RFC_BUFFER_TOO_SMALL)},
        {"I", std::string("\xFB\xFF\xFF\xFF", 4), get_chars, 4, "-5  "},
        {"I", std::string("\xFB\xFF\xFF\xFF", 4), get_num, 4, rc_text(RFC_CONVERSION_FAILURE)},
        {"S", std::string("\xFE\xFF", 2), get_int, 0, "-2"},
        {"B", std::string("\xC8", 1), get_int2, 0, "200"},
        // Narrower integers take only the values they hold.
        {"I", std::string("\x2C\x01\0\0", 4), get_int1, 0, rc_text(RFC_CONVERSION_FAILURE)},
        {"I", std::string("\x2C\x01\0\0", 4), get_int2, 0, "300"},
        {"I", std::string("\x70\x11\x01\0", 4), get_int2, 0, rc_text(RFC_CONVERSION_FAILURE)},
        {"S", std::string("\xFF\xFF", 2), get_int1, 0, rc_text(RFC_CONVERSION_FAILURE)},
        // Texts fill a longer buffer: digits from the right with zeros, characters from the left.
        {"N", "0042", get_num, 8, "00000042"},
        {"N", "0042", get_chars, 6, "0042  "},
        // Raw bytes: as they lie, zeros after them, never cut; hexadecimal as text,
        // big-endian as an integer no wider than they are.
        {"XX", std::string("\xCA\xFE", 2), get_bytes, 4, "CAFE0000"},
        {"XX", std::string("\xCA\xFE", 2), get_bytes, 1, rc_text(RFC_BUFFER_TOO_SMALL)},
        {"XX", std::string("\x01\x02", 2), get_int, 0, "258"},
        {"XX", std::string("\x01\x02", 2), get_int2, 0, "258"},
        {"XX", std::string("\xFF\xFE", 2), get_int2, 0, "-2"},
        {"XX", std::string("\x01\x02", 2), get_int1, 0, rc_text(RFC_CONVERSION_FAILURE)},
        {"XX", std::string("\xCA\xFE", 2), get_chars, 6, "CAFE  "},
        {"XX", std::string("\xCA\xFE", 2), get_chars, 3, rc_text(RFC_BUFFER_TOO_SMALL)},
        {"XX", std::string("\xCA\xFE", 2), get_string, 5, "CAFE"},
        // Texts as whole numbers: blanks around a sign and digits, all blanks zero.
        {"C", " -42  ", get_int, 0, "-42"},
        {"C", "      ", get_int, 0, "0"},
        {"C", "4x    ", get_int, 0, rc_text(RFC_CONVERSION_FAILURE)},
        {"C", "-     ", get_int, 0, rc_text(RFC_CONVERSION_FAILURE)},
        {"C", "999999", get_int, 0, "999999"},
        {"N", "0042", get_int, 0, "42"},
        // Characters as their UTF-16, low byte first on the stand-in's hosts.
        {"C", "AB\xe9   ", get_bytes, 12, "41004200E900200020002000"},
        {"C", "AB\xe9   ", get_bytes, 11, rc_text(RFC_BUFFER_TOO_SMALL)},
        // Packed numbers as text and as a float.
        {"P", "\x12\x34\x5C", get_chars, 8, "123.45  "},
        {"P", "\x12\x34\x5D", get_float, 0, "-123.45"},
        {"P", "\x12\x3A\x5C", get_float, 0, rc_text(RFC_CONVERSION_FAILURE)},
        // A float's binary form.
        {"F", std::string("\0\0\0\0\0\0\xF8\x3F", 8), get_bytes, 8, "000000000000F83F"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(field_function_name(c.getter)) + " on " + c.name + " buffer " + std::to_string(c.buffer));
        lay(c.name, c.raw);
        EXPECT_EQ(get(c.getter, c.name, c.buffer), c.expected);
    }
}

TEST_F(FieldAccess, TextsSetIntoNumbersAndBytesAreConvertedOrRefusedWhole) {
    struct {
        field_function setter;
        const char *name, *input;
        std::string expected;  // the field's bytes afterwards (hexadecimal but for texts)
    } cases[] = {
        {set_chars, "I", "  -17 ", "EFFFFFFF"},
        {set_string, "I", "2147483647", "FFFFFF7F"},
        {set_chars, "I", "2147483648", rc_text(RFC_CONVERSION_FAILURE)},
        {set_chars, "S", "-32768", "0080"},
        {set_chars, "S", "40000", rc_text(RFC_CONVERSION_FAILURE)},
        {set_string, "B", "255", "FF"},
        {set_string, "B", "-1", rc_text(RFC_CONVERSION_FAILURE)},
        {set_chars, "I", "12a", rc_text(RFC_CONVERSION_FAILURE)},
        {set_chars, "F", "2.5e3", "000000000088A340"},
        {set_chars, "F", "abc", rc_text(RFC_CONVERSION_FAILURE)},
        // Digits into NUM come right-aligned with zeros, as ABAP holds them.
        {set_chars, "N", "42", "0042"},
        {set_string, "N", " 7 ", "0007"},
        {set_chars, "N", "4a", rc_text(RFC_CONVERSION_FAILURE)},
        {set_chars, "N", "12345", rc_text(RFC_CONVERSION_FAILURE)},
        // Raw bytes from hexadecimal text: an even count, no longer than the field.
        {set_chars, "XX", "CAFE", "CAFE"},
        {set_string, "XX", "ab", "AB00"},
        {set_chars, "XX", "CAF", rc_text(RFC_CONVERSION_FAILURE)},
        {set_chars, "XX", "CAFEBA", rc_text(RFC_CONVERSION_FAILURE)},
        {set_chars, "XX", "CG", rc_text(RFC_CONVERSION_FAILURE)},
        // Packed fields from text and from a float, rounded to their decimals.
        {set_chars, "P", "-1.5", "00150D"},
        {set_float, "P", "12.5", "01250C"},
        {set_float, "P", "-0.004", "00000C"},
        {set_float, "P", "1234.5", rc_text(RFC_CONVERSION_FAILURE)},
        // Bytes into a character field as their hexadecimal text.
        {set_bytes, "C", "CAFE01", "CAFE01"},
        {set_bytes, "C", "CAFE0102", rc_text(RFC_BUFFER_TOO_SMALL)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(field_function_name(c.setter)) + " on " + c.name + " with " + c.input);
        std::string before = bytes(c.name);
        std::string got = set(c.setter, c.name, c.input);
        EXPECT_EQ(got, c.expected);
        if (got.rfind("<rc", 0) == 0) {
            EXPECT_EQ(bytes(c.name), before) << "a refused value leaves the field alone";
        }
    }
}

TEST_F(FieldAccess, ATableHandleStandsForItsCurrentRow) {
    RFC_ERROR_INFO info;
    RFC_TABLE_HANDLE table = nullptr;
    ASSERT_EQ(RfcGetTable(function, u"TB", &table, &info), RFC_OK);
    EXPECT_EQ(RfcSetChars(table, u"NAME", u"AB", 2, &info), RFC_TABLE_MOVE_EOF);
    ASSERT_NE(RfcAppendNewRow(table, &info), nullptr);
    ASSERT_NE(RfcAppendNewRow(table, &info), nullptr);
    ASSERT_EQ(RfcSetChars(table, u"NAME", u"CD", 2, &info), RFC_OK);
    ASSERT_EQ(RfcMoveTo(table, 0, &info), RFC_OK);
    EXPECT_EQ(chars_of(table, "NAME", 4), "    ");
    ASSERT_EQ(RfcMoveTo(table, 1, &info), RFC_OK);
    EXPECT_EQ(chars_of(table, "NAME", 4), "CD  ");
}

}  // namespace nwrfc_test
