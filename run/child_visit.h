// The child process of a multi-system run: one system visited in a private folder,
// its logon data read from standard input, its progress and result left in files
// there for the run that started it.
#pragma once

#include "core/run_record.h"

/// Reads the visit request from standard input (wiping it once read), visits the system
/// (noting each step in the progress file before it begins), writes the result file and
/// returns 0; a fatal library error ends the process inside with exit_rfc_abort.
/// Returns exit_child_unusable when the request cannot be read.
int run_visit_child(run_record &run);

/// The status of a child that received no usable request.
constexpr int exit_child_unusable = 3;
/// What a child ends with when its run has ended or its time is up.
constexpr int exit_child_orphaned = 4;
/// How long a child lives past the run's deadline: the run ends it at the deadline and
/// reads the step it was at, so the child's own end must not come first.
constexpr unsigned child_grace_ms = 500;
