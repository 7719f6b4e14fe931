// How the stand-in reports a failure, as SAP's library does: the error is kept for
// RfcLastError and an error block is appended to "Dev_Rfc.Trc" in the working
// directory. The block ends with its most telling line ("ERROR " detail, else the
// "======> " message), because readers of the trace take the last such line.
#pragma once

#include "rfc_standin/standin_state.h"

/// One failure, as the trace block and RfcLastError tell it.
struct rfc_failure {
    const char *key;             // RFC_ERROR_... group of the error
    bounded_text<120> api;       // "RfcReceive [1] : returns 3:RFC_SYS_EXCEPTION"
    bounded_text<200> message;   // the "======> " line
    bounded_text<200> location;  // optional "LOCATION" line
    bounded_text<200> detail;    // optional "ERROR" line, the most telling one
    const char *component;       // optional "COMPONENT" line
};

/// Starts a failure of `key` with its "======> " message; the other lines empty.
rfc_failure make_failure(const char *key, const char *message);
/// Writes "<function> [<handle>] : returns <rc>:<name>" into failure.api.
void set_failure_result(rfc_failure &failure, const char *function, RFC_HANDLE handle, int rc);
/// Keeps `failure` as the last error (RfcLastError) and appends its block to
/// Dev_Rfc.Trc as `level` says (full, header and result line only, or nothing);
/// a trace file that cannot be written is skipped silently, as the library does.
void report_failure(standin_state &state, const rfc_failure &failure, trace_level level);
/// Reports `failure` as `system` writes its trace (as trace_full when there is no
/// system); when the system hands every failure to the error handler
/// (error_handler = always), marks the handler due.
void report_failure(standin_state &state, const rfc_failure &failure, const standin_system *system);
/// Reports `failure` as `system` writes its trace (its `trace` level, or the bytes of
/// its `trace_block` file), without ever marking the error handler due: for an
/// exception the function module raises, which is its answer, not a library error.
void report_answer(standin_state &state, const rfc_failure &failure, const standin_system &system);
/// Calls the error handler with `operation` when a failure of this call made it due
/// (see call_error_handler); does nothing otherwise.
void call_error_handler_if_due(standin_state &state, bounded_text<2000> &line, const char *operation);
/// Name of an RFC return code ("RFC_SYS_EXCEPTION"); "RFC_RC" for one without a name.
const char *return_code_name(int rc);
/// Writes `line` to the call log ending in " -> error handler", then calls the
/// registered error handler with `operation` (the program's handler normally ends
/// the process; when it returns, the caller fails the call). `line` is emptied, so
/// the caller logs nothing more. Whatever was due is then done.
void call_error_handler(standin_state &state, bounded_text<2000> &line, const char *operation);
