// Children and their results; see system_gathering.h. A child's folder is removed only
// after its process has ended (waited for, or ended by the run), whatever became of it.
#include "run/system_gathering.h"

#include <cstring>

#include "core/exit_status.h"
#include "host/host.h"
#include "output/document_output.h"
#include "core/listing_folder.h"
#include "rfc/failure_report.h"
#include "run/console_trace.h"
#include "run/system_visit.h"

namespace {

constexpr const char *folder_prefix = listing_folder_prefix;
constexpr const char *folder_suffix = listing_folder_suffix;
constexpr int64_t stale_folder_seconds = 3600;
constexpr int start_attempts = 2;           // a child's start refused twice counts its system failed
constexpr unsigned restart_pause_ms = 50;  // before a refused start of a child is tried again
// Serialises our appends to the working directory's trace file among sensor runs.
constexpr const char *trace_lock_name = "Dev_Rfc.Trc.lck";

// Files the library may look for in its current directory: they follow it into a child's folder.
const char *const library_files[] = {"sapmsg.ini", "sideinfo", "saproute.ini"};

typedef bounded_text<191> file_path;

bool same_name(const char *a, const char *b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        char x = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a + 32) : *a;
        char y = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b + 32) : *b;
        if (x != y) return false;
    }
    return *a == *b;
}

bool in_folder(file_path &path, const char *folder, const char *name) {
    return path.format("%s\\%s", folder, name);
}

// Copies `name` from the working directory into `folder` as `copy_name`, when it is there.
void copy_in(const char *folder, const char *name, const char *copy_name) {
    FILE *source = host_open_read(name);
    if (source == nullptr) return;
    file_path target;
    FILE *copy = in_folder(target, folder, copy_name) ? host_create_write(target.c_str()) : nullptr;
    if (copy != nullptr) {
        char block[4096];
        size_t count;
        while ((count = fread(block, 1, sizeof block, source)) > 0) fwrite(block, 1, count, copy);
        fclose(copy);
    }
    fclose(source);
}

// A folder's entries are files the library wrote; anything deeper is removed too.
void remove_tree(const char *folder, int depth);

struct tree_context {
    const char *folder;
    int depth;
};

void remove_entry(const char *name, bool is_folder, int64_t, void *context) {
    const tree_context &tree = *static_cast<const tree_context *>(context);
    file_path path;
    if (!in_folder(path, tree.folder, name)) return;
    if (is_folder)
        remove_tree(path.c_str(), tree.depth + 1);
    else
        host_delete(path.c_str());
}

void remove_tree(const char *folder, int depth) {
    if (depth > 8) return;
    tree_context tree = {folder, depth};
    host_list_folder(folder, remove_entry, &tree);
    host_remove_folder(folder);
}

bool is_private_folder_name(const char *name) { return is_listing_folder_name(name); }

// The files of the working directory that may follow a child into its folder, found
// once per run: looking each one up for every system would read the whole directory
// each time, since the children's folders keep changing it.
struct working_files {
    bounded_text<63> names[32];
    size_t count;
    bool all;  // every candidate fitted
};
working_files candidates;

bool is_candidate(const char *name) {
    bounded_text<7> start;
    start.assign(name, 7);
    if (same_name(start.c_str(), "SapRfc.")) return true;
    for (const char *file : library_files)
        if (same_name(name, file)) return true;
    return false;
}

// The candidate named `name` in any letter case, or null.
const char *candidate(const char *name) {
    for (size_t i = 0; i < candidates.count; ++i)
        if (same_name(candidates.names[i].c_str(), name)) return candidates.names[i].c_str();
    return nullptr;
}

void look_at_working_entry(const char *name, bool is_folder, int64_t age_seconds, void *) {
    if (is_folder) {
        if (age_seconds > stale_folder_seconds && is_private_folder_name(name)) remove_tree(name, 0);
        return;
    }
    if (!is_candidate(name)) return;
    if (candidates.count == sizeof candidates.names / sizeof candidates.names[0] ||
        !candidates.names[candidates.count].assign(name)) {
        candidates.all = false;
        return;
    }
    ++candidates.count;
}

// Copies `name` in when the working directory holds it.
void copy_in_if_there(const char *folder, const char *name) {
    const char *found = candidates.all ? candidate(name) : name;
    if (found != nullptr) copy_in(folder, found, name);
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
// so that a block never interleaves with what another process appends.
void append_trace_blocks(const char *path) {
    FILE *file = host_open_read(path);
    if (file == nullptr) return;
    host_file_lock lock = host_lock_file(trace_lock_name);
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
    if (same_name(name, child_console_name) || same_name(name, child_progress_name) ||
        same_name(name, child_result_name) || same_name(name, rfc_trace_file_name))
        return true;
    bounded_text<7> start;
    start.assign(name, 7);
    if (same_name(start.c_str(), "SapRfc.")) return true;  // the destination file and "SapRfc.ini"
    for (const char *file : library_files)
        if (same_name(name, file)) return true;
    return false;
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

// Hands over what a finished child left and removes its folder.
void empty_folder(system_slot &slot, bool show_console, bool keep_files) {
    if (slot.folder.empty()) return;
    file_path path;
    if (keep_files) {
        if (show_console && in_folder(path, slot.folder.c_str(), child_console_name)) print_file(path.c_str());
        if (in_folder(path, slot.folder.c_str(), rfc_trace_file_name)) append_trace_blocks(path.c_str());
        move_context context = {slot.folder.c_str()};
        host_list_folder(slot.folder.c_str(), move_out, &context);
    }
    remove_tree(slot.folder.c_str(), 0);
    slot.folder.clear();
}

void give_up(system_slot &slot) {
    host_kill_child(slot.child);
    slot.state = slot_state::given_up;
    if (!read_child_file(slot.folder.c_str(), child_progress_name, slot.step) || slot.step.empty())
        slot.step.assign(step_not_begun);
}

// Ends every child and removes every folder of systems not yet shown: the run is over.
void abandon_from(gathering_state &state, size_t first) {
    for (size_t i = first; i < state.taken; ++i) {
        system_slot &slot = state.slots[i];
        if (slot.state == slot_state::running) host_kill_child(slot.child);
        empty_folder(slot, false, false);
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

// Shows one visited system; returns exit_success or the status that ends the run.
int gather_visited(run_record &run, gathering_state &state, system_slot &slot) {
    if (slot.sets_host) run.display_host = slot.profile_host;
    set_trace_line(run, nullptr, "* %s %s, %s, %s, %s, %s", slot.time_of_day.c_str(), slot.entry.c_str(),
                   run.display_host.c_str(), slot.destination.c_str(), slot.sysnr.c_str(), slot.client.c_str());

    static visit_result result;
    bool have_result = false;
    if (slot.kind == slot_kind::in_process && slot.state == slot_state::waiting) {
        visit_system(run, slot.logon, nullptr, result);
        have_result = true;
    } else if (slot.state == slot_state::ended && slot.end == child_end::exited && slot.status == exit_success) {
        static child_message message;
        have_result = read_child_file(slot.folder.c_str(), child_result_name, message) &&
                      decode_visit_result(message.c_str(), message.length, result);
    }
    // The console output and the trace blocks are in before the diagnosis is read.
    empty_folder(slot, run.trace_mode, true);

    bool processed = false;
    run.output_buffer.clear();
    if (have_result) {
        if (result.outcome == visit_outcome::identification_failed) {
            run.output_buffer = result.text;
            append_trace_diagnosis(run);
            return fail_with(run, run.output_buffer.c_str());
        }
        if (result.outcome == visit_outcome::database_mismatch) return fail_with(run, "Error 1018: DataBase mismatch !");
        if (result.identified) run.display_host = result.identified_host;
        run.output_buffer = result.text;
        processed = !slot.system_failed && result.outcome == visit_outcome::processed;
    }
    ++state.counts.systems;
    if (processed)
        ++state.counts.processed;
    else
        ++state.counts.failed;
    print_state(run, processed ? "Processed" : "Rfc Failure");
    if (slot.state == slot_state::given_up) print_time_limit(run, state, slot.step.c_str());
    return exit_success;
}

bool ready(const system_slot &slot) {
    return slot.kind != slot_kind::child || slot.state == slot_state::ended || slot.state == slot_state::given_up;
}

}  // namespace

void look_at_working_directory() {
    candidates.count = 0;
    candidates.all = true;
    if (!host_list_folder("", look_at_working_entry, nullptr)) candidates.all = false;
}

void start_visit(run_record &run, system_slot &slot) {
    static unsigned folder_number = 0;
    bounded_text<47> folder;
    folder.format("%s%lu.%u%s", folder_prefix, host_process_id(), folder_number++, folder_suffix);
    if (!host_make_folder(folder.c_str())) {
        slot.kind = slot_kind::in_process;
        slot.state = slot_state::waiting;
        return;
    }
    slot.folder = folder;
    for (const char *file : library_files) copy_in_if_there(folder.c_str(), file);
    const char *destination = run.profile_record.destination.c_str();
    // A destination that names a path would make its copy land outside the folder.
    if (strpbrk(destination, "\\/:") == nullptr) {
        bounded_text<31> destination_file;
        if (destination_file.format("SapRfc.%s", destination)) copy_in_if_there(folder.c_str(), destination_file.c_str());
    }

    static child_message request;
    bool encoded = encode_visit_request(run, slot.entry.c_str(), slot.logon, request);
    // A start the probe refuses for a moment (a process or memory limit reached while
    // many sensors start at once; under wine, a loader that could not map itself) says
    // nothing about the SAP system: once more after a pause, so that the system is
    // not counted failed for it. A second refusal counts it failed.
    bool started = false;
    for (int attempt = 0; encoded && !started && attempt < start_attempts; ++attempt) {
        if (attempt > 0) host_sleep_ms(restart_pause_ms);
        started = host_start_child(folder.c_str(), visit_system_argument, child_console_name, request.c_str(),
                                   request.length, slot.child);
    }
    // The request holds the plain password.
    volatile char *bytes = request.data;
    for (size_t i = 0; i < sizeof request.data; ++i) bytes[i] = '\0';
    request.clear();
    slot.state = slot_state::ended;
    if (!started) {
        slot.end = child_end::crashed;
        slot.status = -1;
        return;
    }
    slot.state = slot_state::running;
}

void wait_for_children(gathering_state &state) {
    static host_child watched[max_parallel_children];
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
    if (state.deadline == 0 || host_clock_ms() < state.deadline) return;
    state.out_of_time = true;
    for (size_t i = state.gathered; i < state.taken; ++i) {
        system_slot &slot = state.slots[i];
        if (slot.state == slot_state::running) give_up(slot);
        if (slot.kind == slot_kind::in_process && slot.state == slot_state::waiting) {
            slot.state = slot_state::given_up;
            slot.step.assign(step_not_begun);
        }
    }
    state.running = 0;
}

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
