// The systems of a multi-system run between their start and their line in the output:
// each visited by a child in a private folder below the working directory, or, where
// no folder can be made, in-process as one process always did. Results are shown
// strictly in listing order, with the library's trace blocks appended to the working
// directory's "Dev_Rfc.Trc" in that order, so the output and the trace file read as
// if the systems had been visited one after another.
#pragma once

#include <cstdint>

#include "core/run_record.h"
#include "host/host.h"
#include "host/host_process.h"
#include "run/child_protocol.h"
#include "run/private_folders.h"
#include "run/system_outcome.h"
#include "run/visit_guard.h"

constexpr size_t max_systems = system_listing_capacity + 1;  // "#" alone is two empty entries
constexpr unsigned max_parallel_children = 64;                // what one wait can watch on Windows

struct system_counts {
    unsigned systems{};
    unsigned processed{};
    unsigned failed{};
    unsigned not_found{};  // entries whose profile could not be opened (skipped)
};

enum class slot_kind {
    skipped,        // its profile cannot be opened: counted, nothing shown
    unusable_name,  // the entry cannot name a profile: counted failed
    child,          // visited by a child process
    in_process,     // visited by this process, when no private folder could be made
};

enum class slot_state {
    waiting,    // not started (in-process: visited when its turn comes)
    refused,    // the start of its child was refused: tried again when a child ends
    running,    // its child runs
    ended,      // its child ended by itself
    given_up,   // the budget ended first: its child was ended, or it never started
    not_visited,  // the library crashed in this process on a system before it: never checked
};

/// One system of the listing, as far as the run knows it.
struct system_slot {
    slot_kind kind{};
    slot_state state{};
    bounded_text<123> entry;                        // the entry as listed (shown cut in a trace line)
    bounded_text<8> time_of_day;                    // when its profile was read
    bool system_failed{};                           // its profile is defective
    bool logon{};                                   // false without a valid password of its own
    bool no_own_password{};                         // its profile gave no password at all
    bounded_text<191> password_note;              // why its profile gave no usable user or password
    bool sets_host{};                               // its profile names a host
    bounded_text<47> profile_host;                  // that host
    bounded_text<11> destination;                   // profile values for its trace line
    bounded_text<31> sysnr;
    bounded_text<11> client;
    private_folder_name folder;                     // its private folder, once made
    // Held on the folder's lock file while it is used; taking the slot sets it to
    // host_no_lock. Zero here: any other value would put the run's whole table of
    // slots (1.4 MB) into the program's data, and part of it into every process's memory.
    host_file_lock folder_lock{};
    host_child child{};                             // its process while running
    child_end end{};                                // how its child ended
    int status{};                                   // the child's exit status
    bounded_text<31> step;                          // given up: the step it was waiting for
    bounded_text<127> refusal;                      // why the system refused its child's start
    visit_handover handover;                        // its child's mark and result channel
    system_outcome outcome;                         // for the detailed summary
};

/// Everything the run keeps about its systems.
struct gathering_state {
    system_slot slots[max_systems];
    size_t taken{};              // slots filled, in listing order
    size_t gathered{};           // slots already shown
    unsigned running{};          // children running
    bool paused{};               // a system waits to be visited in-process
    bool has_refused{};          // a system waits for the start of its child
    size_t refused_slot{};       // that system; its profile is still the run's
    bool out_of_time{};          // the budget has ended
    unsigned budget_seconds{};   // 0: no budget
    uint64_t deadline{};         // on host_clock_ms; 0: none
    system_counts counts{};
    visit_finisher finish{};     // finishes the run when a visit in this process cannot
};

/// Makes the system's private folder, copies in the files the library may look for in
/// its current directory, and starts its child with the visit request of the profile
/// now in run. Without a folder the slot becomes in_process; a child whose start is
/// refused is started once more after a short pause; refused again, the slot is left
/// `refused`, with the system's reason, for retry_refused_start.
void start_visit(run_record &run, system_slot &slot);

/// Starts the child of the refused system again (its profile must still be the run's):
/// when the start is refused once more and no other child of the run is running, the
/// system is visited in-process instead. Does nothing at or after the deadline, when
/// the system counts failed for a local reason.
void retry_refused_start(run_record &run, gathering_state &state);

/// At or past the deadline (once): every running child is ended and given up at the
/// step its progress file names, out_of_time is set, and true is returned.
bool check_deadline(gathering_state &state);

/// Waits for a child to end, or for the deadline: then every running child is ended and
/// given up at the step its progress file names, and out_of_time is set.
void wait_for_children(gathering_state &state);

/// Shows, in listing order, every system from `gathered` on whose result is ready: its
/// console output (trace mode), trace blocks and files, its state line and counts. A
/// system to be visited in this process is visited here, under the guard of
/// visit_guard.h: should the watchdog or a crash finish the run meanwhile, through
/// state.finish, this never returns.
/// Returns exit_success, or the exit status of a run-ending failure, whose error
/// document is then printed and every other child ended and its folder removed.
int gather_ready(run_record &run, gathering_state &state);
