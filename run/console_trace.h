// The console trace: status lines printed around the document when the parameter
// text asks for them ("#", "@", "$" or "%"). Each line is "* hh:mm:ss ..." and ends
// in a state word, which survives even when the variable part has to be cut.
#pragma once

#include "core/run_record.h"
#include "host/host.h"

/// Takes the local time of day into time_of_day.
void take_time_of_day(run_record &run);

/// Sets trace_line to the printf-formatted text followed by " State=" and `state`
/// (no state part when `state` is null). When the line would exceed its capacity the
/// formatted part is cut so that the state part stays whole.
void set_trace_line(run_record &run, const char *state, const char *format, ...) TEXT_PRINTF(3, 4);

/// In trace_mode, takes the time of day and prints the closing line of a completed run
/// ("\n* hh:mm:ss SAP Korvanel now processed...\n").
void print_processed_line(run_record &run);

/// Prints trace_line followed by a line feed when trace_mode is on.
void print_trace_line(const run_record &run);

/// Room for which RFC library answers: a module path, ", " and a description.
typedef bounded_text<host_module_path::capacity + 2 + rfc_library_description_capacity> rfc_library_text;

/// Writes into `out` which RFC library answers: `path` (the loaded librfc32), and when
/// `describe` is not null (the library is the bridge) ", " and what it describes.
void describe_rfc_library(const char *path, rfc_library_describe_function describe, rfc_library_text &out);

/// In trace_mode, prints "* RFC library......: " and `account`: why the library
/// cannot be used (error 1016), where no library answers.
void print_rfc_library_account(const run_record &run, const char *account);

/// In trace_mode, prints "* RFC library......: " and describe_rfc_library's text for
/// the librfc32 this process has loaded, or "not found among the loaded modules", and
/// keeps what the library said of itself.
void print_rfc_library_line(run_record &run);
/// In trace_mode, prints the line again when the library now says something else of
/// itself (the bridge names the calls that needed the system's own descriptions).
void print_changed_rfc_library_line(run_record &run);

/// Writes the parameter echo of the trace into `out`: parameter_text cut before its
/// first "#", then before its first "@"; "(Parameters " and "(No " alone count as
/// empty, and an empty echo reads "(No Parameters)".
void parameter_echo(const run_record &run, bounded_text<parameter_capacity> &out);
