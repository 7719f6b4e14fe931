// Opening connections through the NetWeaver library: loading it on first need,
// translating the classic logon, and the classic library's logon timing (on the
// RfcOpen route a refused logon answers the first RfcCall; RfcOpenEx refuses at once).
#pragma once

#include "rfc_bridge/bridge_state.h"
#include "rfc_bridge/logon_translation.h"

/// Loads the NetWeaver library once per process; true when it is loaded. A failure
/// is remembered and reported again at each later open.
bool ensure_library(bridge_state &state);
/// Writes into `buffer` (`size` bytes) what answers behind the bridge, for its export
/// KorvanelBridgeDescribe: the origin and the file of SAP's library once loaded ("RFC
/// bridge librfc32 over sapnwrfc 7500,0,12 from <path>"); after a failed load "RFC
/// bridge, sapnwrfc not loaded: " and the diagnosis' first words, pointing to
/// Dev_Rfc.Trc; before any load "RFC bridge, sapnwrfc not loaded yet". Cut to fit and
/// always terminated; nothing for a null buffer or a size of 0.
void describe_bridge(const bridge_state &state, char *buffer, unsigned size);
/// RfcOpen: a handle, a refused logon's handle, or 0 with the failure reported.
RFC_HANDLE open_by_options(bridge_state &state, const RFC_OPTIONS *options);
/// RfcOpenEx: a handle, or 0 with the failure reported and `error_info` filled.
RFC_HANDLE open_by_connect_string(bridge_state &state, const char *connect_string, RFC_ERROR_INFO_EX *error_info);
/// The open connection (or refused logon) with `handle`; null when none.
bridge_connection *find_connection(bridge_state &state, RFC_HANDLE handle);
/// Closes the connection with `handle`, or every one for 0; unknown handles are ignored.
/// One SAP's library closed itself is only forgotten. With no connection left, the
/// structures' type descriptions are destroyed.
void close_connections(bridge_state &state, RFC_HANDLE handle);
