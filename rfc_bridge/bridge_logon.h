// Opening connections through the NetWeaver library: loading it on first need,
// translating the classic logon, and the classic library's logon timing (on the
// RfcOpen route a refused logon answers the first RfcCall; RfcOpenEx refuses at once).
#pragma once

#include "rfc_bridge/bridge_state.h"
#include "rfc_bridge/logon_translation.h"

/// Loads the NetWeaver library once per process; true when it is loaded. A failure
/// is remembered and reported again at each later open.
bool ensure_library(bridge_state &state);
/// RfcOpen: a handle, a refused logon's handle, or 0 with the failure reported.
RFC_HANDLE open_by_options(bridge_state &state, const RFC_OPTIONS *options);
/// RfcOpenEx: a handle, or 0 with the failure reported and `error_info` filled.
RFC_HANDLE open_by_connect_string(bridge_state &state, const char *connect_string, RFC_ERROR_INFO_EX *error_info);
/// The open connection (or refused logon) with `handle`; null when none.
bridge_connection *find_connection(bridge_state &state, RFC_HANDLE handle);
/// Closes the connection with `handle`, or every one for 0; unknown handles are ignored.
void close_connections(bridge_state &state, RFC_HANDLE handle);
