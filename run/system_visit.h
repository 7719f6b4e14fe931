// The visit of one system of a multi-system run, from the RFC environment to the
// closed connection, over the profile already in the run record. A child process runs
// it for its one system; a run that can make no private folder runs it in-process.
#pragma once

#include "core/run_record.h"
#include "run/child_protocol.h"

/// Called with the step that is about to begin: "logon", "RFC_SYSTEM_INFO",
/// "DB02_DB4_GET_INFO".
typedef void (*step_notice)(const char *step);

/// Registers the error handler, logs on (only when `logon`: a system whose own password
/// was rejected is never sent another one), identifies the system, checks for DB4 and
/// measures without writing channels, then closes the connection. Fills `result`; the
/// error text left in output_buffer goes into result.text. A fatal library error ends
/// the process inside, as everywhere.
void visit_system(run_record &run, bool logon, step_notice notice, visit_result &result);
