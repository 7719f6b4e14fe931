// The child's side of a multi-system run; see child_visit.h. Its standard output is a
// file that the run shows only in trace mode, so it is left unbuffered: a line printed
// before a crash of the library is still there afterwards.
#include "run/child_visit.h"

#include <cerrno>
#include <cstdio>

#include "core/exit_status.h"
#include "host/host.h"
#include "host/host_process.h"
#include "rfc/rfc_library.h"
#include "run/child_protocol.h"
#include "run/system_visit.h"

namespace {

// The request holds the plain password: overwritten in a way the compiler keeps.
void wipe(char *bytes, size_t count) {
    volatile char *at = bytes;
    for (size_t i = 0; i < count; ++i) at[i] = '\0';
}

// Returns 0, or the C library's error number when the file could not be written whole
// (a full disk shows only when the file is closed).
int write_file(const char *name, const char *bytes, size_t count) {
    errno = 0;
    FILE *file = host_create_write(name);
    if (file == nullptr) return errno != 0 ? errno : EIO;
    bool whole = fwrite(bytes, 1, count, file) == count;
    int error = whole ? 0 : errno;
    if (fclose(file) != 0 && error == 0) error = errno != 0 ? errno : EIO;
    if (!whole && error == 0) error = EIO;
    return error;
}

void note_step(const char *step) {
    bounded_text<31> line;
    line.assign(step);
    write_file(child_progress_name, line.c_str(), line.length);
}

}  // namespace

int run_visit_child(run_record &run, const char *argument) {
    host_start();  // also turns the system's crash dialogs off, so a crash ends the child at once
    setvbuf(stdout, nullptr, _IONBF, 0);

    // Before anything waits, for the request or for SAP: a run that is killed or stopped,
    // or whose time is up, takes its children with it. The time left counts from the
    // child's creation, so that a slow start (a busy probe, the loader) is not added to
    // the run's limit.
    child_bounds bounds;
    if (!decode_visit_argument(argument, bounds)) return exit_child_unusable;
    host_guard_child(bounds.parent_id, bounds.time_left_ms == 0 ? 0 : host_process_start_ms() + bounds.time_left_ms,
                     exit_child_orphaned);

    static char request[sizeof(child_message::data)];
    bool overflow = false;
    size_t count = host_read_input(request, sizeof request, overflow);
    bounded_text<file_name_capacity> entry;
    bool logon = false;
    bool usable = !overflow && decode_visit_request(request, count, run, entry, logon);
    wipe(request, sizeof request);
    if (!usable) return exit_child_unusable;
    run.profile_name.assign(entry.c_str());

    // The run loaded the same library before it started this child; one that cannot be
    // loaded now (replaced meanwhile) leaves the child without a result to give.
    rfc_library_account account;
    if (!load_rfc_library(account)) return exit_child_unusable;
    static visit_result result;
    visit_system(run, logon, note_step, result);
    static child_message message;
    encode_visit_result(result, message);
    int error = write_file(child_result_name, message.c_str(), message.length);
    fflush(stdout);
    // The run learns why it finds no result, and whether the system was processed, from
    // the exit status, which needs no disk.
    if (error != 0) return unwritten_status(result.outcome == visit_outcome::processed, error);
    return exit_success;
}
