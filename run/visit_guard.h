// The guard over a system visited in this process (a listing that can make no private
// folder): at the deadline, or when the library crashes during the visit, the listing
// is finished from outside the stuck or broken visit, since no other process can
// answer for it. One visit is guarded at a time; the run's own thread visits.
#pragma once

#include <cstdint>

/// How a guarded visit ended when it did not end by itself.
enum class visit_cut {
    time_limit,  // still under way at the deadline
    crash,       // the library crashed during it
};

/// Finishes the listing after `cut`, with `step` the step the visit had begun
/// ("logon", "RFC_SYSTEM_INFO", "DB02_DB4_GET_INFO", or the not-begun mark), and
/// returns the exit status its answer goes with. Called on the watchdog's thread
/// (time_limit) or on the crashed thread (crash); the visit's own thread never comes
/// back to the run afterwards.
typedef int (*visit_finisher)(visit_cut cut, const char *step);

/// Begins a guarded visit: from the first one on, the watchdog watches `deadline`
/// (0: none) and crashes are caught. False when the deadline has passed already, or
/// passed while no visit was under way: the visit must not begin.
bool begin_guarded_visit(uint64_t deadline, visit_finisher finish);

/// The step the guarded visit begins now; the mark it is given up at.
void note_guarded_step(const char *step);

/// Ends the guarded visit. Returns when its result is the run's; when the watchdog or
/// the crash has taken the run over meanwhile, never returns.
void end_guarded_visit();
