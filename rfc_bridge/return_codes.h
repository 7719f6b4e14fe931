// What a NetWeaver outcome means to a classic caller: the return code of RfcCall /
// RfcReceive and the classic error key RfcLastError shows. An ABAP exception is 2,
// an ABAP message or runtime failure 3, everything else 1.
#pragma once

#include "nwrfc/sapnwrfc_api.h"

/// The classic return code for NetWeaver's `code` (and `group` where code is ambiguous).
int classic_return_code(nwrfc::RFC_RC code, nwrfc::RFC_ERROR_GROUP group);
/// The classic error key ("RFC_ERROR_COMMUNICATION", ...) for the failure.
const char *classic_error_key(nwrfc::RFC_RC code, nwrfc::RFC_ERROR_GROUP group);
/// The classic error group (RFC_ERROR_PROGRAM 101 ... RFC_ERROR_RESOURCE 106) of a
/// classic error key; RFC_ERROR_PROGRAM for a key without a group of its own.
int classic_error_group(const char *key);
/// Name of a classic return code ("RFC_SYS_EXCEPTION"), "RFC_RC" for one without a name.
const char *classic_return_code_name(int rc);
