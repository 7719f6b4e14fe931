// The function modules a simulated system offers, RFC_SYSTEM_INFO and
// DB02_DB4_GET_INFO, with the interfaces of the real modules as the sensor calls
// them. Every parameter and table passed is checked (name and name length, type or
// installed structure, length, table lines); the library itself rejects what it
// cannot handle (RFC_FAILURE), the system answers a call that does not fit the
// module with a system failure (RFC_SYS_EXCEPTION, "SYSTEM_FAILURE").
#pragma once

#include "rfc_standin/call_log.h"
#include "rfc_standin/standin_state.h"

/// RfcCall: checks the call and keeps it on the connection for RfcReceive; 0 when
/// sent, 1 with the failure reported (or the error handler called) otherwise.
RFC_RC call_function(standin_state &state, RFC_HANDLE handle, const char *function, const RFC_PARAMETER *exporting,
                     const RFC_TABLE *tables, call_line &line);
/// RfcReceive: answers the call kept on the connection: fills the importing
/// parameters and returns 0, or returns the failure, exception (name stored in
/// `*exception` for 2 and 3) or other code the system's faults ask for.
RFC_RC receive_function(standin_state &state, RFC_HANDLE handle, const RFC_PARAMETER *importing,
                        const RFC_TABLE *tables, char **exception);
/// Appends " name={NAME/nlen TYPE leng, ...}" for a parameter list to the call log line.
void log_parameters(const standin_state &state, call_line &line, const char *name, const RFC_PARAMETER *list);
/// Appends " name={NAME/nlen TYPE leng T<n>, ...}" for a table list to the call log line.
void log_tables(standin_state &state, call_line &line, const char *name, const RFC_TABLE *list);
