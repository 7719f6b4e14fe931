// Which field types each getter and setter of the NetWeaver stand-in takes, as SAP's
// header lists them in each function's documentation, and the conversions between a
// field's classic bytes and the values the functions hand out or take in.
#pragma once

#include "nwrfc/sapnwrfc_api.h"
#include "nwrfc_standin/containers.h"

/// The getters and setters, by their use of a field.
enum field_function {
    get_chars, get_num, get_date, get_time, get_bytes, get_string, get_int, get_int1, get_int2, get_float,
    get_structure, get_table,
    set_chars, set_num, set_date, set_time, set_bytes, set_string, set_int, set_int1, set_int2, set_float,
};

/// What the stand-in does with a function on a field of a type: refuse it as SAP's
/// header does not allow it, play it, or refuse it as allowed by the header but not
/// played here (no caller of ours needs it, or the header fixes no result for it).
enum field_access_kind { access_refused, access_played, access_not_played };

/// The access of `function` to a field of `type`.
field_access_kind field_access(field_function function, nwrfc::RFCTYPE type);
/// The exported name of `function` ("RfcGetChars").
const char *field_function_name(field_function function);
/// The NetWeaver type of a value found in a container: nested ones by their kind.
nwrfc::RFCTYPE value_type(const nw_value &value);

/// Finds `name` in the container `handle` and checks that `function` takes its type;
/// RFC_OK with `value` filled, or the code with `info` filled: RFC_INVALID_HANDLE,
/// RFC_INVALID_PARAMETER (no such field), RFC_CONVERSION_FAILURE (a type the header
/// does not allow, naming the function, field and type), RFC_NOT_SUPPORTED (allowed,
/// not played).
nwrfc::RFC_RC field_for(field_function function, nwrfc::DATA_CONTAINER_HANDLE handle, const char16_t *name,
                        nw_value &value, nwrfc::RFC_ERROR_INFO *info);

/// A character field's bytes as UTF-16 into `out` of `out_length` characters, blank after
/// it: UTF-8 sequences the system sent (marks 0) become one character each, every other
/// byte is ISO-8859-1.
void widen_field(const unsigned char *bytes, const unsigned char *marks, unsigned length, char16_t *out,
                 unsigned out_length);
/// A packed field as decimal text ("-12.5"); false for bytes that hold no packed number.
/// `out` holds at least 40 bytes.
bool packed_text(const unsigned char *field, unsigned length, unsigned decimals, char *out);
/// The decimal text as a packed field of `length` bytes with `decimals`; false when it is
/// no number or does not fit exactly.
bool packed_from_text(const char *text, unsigned char *field, unsigned length, unsigned decimals);

/// The value of a non-character field that a getter converts, into the caller's buffer:
/// each returns RFC_OK or the code with `info` filled.
nwrfc::RFC_RC converted_chars(field_function function, const nw_value &value, char16_t *buffer, unsigned length,
                              nwrfc::RFC_ERROR_INFO *info);
nwrfc::RFC_RC converted_bytes(const nw_value &value, unsigned char *buffer, unsigned length, nwrfc::RFC_ERROR_INFO *info);
nwrfc::RFC_RC converted_integer(field_function function, const nw_value &value, long long *out, nwrfc::RFC_ERROR_INFO *info);
nwrfc::RFC_RC converted_float(const nw_value &value, double *out, nwrfc::RFC_ERROR_INFO *info);
/// Sets a field from text (RfcSetChars, RfcSetString) of a type that takes it converted.
nwrfc::RFC_RC set_from_text(const nw_value &value, const char16_t *text, unsigned length, nwrfc::RFC_ERROR_INFO *info);
/// Sets a numeric field from bytes of its own length (RfcSetBytes), or a character
/// field from their hexadecimal text.
nwrfc::RFC_RC set_from_bytes(const nw_value &value, const unsigned char *bytes, unsigned length,
                             nwrfc::RFC_ERROR_INFO *info);
/// Sets a packed field from a float (RfcSetFloat), rounded to its decimals.
nwrfc::RFC_RC set_packed_from_float(const nw_value &value, double number, nwrfc::RFC_ERROR_INFO *info);
