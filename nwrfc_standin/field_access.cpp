// The field types each getter and setter takes follow SAP's header sapnwrfc.h (7.50),
// which lists them in each function's documentation. Where it lists a type and says
// how the value converts (an integer as decimal text, a raw field as hexadecimal, a
// packed number as its bytes), the stand-in plays it; where it lists a type without
// fixing the result (a float as text, a text as a float) or for types the stand-in's
// containers never hold (STRING, XSTRING, DECF16/34, INT8), it refuses with
// RFC_NOT_SUPPORTED, so that a caller of ours relying on it shows up in the tests
// instead of reading a form we made up. The bridge uses for each type only the
// function named after it, and RfcGetBytes/RfcSetBytes for packed numbers.
#include "nwrfc_standin/field_access.h"

#include "core/bounded_text.h"
#include "rfc_standin/standin_text.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace nwrfc;

namespace {

bool is_integer(RFCTYPE type) { return type == RFCTYPE_INT || type == RFCTYPE_INT2 || type == RFCTYPE_INT1; }
bool is_text(RFCTYPE type) {
    return type == RFCTYPE_CHAR || type == RFCTYPE_NUM || type == RFCTYPE_DATE || type == RFCTYPE_TIME;
}
// The types the containers never hold: listed by the header for many functions, played by none.
bool is_unheld(RFCTYPE type) {
    return type == RFCTYPE_STRING || type == RFCTYPE_XSTRING || type == RFCTYPE_DECF16 || type == RFCTYPE_DECF34 ||
           type == RFCTYPE_INT8;
}

const char *type_name(RFCTYPE type) {
    switch (type) {
    case RFCTYPE_CHAR: return "RFCTYPE_CHAR";
    case RFCTYPE_DATE: return "RFCTYPE_DATE";
    case RFCTYPE_BCD: return "RFCTYPE_BCD";
    case RFCTYPE_TIME: return "RFCTYPE_TIME";
    case RFCTYPE_BYTE: return "RFCTYPE_BYTE";
    case RFCTYPE_TABLE: return "RFCTYPE_TABLE";
    case RFCTYPE_NUM: return "RFCTYPE_NUM";
    case RFCTYPE_FLOAT: return "RFCTYPE_FLOAT";
    case RFCTYPE_INT: return "RFCTYPE_INT";
    case RFCTYPE_INT2: return "RFCTYPE_INT2";
    case RFCTYPE_INT1: return "RFCTYPE_INT1";
    case RFCTYPE_STRUCTURE: return "RFCTYPE_STRUCTURE";
    default: return "another type";
    }
}

nwrfc::RFC_RC fail(nwrfc::RFC_ERROR_INFO *info, nwrfc::RFC_RC code, const char *message) {
    set_error(info, code, EXTERNAL_RUNTIME_FAILURE, message);
    return code;
}

long long little_endian(const unsigned char *bytes, unsigned size) {
    unsigned long long value = 0;
    for (unsigned i = 0; i < size; ++i) value |= static_cast<unsigned long long>(bytes[i]) << (8 * i);
    return static_cast<long long>(value);
}

// An integer field's value: INT and INT2 signed, INT1 unsigned.
long long integer_of(const nw_value &value) {
    switch (value.type) {
    case RFCTYPE_INT: return static_cast<int>(static_cast<unsigned>(little_endian(value.bytes, 4)));
    case RFCTYPE_INT2: return static_cast<short>(static_cast<unsigned short>(little_endian(value.bytes, 2)));
    default: return value.bytes[0];
    }
}

void put_integer(const nw_value &value, long long number) {
    for (unsigned i = 0; i < value.length; ++i)
        value.bytes[i] = static_cast<unsigned char>(static_cast<unsigned long long>(number) >> (8 * i));
}

bool integer_fits(RFCTYPE type, long long number) {
    switch (type) {
    case RFCTYPE_INT: return number >= -2147483647LL - 1 && number <= 2147483647LL;
    case RFCTYPE_INT2: return number >= -32768 && number <= 32767;
    default: return number >= 0 && number <= 255;
    }
}

// A whole number as text: blanks around it, an optional sign, digits. All blanks are
// zero, as ABAP moves an initial text into an integer. False for anything else.
bool parse_integer(const char *text, long long *out) {
    while (*text == ' ') ++text;
    bool negative = *text == '-', sign = *text == '-' || *text == '+';
    if (sign) ++text;
    long long number = 0;
    bool digits = false;
    for (; *text >= '0' && *text <= '9'; ++text) {
        if (number > 100000000000LL) return false;
        number = number * 10 + (*text - '0');
        digits = true;
    }
    while (*text == ' ') ++text;
    if (*text != '\0') return false;
    if (!digits && sign) return false;
    *out = negative ? -number : number;
    return true;
}

// The characters of a field's bytes as text (ISO-8859-1), for the conversions that read it.
void field_text(const nw_value &value, char *out, unsigned capacity) {
    unsigned i = 0;
    for (; i < value.length && i + 1 < capacity; ++i) out[i] = static_cast<char>(value.bytes[i]);
    out[i] = '\0';
}

// `count` UTF-16 characters as ASCII text; false when one lies outside ASCII or they do not fit.
bool ascii_text(const char16_t *text, unsigned count, char *out, unsigned capacity) {
    if (count + 1 > capacity || (text == nullptr && count > 0)) return false;
    for (unsigned i = 0; i < count; ++i) {
        if (text[i] >= 0x80) return false;
        out[i] = static_cast<char>(text[i]);
    }
    out[count] = '\0';
    return true;
}

}  // namespace

RFCTYPE value_type(const nw_value &value) {
    if (value.child != nullptr) return value.child->kind == container_table ? RFCTYPE_TABLE : RFCTYPE_STRUCTURE;
    return static_cast<RFCTYPE>(value.type);
}

const char *field_function_name(field_function function) {
    static const char *const names[] = {
        "RfcGetChars", "RfcGetNum",   "RfcGetDate",  "RfcGetTime",   "RfcGetBytes",     "RfcGetString",
        "RfcGetInt",   "RfcGetInt1",  "RfcGetInt2",  "RfcGetFloat",  "RfcGetStructure", "RfcGetTable",
        "RfcSetChars", "RfcSetNum",   "RfcSetDate",  "RfcSetTime",   "RfcSetBytes",     "RfcSetString",
        "RfcSetInt",   "RfcSetInt1",  "RfcSetInt2",  "RfcSetFloat",
    };
    return names[function];
}

field_access_kind field_access(field_function function, RFCTYPE type) {
    // Each case: the header's list for the function; what of it the stand-in plays.
    bool listed = false, played = false;
    switch (function) {
    case get_chars:
    case get_string:
    case set_chars:
    case set_string:
        // CHAR, STRING, NUM, DATE, TIME, INTx, FLOAT, BCD, DECFxx, BYTE, XSTRING. RfcGetString
        // of a text field and any float as text: the header fixes no form (trailing
        // blanks, notation), so those are not played.
        listed = is_text(type) || is_integer(type) || type == RFCTYPE_FLOAT || type == RFCTYPE_BCD ||
                 type == RFCTYPE_BYTE || is_unheld(type);
        played = is_integer(type) || type == RFCTYPE_BCD || type == RFCTYPE_BYTE ||
                 (function == get_chars && is_text(type)) ||
                 ((function == set_chars || function == set_string) && (is_text(type) || type == RFCTYPE_FLOAT));
        break;
    case get_num:
        // CHAR, STRING, NUM, DATE, TIME, INTx: integers as zero-padded digits are played.
        listed = is_text(type) || is_integer(type) || type == RFCTYPE_STRING || type == RFCTYPE_INT8;
        played = type == RFCTYPE_NUM || is_integer(type);
        break;
    case get_date:
    case set_date: listed = played = type == RFCTYPE_DATE; break;
    case get_time:
    case set_time: listed = played = type == RFCTYPE_TIME; break;
    case set_num: listed = played = type == RFCTYPE_NUM; break;
    case get_bytes:
        // BYTE, XSTRING, CHAR, NUM, DATE, TIME, INTx, FLOAT, BCD, DECFxx: the value's bytes.
        listed = type == RFCTYPE_BYTE || is_text(type) || is_integer(type) || type == RFCTYPE_FLOAT ||
                 type == RFCTYPE_BCD || type == RFCTYPE_XSTRING || type == RFCTYPE_DECF16 ||
                 type == RFCTYPE_DECF34 || type == RFCTYPE_INT8;
        played = listed && !is_unheld(type);
        break;
    case set_bytes:
        // BYTE, XSTRING, CHAR, STRING, INTx, FLOAT, BCD, DECFxx: numbers only from bytes of
        // their own length, characters as the bytes' hexadecimal text.
        listed = type == RFCTYPE_BYTE || type == RFCTYPE_CHAR || is_integer(type) || type == RFCTYPE_FLOAT ||
                 type == RFCTYPE_BCD || is_unheld(type);
        played = listed && !is_unheld(type);
        break;
    case get_int:
        // INT, INT2, INT1, BYTE (big-endian, at most 4 bytes), XSTRING, CHAR, NUM, STRING.
        listed = is_integer(type) || type == RFCTYPE_BYTE || type == RFCTYPE_XSTRING || type == RFCTYPE_CHAR ||
                 type == RFCTYPE_NUM || type == RFCTYPE_STRING;
        played = listed && !is_unheld(type);
        break;
    case get_int1:
    case get_int2:
        // INT, INT2, INT1, BYTE (1 byte for INT1, 1 or 2 for INT2, big-endian), XSTRING.
        listed = is_integer(type) || type == RFCTYPE_BYTE || type == RFCTYPE_XSTRING;
        played = listed && type != RFCTYPE_XSTRING;
        break;
    case get_float: listed = played = type == RFCTYPE_FLOAT || type == RFCTYPE_BCD; break;
    case get_structure: listed = played = type == RFCTYPE_STRUCTURE; break;
    case get_table: listed = played = type == RFCTYPE_TABLE; break;
    case set_int: listed = played = type == RFCTYPE_INT; break;
    case set_int1: listed = played = type == RFCTYPE_INT1; break;
    case set_int2: listed = played = type == RFCTYPE_INT2; break;
    case set_float:
        // FLOAT, BCD, CHAR, STRING, NUM, DECF16, DECF34: a float into a text has no form
        // the header fixes beyond "scientific notation", so only FLOAT and BCD are played.
        listed = type == RFCTYPE_FLOAT || type == RFCTYPE_BCD || type == RFCTYPE_CHAR || type == RFCTYPE_NUM ||
                 type == RFCTYPE_STRING || type == RFCTYPE_DECF16 || type == RFCTYPE_DECF34;
        played = type == RFCTYPE_FLOAT || type == RFCTYPE_BCD;
        break;
    }
    if (!listed) return access_refused;
    return played ? access_played : access_not_played;
}

nwrfc::RFC_RC field_for(field_function function, DATA_CONTAINER_HANDLE handle, const char16_t *name, nw_value &value,
                        nwrfc::RFC_ERROR_INFO *info) {
    nw_container *container = container_of(handle);
    if (container == nullptr) return fail(info, RFC_INVALID_HANDLE, "invalid data container handle");
    // A table handle stands for its current row, as the header says of every getter and setter.
    if (container->kind == container_table) {
        if (container->row_count == 0) return fail(info, RFC_TABLE_MOVE_EOF, "the table has no current row");
        container = container->children[0];
    }
    if (!find_value(container, name, value, info)) return RFC_INVALID_PARAMETER;
    RFCTYPE type = value_type(value);
    field_access_kind access = field_access(function, type);
    if (access == access_played) return nwrfc::RFC_OK;
    char shown[31];
    narrow_text(name, shown, sizeof shown);
    bounded_text<160> message;
    const char *called = field_function_name(function);
    if (access == access_refused) {
        message.format("%s: field %s is of type %s, which %s does not take", called, shown, type_name(type), called);
        return fail(info, RFC_CONVERSION_FAILURE, message.c_str());
    }
    message.format("%s: field %s of type %s is not played by the stand-in", called, shown, type_name(type));
    return fail(info, RFC_NOT_SUPPORTED, message.c_str());
}

void widen_field(const unsigned char *bytes, const unsigned char *marks, unsigned length, char16_t *out,
                 unsigned out_length) {
    unsigned written = 0;
    for (unsigned i = 0; i < length && written < out_length; ++i) {
        unsigned char byte = bytes[i];
        bool sent = marks[i] == 0 && (i + 1 >= length || marks[i + 1] == 0) && (i + 2 >= length || marks[i + 2] == 0);
        if (sent && byte >= 0xC2 && byte <= 0xEF && i + 1 < length && (bytes[i + 1] & 0xC0) == 0x80) {
            unsigned code = byte >= 0xE0 ? byte & 0x0F : byte & 0x1F;
            unsigned follow = byte >= 0xE0 ? 2 : 1;
            if (i + follow < length && (follow == 1 || (bytes[i + 2] & 0xC0) == 0x80)) {
                for (unsigned f = 1; f <= follow; ++f) code = code << 6 | (bytes[i + f] & 0x3F);
                out[written++] = static_cast<char16_t>(code);
                i += follow;
                continue;
            }
        }
        out[written++] = byte;
    }
    while (written < out_length) out[written++] = u' ';
}

bool packed_text(const unsigned char *field, unsigned length, unsigned decimals, char *out) {
    if (length == 0 || length > 16 || decimals > 2 * length - 1) return false;
    unsigned digits = 2 * length - 1, at = 0;
    unsigned sign = field[length - 1] & 0x0F;
    if (sign < 0xA) return false;
    for (unsigned i = 0; i < digits; ++i)
        if ((i % 2 == 0 ? field[i / 2] >> 4 : field[i / 2] & 0x0F) > 9) return false;
    if (sign == 0xD || sign == 0xB) out[at++] = '-';
    bool leading = true;
    for (unsigned i = 0; i < digits; ++i) {
        unsigned digit = i % 2 == 0 ? field[i / 2] >> 4 : field[i / 2] & 0x0F;
        if (i == digits - decimals) {
            if (leading) out[at++] = '0';
            out[at++] = '.';
            leading = false;
        }
        if (leading && digit == 0 && i + 1 < digits - decimals) continue;
        leading = false;
        out[at++] = static_cast<char>('0' + digit);
    }
    out[at] = '\0';
    return true;
}

bool packed_from_text(const char *text, unsigned char *field, unsigned length, unsigned decimals) {
    while (*text == ' ') ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    char whole[64], fraction[64];
    unsigned whole_count = 0, fraction_count = 0;
    bool any_digit = false;
    for (; *text >= '0' && *text <= '9'; ++text) {
        any_digit = true;
        if (whole_count > 0 || *text != '0') {  // leading zeros count for nothing
            if (whole_count == sizeof whole) return false;
            whole[whole_count++] = *text;
        }
    }
    if (*text == '.') {
        for (++text; *text >= '0' && *text <= '9'; ++text) {
            if (fraction_count == sizeof fraction) return false;
            fraction[fraction_count++] = *text;
            any_digit = true;
        }
    }
    while (*text == ' ') ++text;
    if (*text != '\0' || !any_digit) return false;
    while (fraction_count > decimals && fraction[fraction_count - 1] == '0') --fraction_count;
    unsigned digits = 2 * length - 1;
    if (fraction_count > decimals || whole_count > digits - decimals) return false;
    // The digits right-aligned: the whole part, then the fraction padded to `decimals`.
    char all[32];
    memset(all, '0', sizeof all);
    memcpy(all + (digits - decimals - whole_count), whole, whole_count);
    memcpy(all + (digits - decimals), fraction, fraction_count);
    bool zero = true;
    for (unsigned i = 0; i < digits; ++i) zero = zero && all[i] == '0';
    memset(field, 0, length);
    for (unsigned i = 0; i < digits; ++i) {
        unsigned digit = static_cast<unsigned>(all[i] - '0');
        field[i / 2] |= static_cast<unsigned char>(i % 2 == 0 ? digit << 4 : digit);
    }
    field[length - 1] |= negative && !zero ? 0x0D : 0x0C;
    return true;
}

nwrfc::RFC_RC converted_chars(field_function function, const nw_value &value, char16_t *buffer, unsigned length,
                              nwrfc::RFC_ERROR_INFO *info) {
    char text[40];
    RFCTYPE type = static_cast<RFCTYPE>(value.type);
    if (is_integer(type)) {
        long long number = integer_of(value);
        // RfcGetNum gives digits only, zero-padded from the left: a sign has no place.
        if (function == get_num && number < 0)
            return fail(info, RFC_CONVERSION_FAILURE, "a negative integer has no digits-only form");
        snprintf(text, sizeof text, "%lld", number);
    } else if (type == RFCTYPE_BCD) {
        if (!packed_text(value.bytes, value.length, value.decimals, text))
            return fail(info, RFC_CONVERSION_FAILURE, "packed field holds no packed number");
    } else {  // RFCTYPE_BYTE: two hexadecimal digits a byte
        if (2 * value.length > length) return fail(info, RFC_BUFFER_TOO_SMALL, "buffer too small for the hexadecimal text");
        for (unsigned i = 0; i < value.length; ++i) {
            static const char digits[] = "0123456789ABCDEF";
            buffer[2 * i] = static_cast<char16_t>(digits[value.bytes[i] >> 4]);
            buffer[2 * i + 1] = static_cast<char16_t>(digits[value.bytes[i] & 0x0F]);
        }
        if (function == get_string) {
            if (2 * value.length + 1 > length) return fail(info, RFC_BUFFER_TOO_SMALL, "buffer too small");
            buffer[2 * value.length] = 0;
        } else {
            for (unsigned i = 2 * value.length; i < length; ++i) buffer[i] = u' ';
        }
        return nwrfc::RFC_OK;
    }
    unsigned size = static_cast<unsigned>(strlen(text));
    unsigned room = function == get_string ? size + 1 : size;
    if (room > length) return fail(info, RFC_BUFFER_TOO_SMALL, "buffer too small for the converted value");
    if (function == get_string) {
        for (unsigned i = 0; i <= size; ++i) buffer[i] = static_cast<unsigned char>(text[i]);
    } else if (function == get_num) {  // right-aligned, zeros before
        for (unsigned i = 0; i < length; ++i)
            buffer[i] = i < length - size ? u'0' : static_cast<char16_t>(text[i - (length - size)]);
    } else {  // left-aligned, blanks after
        for (unsigned i = 0; i < length; ++i) buffer[i] = i < size ? static_cast<char16_t>(text[i]) : u' ';
    }
    return nwrfc::RFC_OK;
}

nwrfc::RFC_RC converted_bytes(const nw_value &value, unsigned char *buffer, unsigned length, nwrfc::RFC_ERROR_INFO *info) {
    RFCTYPE type = static_cast<RFCTYPE>(value.type);
    if (is_text(type)) {  // the characters' UTF-16, low byte first as on the stand-in's hosts
        char16_t wide[standin_container_bytes];
        if (2 * value.length > length) return fail(info, RFC_BUFFER_TOO_SMALL, "buffer shorter than the field's characters");
        widen_field(value.bytes, value.marks, value.length, wide, value.length);
        for (unsigned i = 0; i < value.length; ++i) {
            buffer[2 * i] = static_cast<unsigned char>(wide[i] & 0xFF);
            buffer[2 * i + 1] = static_cast<unsigned char>(wide[i] >> 8);
        }
        for (unsigned i = 2 * value.length; i < length; ++i) buffer[i] = 0;
        return nwrfc::RFC_OK;
    }
    // Raw bytes, packed bytes and the binary form of a number, as they lie, zeros after
    // them; a buffer shorter than the field is too small, as the header says, and would
    // cut the value (a packed number's sign).
    if (length < value.length)
        return fail(info, RFC_BUFFER_TOO_SMALL, type == RFCTYPE_BCD ? "buffer shorter than the packed field"
                                                                     : "buffer shorter than the field");
    for (unsigned i = 0; i < length; ++i) buffer[i] = i < value.length ? value.bytes[i] : 0;
    return nwrfc::RFC_OK;
}

nwrfc::RFC_RC converted_integer(field_function function, const nw_value &value, long long *out, nwrfc::RFC_ERROR_INFO *info) {
    RFCTYPE type = static_cast<RFCTYPE>(value.type);
    long long number = 0;
    if (is_integer(type)) {
        number = integer_of(value);
    } else if (type == RFCTYPE_BYTE) {
        // Big-endian, no longer than the target: INT 4 bytes, INT2 2, INT1 1.
        unsigned most = function == get_int ? 4 : function == get_int2 ? 2 : 1;
        if (value.length > most) return fail(info, RFC_CONVERSION_FAILURE, "more bytes than the integer holds");
        unsigned long long raw = 0;
        for (unsigned i = 0; i < value.length; ++i) raw = raw << 8 | value.bytes[i];
        number = value.length == most && function == get_int   ? static_cast<int>(static_cast<unsigned>(raw))
                 : value.length == most && function == get_int2 ? static_cast<short>(static_cast<unsigned short>(raw))
                                                                : static_cast<long long>(raw);
    } else {  // CHAR or NUM, read as a whole number
        char text[standin_container_bytes + 1];
        field_text(value, text, sizeof text);
        if (!parse_integer(text, &number)) return fail(info, RFC_CONVERSION_FAILURE, "text is no whole number");
    }
    RFCTYPE target = function == get_int ? RFCTYPE_INT : function == get_int2 ? RFCTYPE_INT2 : RFCTYPE_INT1;
    if (!integer_fits(target, number)) return fail(info, RFC_CONVERSION_FAILURE, "value outside the integer's range");
    *out = number;
    return nwrfc::RFC_OK;
}

nwrfc::RFC_RC converted_float(const nw_value &value, double *out, nwrfc::RFC_ERROR_INFO *info) {
    if (value.type == RFCTYPE_FLOAT) {
        memcpy(out, value.bytes, sizeof *out);  // the records are little-endian, as the stand-in's hosts
        return nwrfc::RFC_OK;
    }
    char text[40];
    if (!packed_text(value.bytes, value.length, value.decimals, text))
        return fail(info, RFC_CONVERSION_FAILURE, "packed field holds no packed number");
    *out = strtod(text, nullptr);
    return nwrfc::RFC_OK;
}

nwrfc::RFC_RC set_from_text(const nw_value &value, const char16_t *text, unsigned length, nwrfc::RFC_ERROR_INFO *info) {
    char ascii[80];
    RFCTYPE type = static_cast<RFCTYPE>(value.type);
    if (!ascii_text(text, length, ascii, sizeof ascii))
        return fail(info, RFC_CONVERSION_FAILURE, "text is no value of this field");
    if (type == RFCTYPE_BCD) {
        if (!packed_from_text(ascii, value.bytes, value.length, value.decimals))
            return fail(info, RFC_CONVERSION_FAILURE, "text is no packed number of this field");
        return nwrfc::RFC_OK;
    }
    if (is_integer(type)) {
        long long number = 0;
        if (!parse_integer(ascii, &number) || !integer_fits(type, number))
            return fail(info, RFC_CONVERSION_FAILURE, "text is no whole number this field holds");
        put_integer(value, number);
        return nwrfc::RFC_OK;
    }
    if (type == RFCTYPE_FLOAT) {
        char *end = nullptr;
        double number = strtod(ascii, &end);
        while (end != nullptr && *end == ' ') ++end;
        if (end == ascii || end == nullptr || *end != '\0')
            return fail(info, RFC_CONVERSION_FAILURE, "text is no floating-point number");
        memcpy(value.bytes, &number, sizeof number);
        return nwrfc::RFC_OK;
    }
    if (type == RFCTYPE_NUM) {  // digits only, right-aligned with zeros before them
        const char *start = ascii;
        while (*start == ' ') ++start;
        unsigned size = 0;
        while (start[size] >= '0' && start[size] <= '9') ++size;
        const char *rest = start + size;
        while (*rest == ' ') ++rest;
        if (*rest != '\0' || size > value.length)
            return fail(info, RFC_CONVERSION_FAILURE, "text is not the digits of this field");
        memset(value.bytes, '0', value.length);
        memcpy(value.bytes + (value.length - size), start, size);
        memset(value.marks, 1, value.length);
        return nwrfc::RFC_OK;
    }
    // RFCTYPE_BYTE: hexadecimal text, two digits a byte, zeros after it.
    if (length % 2 != 0 || length / 2 > value.length)
        return fail(info, RFC_CONVERSION_FAILURE, "hexadecimal text of odd length or longer than the field");
    unsigned char bytes[40];
    for (unsigned i = 0; i < length / 2; ++i) {
        int high = hex_digit(ascii[2 * i]), low = hex_digit(ascii[2 * i + 1]);
        if (high < 0 || low < 0) return fail(info, RFC_CONVERSION_FAILURE, "text is not hexadecimal");
        bytes[i] = static_cast<unsigned char>(high << 4 | low);
    }
    for (unsigned i = 0; i < value.length; ++i) value.bytes[i] = i < length / 2 ? bytes[i] : 0;
    return nwrfc::RFC_OK;
}

nwrfc::RFC_RC set_from_bytes(const nw_value &value, const unsigned char *bytes, unsigned length,
                             nwrfc::RFC_ERROR_INFO *info) {
    if (value.type == RFCTYPE_CHAR) {  // the bytes' hexadecimal text, blanks after it
        if (2 * length > value.length) return fail(info, RFC_BUFFER_TOO_SMALL, "the bytes' hexadecimal text is longer than the field");
        static const char digits[] = "0123456789ABCDEF";
        for (unsigned i = 0; i < value.length; ++i) {
            unsigned byte = i / 2 < length ? bytes[i / 2] : 0;
            value.bytes[i] = i < 2 * length ? static_cast<unsigned char>(digits[i % 2 == 0 ? byte >> 4 : byte & 0x0F]) : ' ';
        }
        memset(value.marks, 1, value.length);
        return nwrfc::RFC_OK;
    }
    // A number takes bytes only of its own length, as the header says.
    if (value.type != RFCTYPE_BYTE && length != value.length) {
        bounded_text<120> message;
        message.format("%u bytes given for a %s field of %u", length, value.type == RFCTYPE_BCD ? "packed" : "numeric",
                       value.length);
        return fail(info, RFC_INVALID_PARAMETER, message.c_str());
    }
    for (unsigned i = 0; i < value.length; ++i) value.bytes[i] = i < length ? bytes[i] : 0;
    return nwrfc::RFC_OK;
}

nwrfc::RFC_RC set_packed_from_float(const nw_value &value, double number, nwrfc::RFC_ERROR_INFO *info) {
    char text[400];
    snprintf(text, sizeof text, "%.*f", static_cast<int>(value.decimals), number);
    if (!packed_from_text(text, value.bytes, value.length, value.decimals))
        return fail(info, RFC_CONVERSION_FAILURE, "the float does not fit the packed field");
    return nwrfc::RFC_OK;
}
