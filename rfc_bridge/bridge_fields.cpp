// Integers are written byte by byte, low byte first: the classic record is
// little-endian on every platform the sensor runs on, whatever the bridge's host.
#include "rfc_bridge/bridge_fields.h"

#include "rfc_bridge/text_conversion.h"

#include <cstring>

using namespace nwrfc;

namespace {

char16_t wide[65536];  // one character field at a time; the bridge runs on one thread

void put_little_endian(unsigned char *bytes, unsigned long long value, unsigned size) {
    for (unsigned i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

unsigned long long get_little_endian(const unsigned char *bytes, unsigned size) {
    unsigned long long value = 0;
    for (unsigned i = 0; i < size; ++i) value |= static_cast<unsigned long long>(bytes[i]) << (8 * i);
    return value;
}

}  // namespace

void set_own_error(nwrfc::RFC_ERROR_INFO &info, nwrfc::RFC_RC code, const char *message) {
    memset(&info, 0, sizeof info);
    info.code = code;
    info.group = EXTERNAL_RUNTIME_FAILURE;
    latin1_to_utf16_text(message, info.message, 512);
}

RFCTYPE netweaver_type(unsigned classic_type) {
    switch (classic_type) {
    case TYPC: return RFCTYPE_CHAR;
    case TYPDATE: return RFCTYPE_DATE;
    case TYPP: return RFCTYPE_BCD;
    case TYPTIME: return RFCTYPE_TIME;
    case TYPX: return RFCTYPE_BYTE;
    case TYPNUM: return RFCTYPE_NUM;
    case TYPFLOAT: return RFCTYPE_FLOAT;
    case TYPINT: return RFCTYPE_INT;
    case TYPINT2: return RFCTYPE_INT2;
    default: return RFCTYPE_INT1;
    }
}

unsigned unicode_length(const flat_type &type) {
    bool characters = type.type == TYPC || type.type == TYPDATE || type.type == TYPTIME || type.type == TYPNUM;
    return characters ? 2 * type.length : type.length;
}

nwrfc::RFC_RC get_field(const nwrfc_functions &nw, DATA_CONTAINER_HANDLE container, const char16_t *name,
                 const flat_type &type, unsigned char *bytes, nwrfc::RFC_ERROR_INFO &info) {
    nwrfc::RFC_RC rc = nwrfc::RFC_OK;
    char *text = reinterpret_cast<char *>(bytes);
    switch (type.type) {
    case TYPC:
    case TYPNUM:
    case TYPDATE:
    case TYPTIME:
        if (type.type == TYPC) rc = nw.RfcGetChars(container, name, wide, type.length, &info);
        if (type.type == TYPNUM) rc = nw.RfcGetNum(container, name, wide, type.length, &info);
        if (type.type == TYPDATE) rc = nw.RfcGetDate(container, name, wide, &info);
        if (type.type == TYPTIME) rc = nw.RfcGetTime(container, name, wide, &info);
        if (rc == nwrfc::RFC_OK) utf16_to_latin1(wide, type.length, text);
        return rc;
    case TYPX: return nw.RfcGetBytes(container, name, bytes, type.length, &info);
    case TYPP:
        // The packed bytes exactly as the system sent them, whatever their sign or
        // digit half-bytes: the sensor reads them as it read the classic library's.
        return nw.RfcGetBytes(container, name, bytes, type.length, &info);
    case TYPINT: {
        RFC_INT value = 0;
        rc = nw.RfcGetInt(container, name, &value, &info);
        if (rc == nwrfc::RFC_OK) put_little_endian(bytes, static_cast<unsigned>(value), 4);
        return rc;
    }
    case TYPINT2: {
        RFC_INT2 value = 0;
        rc = nw.RfcGetInt2(container, name, &value, &info);
        if (rc == nwrfc::RFC_OK) put_little_endian(bytes, static_cast<unsigned short>(value), 2);
        return rc;
    }
    case TYPINT1: return nw.RfcGetInt1(container, name, bytes, &info);
    case TYPFLOAT: {
        RFC_FLOAT value = 0;
        rc = nw.RfcGetFloat(container, name, &value, &info);
        unsigned long long raw;
        memcpy(&raw, &value, sizeof raw);
        if (rc == nwrfc::RFC_OK) put_little_endian(bytes, raw, 8);
        return rc;
    }
    default: set_own_error(info, RFC_INVALID_PARAMETER, "type not carried by the bridge"); return RFC_INVALID_PARAMETER;
    }
}

nwrfc::RFC_RC set_field(const nwrfc_functions &nw, DATA_CONTAINER_HANDLE container, const char16_t *name,
                 const flat_type &type, const unsigned char *bytes, nwrfc::RFC_ERROR_INFO &info) {
    const char *text = reinterpret_cast<const char *>(bytes);
    switch (type.type) {
    case TYPC:
    case TYPNUM:
    case TYPDATE:
    case TYPTIME:
        latin1_to_utf16(text, type.length, wide);
        if (type.type == TYPC) return nw.RfcSetChars(container, name, wide, type.length, &info);
        if (type.type == TYPNUM) return nw.RfcSetNum(container, name, wide, type.length, &info);
        if (type.type == TYPDATE) return nw.RfcSetDate(container, name, wide, &info);
        return nw.RfcSetTime(container, name, wide, &info);
    case TYPX: return nw.RfcSetBytes(container, name, bytes, type.length, &info);
    case TYPP: return nw.RfcSetBytes(container, name, bytes, type.length, &info);
    case TYPINT:
        return nw.RfcSetInt(container, name, static_cast<RFC_INT>(static_cast<unsigned>(get_little_endian(bytes, 4))),
                            &info);
    case TYPINT2:
        return nw.RfcSetInt2(container, name,
                             static_cast<RFC_INT2>(static_cast<unsigned short>(get_little_endian(bytes, 2))), &info);
    case TYPINT1: return nw.RfcSetInt1(container, name, bytes[0], &info);
    case TYPFLOAT: {
        unsigned long long raw = get_little_endian(bytes, 8);
        RFC_FLOAT value;
        memcpy(&value, &raw, sizeof value);
        return nw.RfcSetFloat(container, name, value, &info);
    }
    default: set_own_error(info, RFC_INVALID_PARAMETER, "type not carried by the bridge"); return RFC_INVALID_PARAMETER;
    }
}
