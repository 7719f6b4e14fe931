// How RFC failures reach the user. A failure inside the library ends the process
// with the library's error block on standard output (exit 1, no PRTG document); a
// failed function call becomes its return-code text plus the last error message of
// the library's trace file, inside the PRTG error document.
#pragma once

#include "core/librfc32.h"
#include "core/run_record.h"

/// The trace file the library writes into the working directory.
constexpr const char *rfc_trace_file_name = "Dev_Rfc.Trc";

// The one-line account of a library failure: room for every field of the library's
// error record with its label, so that none is lost before the document's own limit.
typedef bounded_text<1023> abort_text;

/// Names the run whose flavour and trace mode decide the form of the abort report
/// (null: the console report). The library calls the handler with nothing but an
/// operation text, so the run is registered here with the handler.
void register_abort_run(run_record *run);

/// The library's error handler, also called directly when a structure cannot be
/// installed or a table created or deleted. Reads RfcLastError and closes every
/// connection. For a registered run in an XML flavour without trace mode it prints the
/// PRTG error document with the text of abort_report_text; otherwise it prints
/// "RFC error", the operation and the fields of RfcLastError as label lines and
/// "* Programm aborted...". Ends the process with exit_rfc_abort; never returns.
[[noreturn]] void LIBRFC32_API abort_on_rfc_error(char *operation);

/// After a failed call: true when the library groups the failure as a refused logon
/// (RFC_ERROR_LOGON_FAILURE, read with RfcLastErrorEx, which hands each error out
/// once); false for any other failure or when the library reports none.
bool logon_was_refused();

/// Writes the one-line account of a library failure into `out`: "RFC error: " and the
/// parts "operation/code", "key", "status", "message" and "internal status", each
/// label followed by a blank and its value, joined by ", "; a part whose value is empty
/// is left out with its label ("RFC error" alone when all are). Cut at out's capacity.
void abort_report_text(const char *operation, const RFC_ERROR_INFO &error_info, abort_text &out);

/// Prints `indent` blanks, `label` padded to `width` columns (a longer one whole),
/// " : ", `value` and a line feed on standard output.
void print_label_line(const char *label, int indent, int width, const char *value);

/// Appends the text of a non-zero RFC return code to the output buffer: 1 RFC
/// failure, 2 the exception followed by `exception_name`, 3 system exception, any
/// other value "other failure". Appends nothing for 0.
void append_return_code_text(run_record &run, RFC_RC code, const char *exception_name);

/// The message number of append_return_code_text's text for `code`: 1014, 1012, 1013
/// or 1015; 0 for 0.
int return_code_error_number(RFC_RC code);

/// Appends " - " and the last error message that "Dev_Rfc.Trc" received after the size
/// noted in run before the logon (note_trace_size; the whole file when it was not there
/// then) to the output buffer: a block of an earlier run is never given as this one's
/// reason. " - Please Check Trace-File !" when no such message is there (also when the
/// file has become shorter than noted: what it holds then cannot be told apart),
/// " - Look for Trace-File" when it cannot be opened.
void append_trace_diagnosis(run_record &run);

/// The reading part of append_trace_diagnosis, for a trace file already open: reads
/// `trace` to its end (without closing it) and appends " - " and the message of its
/// last error block, or " - Please Check Trace-File !" when it holds none.
void append_diagnosis_from(run_record &run, FILE *trace);

/// How much of the end of the trace file the diagnosis reads.
constexpr long trace_tail_bytes = 64 * 1024;
/// Moves `file` (open for reading in binary) to the first whole line that begins at or
/// after `start` within its last `tail_bytes` bytes (a line begins at `start` when the
/// byte before it ends a line). False when the file is now shorter than `start`.
bool skip_to_own_lines(FILE *file, uint64_t start, long tail_bytes);
