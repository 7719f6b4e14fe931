// Putting a finished document on standard output, through the one gate every
// document passes: the run's own (success, error or the abort report) and the
// watchdog's time-limit document. The first writer closes the gate, so exactly one
// document reaches PRTG, whichever thread gets there first.
#pragma once

#include "core/run_record.h"

/// Writes the error document with `message` into output_buffer (escaped, in the run's
/// flavour), prints it through the gate and returns exit_error_document.
int fail_with(run_record &run, const char *message);

/// Prints output_buffer followed by `ending` as (a part of) the run's own document and
/// returns `status`, the exit status the run will end with. When the watchdog has
/// printed its document first, prints nothing and never returns: the watchdog ends
/// the process.
int print_document(run_record &run, int status, const char *ending = "");

/// Claims standard output for the run's own document, which ends the process with
/// `status`: true unless the watchdog claimed it first. The run may claim again for
/// a later part of its document (the last status counts). After printing, the run
/// calls document_output_written.
bool claim_document_output(int status);
/// Marks the run's claimed document as completely written and flushed.
void document_output_written();
/// The run's side when claim_document_output failed: waits for the watchdog to end
/// the process. Never returns.
[[noreturn]] void yield_to_watchdog();

/// The watchdog's claim: true when no document has been claimed yet, and none ever
/// will be but the watchdog's own. False when the run's own document came first.
bool claim_document_output_for_watchdog();
/// After the watchdog's claim failed: waits until the run's document is completely
/// written and returns the exit status it was printed with.
int wait_for_run_document();

/// The watchdog's claim when it finishes the run's document itself (a listing whose
/// visit in this process is still waiting for SAP at the deadline): from here on only
/// the calling thread's claims succeed, so a late report of the stuck thread is never
/// printed. False, after the run's own closing document (one with a status other than
/// success) has been written, when that document came first; `status` is then its
/// exit status.
bool take_over_document_output(int &status);

/// Opens the gate again, as at the start of a process; for tests, which print many
/// documents and play both writers in one process.
void reset_document_output_gate();
