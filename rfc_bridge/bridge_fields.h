// One classic field or flat parameter moved between the caller's bytes and a
// NetWeaver data container: characters through UTF-16, integers and floats as
// little-endian bytes, packed numbers and raw bytes as the bytes themselves.
#pragma once

#include "rfc_bridge/bridge_state.h"

/// A flat value: classic type code, byte length and decimals.
struct flat_type {
    unsigned type;
    unsigned length;
    unsigned decimals;
};

/// The NetWeaver type for a classic type code (RFCTYPE_CHAR for TYPC, ...).
nwrfc::RFCTYPE netweaver_type(unsigned classic_type);
/// Bytes of a value of `type` in a NetWeaver record (characters take two).
unsigned unicode_length(const flat_type &type);
/// Reads the field `name` of `container` into `bytes` (type.length bytes); RFC_OK,
/// or the library's code with `info` filled.
nwrfc::RFC_RC get_field(const nwrfc_functions &nw, nwrfc::DATA_CONTAINER_HANDLE container, const char16_t *name,
                        const flat_type &type, unsigned char *bytes, nwrfc::RFC_ERROR_INFO &info);
/// Sets the field `name` of `container` from `bytes`; RFC_OK or the library's code.
nwrfc::RFC_RC set_field(const nwrfc_functions &nw, nwrfc::DATA_CONTAINER_HANDLE container, const char16_t *name,
                        const flat_type &type, const unsigned char *bytes, nwrfc::RFC_ERROR_INFO &info);
/// Fills `info` with a failure of the bridge's own (`code`, external runtime group).
void set_own_error(nwrfc::RFC_ERROR_INFO &info, nwrfc::RFC_RC code, const char *message);
