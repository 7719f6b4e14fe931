// The run's time budget: TIMEOUT= and PARALLEL= as the parameters give them, the
// deadline counted from the process's start, the step under way, and the watchdog
// that answers PRTG with error 1022 when a single-profile run is still waiting for
// SAP at the deadline, before PRTG's own timeout silences the sensor.
#pragma once

#include "core/run_record.h"

/// The budget when no TIMEOUT= is given: below PRTG's default sensor timeout of 60 s.
constexpr unsigned default_timeout_seconds = 55;
/// Systems a multi-system run visits at once when no PARALLEL= is given.
constexpr unsigned default_parallel_systems = 8;

/// Sets timeout_seconds and parallel_systems from TIMEOUT= and PARALLEL= in the
/// parameter arguments as given (argv[2] and argv[3], never cut at the parameter
/// text's capacity), else to their defaults, and the deadline from the process's
/// start. Returns false with `message` set to error 1020 or 1021 (the value as
/// given) when a value is malformed; TIMEOUT= is checked first.
bool read_budget_options(run_record &run, int argc, const char *const *argv, run_message &message);

/// The same for the selected entry line of the global listing (entry_line), whose
/// values replace those of the parameters; nothing changes for an option the line
/// does not hold. Returns false with `message` set as above.
bool read_entry_budget_options(run_record &run, run_message &message);

/// Publishes `step` as the step under way, before it starts, for the watchdog.
void enter_step(run_record &run, run_step step);

/// Starts the watchdog over `run` when it has a budget: at the deadline it prints
/// "Error 1022: Time limit of <n> s reached for <destination> during <step> !" as
/// the one document and ends the process with exit_error_document; when the run's own
/// document came first, it ends the process with that document's status and prints
/// nothing. Reads only timeout_seconds, the profile's destination (which must not
/// change afterwards) and current_step. Returns false when the budget is 0 or no
/// watchdog could be started.
bool start_watchdog(const run_record &run);

/// What the watchdog prints at the deadline: the time-limit error document of `run`
/// in its present step, into `out`.
void write_time_limit_document(const run_record &run, bounded_text<output_buffer_capacity> &out);
