// The shared trace file; see trace_file.h.
#include "rfc/trace_file.h"

#include "rfc/failure_report.h"

namespace {

constexpr uint64_t longest_lock_wait_ms = 2000;
bool lock_given_up = false;

}  // namespace

host_file_lock lock_trace_file(uint64_t deadline) {
    uint64_t now = host_clock_ms();
    uint64_t wait_until = lock_given_up ? now : now + longest_lock_wait_ms;
    if (deadline != 0 && deadline < wait_until) wait_until = deadline;
    host_file_lock lock = host_lock_file_until(rfc_trace_lock_name, wait_until > 0 ? wait_until : 1);
    if (lock == host_no_lock) lock_given_up = true;
    return lock;
}

void note_trace_file(run_record &run) {
    uint64_t size = 0;
    run.trace_file_noted = host_file_size(rfc_trace_file_name, size);
    if (run.trace_file_noted && size > largest_trace_file) {
        host_file_lock lock = lock_trace_file(run.deadline);
        // Asked again under the lock: another run may have set it aside just now.
        if (host_file_size(rfc_trace_file_name, size) && size > largest_trace_file)
            host_rename_replacing(rfc_trace_file_name, rfc_old_trace_file_name);
        host_unlock_file(lock);
    }
    note_trace_size(run);
}

void note_trace_size(run_record &run) {
    uint64_t size = 0;
    run.trace_file_noted = host_file_size(rfc_trace_file_name, size);
    run.trace_file_size = run.trace_file_noted ? size : 0;
}

void delete_unchanged_trace_file(const run_record &run) {
    host_file_lock lock = lock_trace_file(run.deadline);
    uint64_t size = 0;
    bool there = host_file_size(rfc_trace_file_name, size);
    // A file that was not there at the start was written since: by this run's library,
    // or by another run's, whose diagnosis it may be.
    if (there && run.trace_file_noted && size == run.trace_file_size) host_delete(rfc_trace_file_name);
    host_unlock_file(lock);
}
