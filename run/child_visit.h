// The child process of a multi-system run: one system visited in a private folder,
// its logon data read from standard input, its progress left in a file there and its
// result handed back through its result channel, for the run that started it.
#pragma once

#include "core/run_record.h"

/// Guards the child by the bounds of its `argument` (the run's process, the time it may
/// live), reads the visit request from standard input (wiping it once read), sends the
/// head of its result, visits the system (noting each step in the progress file before
/// it begins), sends the rest of its result and returns 0; a fatal library error ends
/// the process inside with exit_rfc_abort. Returns exit_child_unusable when the
/// argument or the request cannot be read, exit_child_unsent when the result could not
/// be sent. The run reads the outcome from the result alone, never from the status.
int run_visit_child(run_record &run, const char *argument);

/// The status of a child that received no usable request.
constexpr int exit_child_unusable = 3;
/// What a child ends with when its run has ended or its time is up.
constexpr int exit_child_orphaned = 4;
/// The status of a child whose result channel refused its result.
constexpr int exit_child_unsent = 5;
/// How long a child lives past the run's deadline: the run ends it at the deadline and
/// reads the step it was at, so the child's own end must not come first.
constexpr unsigned child_grace_ms = 500;
