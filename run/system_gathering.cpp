// Children and their results; see system_gathering.h. A child's folder is removed only
// after its process has ended (waited for, or ended by the run), whatever became of it.
#include "run/system_gathering.h"

#include <cstring>

#include "core/exit_status.h"
#include "host/host.h"
#include "output/document_output.h"
#include "rfc/failure_report.h"
#include "rfc/trace_file.h"
#include "run/child_visit.h"
#include "run/console_trace.h"
#include "run/folder_removal.h"
#include "run/private_folders.h"
#include "run/system_detail.h"
#include "run/system_visit.h"

namespace {

constexpr int start_attempts = 2;           // a child's start refused twice counts its system failed
constexpr unsigned restart_pause_ms = 50;  // before a refused start of a child is tried again

typedef bounded_text<191> file_path;

bool in_folder(file_path &path, const char *folder, const char *name) {
    return path.format("%s\\%s", folder, name);
}

// Reads a small file of a child's folder; false when it is missing or does not fit.
template <size_t Capacity>
bool read_child_file(const char *folder, const char *name, bounded_text<Capacity> &out) {
    out.clear();
    file_path path;
    if (!in_folder(path, folder, name)) return false;
    FILE *file = host_open_read(path.c_str());
    if (file == nullptr) return false;
    char block[512];
    size_t count;
    while ((count = fread(block, 1, sizeof block, file)) > 0) out.append(block, count);
    fclose(file);
    return !out.cut;
}

// Prints a child's console output as it is, in blocks.
void print_file(const char *path) {
    FILE *file = host_open_read(path);
    if (file == nullptr) return;
    char block[4096];
    size_t count;
    while ((count = fread(block, 1, sizeof block, file)) > 0) host_write_stdout(block, count);
    fclose(file);
}

// Appends a child's trace file to the working directory's, one error block per write,
// so that a block never interleaves with what another process appends. The lock that
// keeps two runs' blocks apart is waited for briefly and never past the deadline
// (lock_trace_file): a lock another sensor holds must not make PRTG wait for this
// one's answer. Without it the blocks are appended all the same, each in one write.
void append_trace_blocks(const char *path, uint64_t deadline) {
    FILE *file = host_open_read(path);
    if (file == nullptr) return;
    host_file_lock lock = lock_trace_file(deadline);
    static char held[65536];
    size_t used = 0;
    bool at_end = false;
    while (!at_end) {
        size_t count = fread(held + used, 1, sizeof held - used, file);
        used += count;
        at_end = used < sizeof held;
        // Blocks begin with a line "**** ERROR ..."; the last one may go on in the next read.
        size_t start = 0;
        for (size_t i = 1; i + 11 <= used; ++i) {
            if (held[i - 1] == '\n' && memcmp(held + i, "**** ERROR ", 11) == 0) {
                host_append_whole(rfc_trace_file_name, held + start, i - start);
                start = i;
            }
        }
        if (at_end || start == 0) {
            host_append_whole(rfc_trace_file_name, held + start, used - start);
            used = 0;
        } else {
            memmove(held, held + start, used - start);
            used -= start;
        }
    }
    fclose(file);
    host_unlock_file(lock);
}

// What stays behind when a child's folder is emptied: our own files and the copies
// that the run put there.
bool is_ours(const char *name) {
    if (same_file_name(name, child_console_name) || same_file_name(name, child_progress_name) ||
        same_file_name(name, rfc_trace_file_name))
        return true;
    return is_run_file(name);
}

struct move_context {
    const char *folder;
};

// Any other file the library left goes to the working directory, appended to a file of
// the same name: the library only ever appends to its logs, so that is what one process
// visiting the systems in turn would have left.
void move_out(const char *name, bool is_folder, int64_t, void *context) {
    if (is_folder || is_ours(name)) return;
    const char *folder = static_cast<move_context *>(context)->folder;
    file_path path;
    if (!in_folder(path, folder, name)) return;
    FILE *file = host_open_read(path.c_str());
    if (file == nullptr) return;
    static char block[65536];
    size_t count;
    while ((count = fread(block, 1, sizeof block, file)) > 0) host_append_whole(name, block, count);
    fclose(file);
}

// What the run may spend waiting for Windows to let go of its folders' files, over
// all its folders: a folder that cannot be removed at all must not cost every system.
constexpr unsigned folder_patience_ms = 2000;
removal_patience folder_patience = {folder_patience_ms};

// Hands over what a finished child left and removes its folder, also one whose
// files Windows still holds for a moment after its child's end (tried again briefly,
// never past the deadline).
void empty_folder(system_slot &slot, bool show_console, bool keep_files, uint64_t deadline) {
    if (slot.folder.empty()) return;
    file_path path;
    if (keep_files) {
        if (show_console && in_folder(path, slot.folder.c_str(), child_console_name)) print_file(path.c_str());
        if (in_folder(path, slot.folder.c_str(), rfc_trace_file_name)) append_trace_blocks(path.c_str(), deadline);
        move_context context = {slot.folder.c_str()};
        host_list_folder(slot.folder.c_str(), move_out, &context);
    }
    host_unlock_file(slot.folder_lock);
    slot.folder_lock = host_no_lock;
    remove_folder_patiently(slot.folder.c_str(), deadline, folder_patience);
    slot.folder.clear();
}

void give_up(system_slot &slot) {
    host_kill_child(slot.child);
    host_close_channel(slot.child);
    slot.state = slot_state::given_up;
    if (!read_child_file(slot.folder.c_str(), child_progress_name, slot.step) || slot.step.empty())
        slot.step.assign(step_not_begun);
}

// Ends every child and removes every folder of systems not yet shown: the run is over.
void abandon_from(gathering_state &state, size_t first) {
    for (size_t i = first; i < state.taken; ++i) {
        system_slot &slot = state.slots[i];
        if (slot.state == slot_state::running) host_kill_child(slot.child);
        host_close_channel(slot.child);
        empty_folder(slot, false, false, 0);
    }
    state.running = 0;
}

void print_state(const run_record &run, const char *state_text) {
    if (!run.trace_mode) return;
    host_print("\n");
    host_print(run.trace_line.c_str());
    host_print(" State=");
    host_print(state_text);
    host_print("\n");
    host_flush();  // out before a system visited in-process calls the library, which might crash
}

void print_time_limit(run_record &run, const gathering_state &state, const char *step) {
    if (!run.trace_mode) return;
    take_time_of_day(run);
    bounded_text<127> line;
    if (strcmp(step, step_not_begun) == 0)
        line.format("* %s Time limit of %u s reached while waiting to start\n", run.time_of_day.c_str(),
                    state.budget_seconds);
    else
        line.format("* %s Time limit of %u s reached during %s\n", run.time_of_day.c_str(), state.budget_seconds, step);
    host_print(line.c_str());
}

// An empty or unreadable profile, or one without a password line, is not logged on:
// the password of another system is never sent in its place.
void print_no_own_password(run_record &run, const system_slot &slot) {
    if (!run.trace_mode) return;
    bounded_text<191> line;
    line.format("* %s %s holds no password of its own: not logged on\n", slot.time_of_day.c_str(),
                slot.entry.c_str());
    host_print(line.c_str());
}

// Why a system failed as far as this computer is concerned: it could not be checked
// (`local`), or what the state line alone does not tell.
void print_local_cause(run_record &run, const system_slot &slot, const char *cause, bool local) {
    if (!run.trace_mode) return;
    take_time_of_day(run);
    bounded_text<255> line;
    line.format("* %s %s%s %s\n", run.time_of_day.c_str(), slot.entry.c_str(), local ? " could not be checked:" : ":",
                cause);
    host_print(line.c_str());
}

// Reads the result the slot's ended child handed back through its channel.
result_arrival read_result(system_slot &slot, visit_result &result) {
    static child_message message;
    bool overflow = false;
    size_t count = host_read_channel(slot.child, message.data, sizeof message.data - 1, overflow);
    message.data[count] = '\0';
    message.length = count;
    if (overflow) return result_arrival::begun;
    return decode_visit_result(message.c_str(), count, slot.handover.mark.c_str(), slot.entry.c_str(), result);
}

// Overwrites a text in a way the compiler keeps.
template <size_t Capacity>
void wipe_text(bounded_text<Capacity> &text) {
    volatile char *bytes = text.data;
    for (size_t i = 0; i < sizeof text.data; ++i) bytes[i] = '\0';
    text.clear();
}

// Visits the slot's system in this process, under the guard, on a copy of the run
// record and into a result of its own: should the watchdog or a crash finish the run
// while the visit is stuck in the library, what they finish it with is not being
// written under them. False when the deadline came first: the system is given up
// before its visit.
bool visit_in_process(run_record &run, gathering_state &state, system_slot &slot, visit_result &result) {
    static run_record visiting;
    static visit_result visited;
    if (!begin_guarded_visit(state.deadline, state.finish)) {
        slot.state = slot_state::given_up;
        slot.step.assign(step_not_begun);
        return false;
    }
    visiting = run;
    visit_system(visiting, slot.logon, note_guarded_step, visited);
    end_guarded_visit();
    run = visiting;
    result = visited;
    // The copy's plain password is not kept for longer than the run's own.
    wipe_text(visiting.profile_record.password);
    wipe_text(visiting.connection_options.password);
    return true;
}

// A system the run could not check for a reason of this computer's is failed, since
// the sensor cannot vouch for it, but SAP is not blamed for it.
struct local_cause {
    bool failure{};
    bounded_text<191> text;  // also what the state line alone does not tell of a failure of SAP's side
};

// Why a child that ended left no complete result, whatever its status says: one that had
// begun its visit was ended by the library (a crash, or its own exit), one that had not
// failed here. Neither counts processed.
void find_lost_result_cause(system_slot &slot, result_arrival arrival, local_cause &cause) {
    bool exited = slot.end == child_end::exited;
    // A crash, and the library's fatal error that ends the process, say so themselves.
    if (!exited || slot.status == exit_rfc_abort) return;
    if (arrival == result_arrival::begun && slot.status != exit_child_unsent) {
        slot.outcome.ended_in_visit = true;
        cause.text.format("its process ended with status %d during the visit, before its result was complete",
                          slot.status);
        return;
    }
    cause.failure = true;
    if (arrival == result_arrival::begun)
        cause.text.assign("its result could not be handed over to the run");
    else
        cause.text.format("its process ended with status %d before it began the visit", slot.status);
}

void find_local_cause(system_slot &slot, bool have_result, result_arrival arrival, local_cause &cause) {
    if (slot.state == slot_state::not_visited) {
        cause.failure = true;
        cause.text.assign("the RFC library crashed in this process on an earlier system");
    } else if (slot.state == slot_state::given_up && !slot.refusal.empty()) {
        cause.failure = true;
        cause.text.format("its process could not be started before the time limit (%s)", slot.refusal.c_str());
    } else if (slot.state == slot_state::ended && !have_result) {
        find_lost_result_cause(slot, arrival, cause);
    }
}

// Shows one visited system; returns exit_success or the status that ends the run.
int gather_visited(run_record &run, gathering_state &state, system_slot &slot) {
    if (slot.sets_host) run.display_host = slot.profile_host;
    set_trace_line(run, nullptr, "* %s %s, %s, %s, %s, %s", slot.time_of_day.c_str(), slot.entry.c_str(),
                   run.display_host.c_str(), slot.destination.c_str(), slot.sysnr.c_str(), slot.client.c_str());

    static visit_result result;
    bool have_result = false;
    result_arrival arrival = result_arrival::none;
    if (slot.kind == slot_kind::in_process && slot.state == slot_state::waiting) {
        have_result = visit_in_process(run, state, slot, result);
    } else if (slot.state == slot_state::ended) {
        arrival = read_result(slot, result);
        have_result = arrival == result_arrival::complete;
    }
    // The console output and the trace blocks are in before the diagnosis is read, which
    // reads only the blocks of this system: those of its child, appended from here on,
    // or those its visit in this process wrote after its logon.
    if (slot.kind == slot_kind::child) note_trace_size(run);
    empty_folder(slot, run.trace_mode, true, state.deadline);

    local_cause cause;
    find_local_cause(slot, have_result, arrival, cause);
    bool local_failure = cause.failure;

    bool processed = false;
    run.output_buffer.clear();
    if (have_result) {
        // Without DETAIL=YES the answer is the error document, as it always was; with it
        // the system counts failed with its number, since one misconfigured or broken
        // entry must not blank every other system's channel.
        if (result.outcome == visit_outcome::identification_failed && !run.detail_mode) {
            run.output_buffer.assign(result.text.c_str(), result.text.length);
            append_trace_diagnosis(run);
            return fail_with(run, run.output_buffer.c_str());
        }
        if (result.outcome == visit_outcome::database_mismatch && !run.detail_mode)
            return fail_with(run, "Error 1018: DataBase mismatch !");
        if (result.identified) run.display_host = result.identified_host;
        run.output_buffer.assign(result.text.c_str(), result.text.length);
        processed = !slot.system_failed && result.outcome == visit_outcome::processed;
    }
    note_visit_outcome(slot, have_result ? &result : nullptr, processed);
    if (local_failure) slot.outcome.local_failure = true;
    ++state.counts.systems;
    if (processed)
        ++state.counts.processed;
    else
        ++state.counts.failed;
    print_state(run, processed ? "Processed" : local_failure ? "Local Failure" : "Rfc Failure");
    if (have_result && result.file_error != 0)
        cause.text.format("its files could not be written in the working directory (%s)", strerror(result.file_error));
    if (!cause.text.empty()) print_local_cause(run, slot, cause.text.c_str(), local_failure);
    if (slot.no_own_password) print_no_own_password(run, slot);
    print_password_note(run, slot.time_of_day.c_str(), slot.entry.c_str(), slot.password_note.c_str());
    if (slot.state == slot_state::given_up) print_time_limit(run, state, slot.step.c_str());
    return exit_success;
}

// Past the deadline: every running child is ended and given up at its step, every
// system not yet started given up while waiting to start.
void reach_deadline(gathering_state &state);

// Starts the child of a slot whose folder is made; false when it did not start (the
// slot is then refused, or ended as a crash when its request could not be made).
bool start_child(run_record &run, system_slot &slot);

bool ready(const system_slot &slot) {
    return slot.kind != slot_kind::child || slot.state == slot_state::ended || slot.state == slot_state::given_up ||
           slot.state == slot_state::not_visited;
}

}  // namespace

void start_visit(run_record &run, system_slot &slot) {
    if (!make_private_folder(slot.folder, slot.folder_lock)) {
        slot.kind = slot_kind::in_process;
        slot.state = slot_state::waiting;
        return;
    }
    copy_in_library_files(slot.folder.c_str(), run.profile_record.destination.c_str());
    start_child(run, slot);
}

namespace {

bool start_child(run_record &run, system_slot &slot) {
    static child_message request;
    // The child ends itself a little after the run's deadline, when the run is no longer
    // there to end it.
    child_bounds bounds;
    bounds.parent_id = host_process_id();
    if (run.deadline != 0) {
        uint64_t now = host_clock_ms();
        bounds.time_left_ms = (run.deadline > now ? run.deadline - now : 0) + child_grace_ms;
    }
    visit_argument argument;
    encode_visit_argument(bounds, argument);
    // Each visit has a mark of its own, which its result must carry to be taken.
    static unsigned visit_number = 0;
    slot.handover.mark.format("%lu.%u", host_process_id(), visit_number++);
    if (!host_open_channel(slot.child, slot.handover.channel)) {
        slot.state = slot_state::refused;
        slot.refusal.assign(host_start_refusal());
        return false;
    }
    bool encoded = encode_visit_request(run, slot.entry.c_str(), slot.logon, slot.handover, request);
    // A start the probe refuses for a moment (a process or memory limit reached while
    // many sensors start at once; under wine, a loader that could not map itself) says
    // nothing about the SAP system: once more after a pause, and then again whenever
    // a child of the run has ended (retry_refused_start).
    bool started = false;
    for (int attempt = 0; encoded && !started && attempt < start_attempts; ++attempt) {
        if (attempt > 0) host_sleep_ms(restart_pause_ms);
        started = host_start_child(slot.folder.c_str(), argument.c_str(), child_console_name, request.c_str(),
                                   request.length, slot.child);
    }
    // The request holds the plain password.
    volatile char *bytes = request.data;
    for (size_t i = 0; i < sizeof request.data; ++i) bytes[i] = '\0';
    request.clear();
    if (!encoded) {
        host_close_channel(slot.child);
        slot.state = slot_state::ended;
        slot.end = child_end::crashed;
        slot.status = -1;
        return false;
    }
    if (!started) {
        slot.state = slot_state::refused;
        slot.refusal.assign(host_start_refusal());
        return false;
    }
    slot.state = slot_state::running;
    slot.refusal.clear();
    return true;
}

}  // namespace

void retry_refused_start(run_record &run, gathering_state &state) {
    if (!state.has_refused || state.out_of_time) return;
    system_slot &slot = state.slots[state.refused_slot];
    if (start_child(run, slot)) {
        ++state.running;
        state.has_refused = false;
        return;
    }
    if (slot.state != slot_state::refused) {  // the request could not be made: counted as a crash
        state.has_refused = false;
        return;
    }
    if (state.running > 0) return;  // tried again when one of them ends
    // No child of the run is left whose end could make room: the run visits the
    // system itself, as where no folder can be made.
    host_close_channel(slot.child);
    drop_private_folder(slot.folder, slot.folder_lock);
    slot.kind = slot_kind::in_process;
    slot.state = slot_state::waiting;
    // What follows is its visit in this process: the refused starts no longer explain it.
    slot.refusal.clear();
    state.paused = true;
    state.has_refused = false;
}

bool check_deadline(gathering_state &state) {
    if (state.out_of_time) return true;
    if (state.deadline == 0 || host_clock_ms() < state.deadline) return false;
    reach_deadline(state);
    return true;
}

// At namespace scope, not in wait_for_children: a local static array of this type
// would need a guard, and with it the C++ runtime library in every start.
static host_child watched_children[max_parallel_children];

void wait_for_children(gathering_state &state) {
    host_child *watched = watched_children;
    static size_t owner[max_parallel_children];
    size_t count = 0;
    for (size_t i = state.gathered; i < state.taken && count < max_parallel_children; ++i) {
        if (state.slots[i].state != slot_state::running) continue;
        watched[count] = state.slots[i].child;
        owner[count++] = i;
    }
    child_end end = child_end::exited;
    int status = 0;
    int done = host_wait_any(watched, count, state.deadline, end, status);
    if (done >= 0) {
        system_slot &slot = state.slots[owner[done]];
        slot.child = watched[done];
        slot.state = slot_state::ended;
        slot.end = end;
        slot.status = status;
        --state.running;
    }
    // Past the deadline even when a child has just ended: where children start slowly,
    // one of them ends at almost every look, and the run would go on starting more
    // long after its time limit.
    check_deadline(state);
}

namespace {

void reach_deadline(gathering_state &state) {
    state.out_of_time = true;
    for (size_t i = state.gathered; i < state.taken; ++i) {
        system_slot &slot = state.slots[i];
        if (slot.state == slot_state::running) give_up(slot);
        if (slot.state == slot_state::refused) {
            host_close_channel(slot.child);
            slot.state = slot_state::given_up;
            slot.step.assign(step_not_begun);
        }
        if (slot.kind == slot_kind::in_process && slot.state == slot_state::waiting) {
            slot.state = slot_state::given_up;
            slot.step.assign(step_not_begun);
        }
    }
    state.running = 0;
    state.has_refused = false;
}

}  // namespace

int gather_ready(run_record &run, gathering_state &state) {
    while (state.gathered < state.taken && ready(state.slots[state.gathered])) {
        system_slot &slot = state.slots[state.gathered];
        switch (slot.kind) {
            case slot_kind::skipped:
                ++state.counts.systems;
                ++state.counts.not_found;
                break;
            case slot_kind::unusable_name:
                ++state.counts.systems;
                ++state.counts.failed;
                set_trace_line(run, nullptr, "* %s %s", slot.time_of_day.c_str(), slot.entry.c_str());
                print_state(run, "Rfc Failure");
                break;
            case slot_kind::child:
            case slot_kind::in_process: {
                if (slot.kind == slot_kind::in_process) state.paused = false;
                if (state.out_of_time && slot.state == slot_state::waiting) {
                    slot.state = slot_state::given_up;
                    slot.step.assign(step_not_begun);
                }
                int status = gather_visited(run, state, slot);
                if (status != exit_success) {
                    abandon_from(state, state.gathered + 1);
                    return status;
                }
                break;
            }
        }
        ++state.gathered;
    }
    return exit_success;
}
