// How the bridge reports a failure, as the classic library does: kept for
// RfcLastError and appended as an error block to "Dev_Rfc.Trc" in the working
// directory; and the bridge's own fatal conditions, which go to the error handler.
#pragma once

#include "rfc_bridge/bridge_state.h"

/// Keeps `failure` as the last error and appends its block to Dev_Rfc.Trc (a file
/// that cannot be written is skipped, as the classic library does).
void report_failure(bridge_state &state, const bridge_failure &failure);
/// Fills *error_info (group, key, message) with the last error and marks it handed
/// out; 0, or 1 with *error_info cleared when there is none or it was handed out
/// already. A null error_info answers 1.
int hand_out_last_error_ex(bridge_state &state, RFC_ERROR_INFO_EX *error_info);
/// A failure from the NetWeaver library's error information: its code and group
/// mapped to the classic group; of a text over several lines the ERROR line as the
/// "======> " line, its LOCATION line and the rest flattened into the CONTEXT line;
/// a runtime failure's dump name kept in the message; an ABAP message's class and
/// number as the location.
bridge_failure failure_from_netweaver(const nwrfc::RFC_ERROR_INFO &info);
/// Writes "<function> [<handle>] : returns <rc>:<name>" into failure.api.
void set_result(bridge_failure &failure, const char *function, RFC_HANDLE handle, int rc);
/// Reports `operation` as the bridge's own fatal condition and calls the registered
/// error handler with it (which normally ends the process).
void call_error_handler(bridge_state &state, const char *operation);
