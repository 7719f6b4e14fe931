// The RFC-level steps that the single-profile run and the multi-system run share:
// registering the error handler, closing the connection, the database check and the
// failure path that completes a failed step's message from the library's trace file.
#pragma once

#include "core/run_record.h"

/// The database system a measured system must report: DB2 for IBM i.
constexpr const char *required_database_prefix = "DB4";

/// Loads the RFC library (rfc/rfc_library.h), before anything of it is called. True
/// when it can be used; otherwise prints, in trace mode, the "* RFC library......: "
/// line with the reason, writes the reason as a block into "Dev_Rfc.Trc", prints the
/// error document "Error 1016: " with the reason, and sets `status` to its exit status.
bool load_rfc_library_or_fail(run_record &run, int &status);

/// Gives the library our error handler (and its own allocator), empties output_buffer
/// and sets run_status to "ERR", as before every logon.
void prepare_rfc_environment(run_record &run);

/// Closes run.rfc_handle when a connection is open and sets it to 0.
void close_connection(run_record &run);

/// Identifies the system on the open run.rfc_handle and checks that its database is
/// DB2 for IBM i ("DB4", compared exactly). Returns exit_success when it may be
/// measured; otherwise prints the error document (the call's text with the trace
/// diagnosis, or error 1018), closes the connection and returns exit_error_document.
int identify_db4_system(run_record &run);

/// The failure path of an RFC-level step: appends the trace-file diagnosis to the
/// step's own error text in output_buffer, makes the whole text the error document,
/// prints it and returns exit_error_document. The trace file stays in place.
int fail_after_rfc_step(run_record &run);
