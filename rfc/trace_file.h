// The library's trace file "Dev_Rfc.Trc" in the working directory, which every sensor
// run on the probe shares: kept small, and deleted after a successful run only when
// no other run has added to it meanwhile. Runs of this program take turns at it
// through the lock file "Dev_Rfc.Trc.lck"; SAP's library itself knows no lock.
#pragma once

#include <cstdint>

#include "core/run_record.h"
#include "host/host.h"

/// The file whose lock runs of this program hold while they change "Dev_Rfc.Trc".
constexpr const char *rfc_trace_lock_name = "Dev_Rfc.Trc.lck";
/// Beyond this size the trace file is set aside at the start of a run.
constexpr uint64_t largest_trace_file = 10u * 1024 * 1024;
/// Where it is set aside, replacing what an earlier run set aside.
constexpr const char *rfc_old_trace_file_name = "Dev_Rfc.Trc.old";

/// Takes the trace lock, waiting at most 2 s and never past `deadline` (0: none).
/// A lock held that long belongs to a process that hangs: once one wait has failed, no
/// later call of this process waits again. host_no_lock when it was not had.
host_file_lock lock_trace_file(uint64_t deadline);

/// At the start of a run, before the logon: a trace file larger than
/// largest_trace_file is renamed to "Dev_Rfc.Trc.old" under the lock (when that
/// fails, because SAP's library of another run has it open, a later run tries again);
/// then the file's size is noted in run for delete_unchanged_trace_file and for the
/// diagnosis (note_trace_size).
void note_trace_file(run_record &run);

/// Before a logon: notes in run whether the trace file is there and its size, so that
/// the diagnosis of a failure reads only what the library writes from then on.
void note_trace_size(run_record &run);

/// After a successful run: deletes the trace file under the lock, but only when its
/// size is still the one noted, so that a diagnosis another run has just added stays.
void delete_unchanged_trace_file(const run_record &run);
