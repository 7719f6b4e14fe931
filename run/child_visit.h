// The child process of a multi-system run: one system visited in a private folder,
// its logon data read from standard input, its progress and result left in files
// there for the run that started it.
#pragma once

#include "core/run_record.h"

/// Guards the child by the bounds of its `argument` (the run's process, the time it may
/// live), reads the visit request from standard input (wiping it once read), visits the
/// system (noting each step in the progress file before it begins), writes the result
/// file and returns 0; a fatal library error ends the process inside with
/// exit_rfc_abort. Returns exit_child_unusable when the argument or the request cannot
/// be read.
int run_visit_child(run_record &run, const char *argument);

/// The status of a child that received no usable request.
constexpr int exit_child_unusable = 3;
/// What a child ends with when its run has ended or its time is up.
constexpr int exit_child_orphaned = 4;
/// A child whose result file could not be written (a full disk) ends with a status from
/// exit_child_unwritten on that still tells whether its system was processed, and the C
/// library's error number (below max_exit_error, which holds those of a failed write such
/// as ENOSPC, EACCES and EROFS; 0 for any other), so that a full disk neither turns
/// healthy systems red nor goes unnamed. The band ends at 127: a status above it (a
/// runtime's or a tool's own) never reads as a lost result.
constexpr int exit_child_unwritten = 64;
constexpr int max_exit_error = 32;
constexpr int unwritten_status(bool processed, int error) {
    return exit_child_unwritten + (processed ? 1 : 0) + 2 * (error > 0 && error < max_exit_error ? error : 0);
}
inline bool is_unwritten_status(int status) {
    return status >= exit_child_unwritten && status < exit_child_unwritten + 2 * max_exit_error;
}
inline bool unwritten_processed(int status) { return ((status - exit_child_unwritten) & 1) != 0; }
inline int unwritten_error(int status) { return (status - exit_child_unwritten) / 2; }
/// How long a child lives past the run's deadline: the run ends it at the deadline and
/// reads the step it was at, so the child's own end must not come first.
constexpr unsigned child_grace_ms = 500;
