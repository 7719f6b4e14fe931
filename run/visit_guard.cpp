// The guard over a visit in this process; see visit_guard.h. One atomic state decides
// who owns the run: the visiting thread when its visit returns, the watchdog at the
// deadline, or the crash. Whoever moves it first finishes the run; the others keep
// away from it, so the answer is never written twice or torn.
#include "run/visit_guard.h"

#include <atomic>

#include "host/host.h"
#include "output/document_output.h"
#include "run/child_protocol.h"

namespace {

enum guard_state : int {
    guard_idle,       // no visit under way
    guard_visiting,   // a visit under way
    guard_late,       // the deadline passed with no visit under way: none may begin
    guard_timed_out,  // the watchdog took the run over from a visit
    guard_crashed,    // the crash took the run over from a visit
};

std::atomic<int> state{guard_idle};
std::atomic<const char *> visit_step{step_not_begun};
visit_finisher finisher = nullptr;
bool watching = false;

void at_deadline() {
    int expected = guard_idle;
    if (state.compare_exchange_strong(expected, guard_late)) return;  // the run sees the deadline itself
    if (expected != guard_visiting || !state.compare_exchange_strong(expected, guard_timed_out)) return;
    int status = 0;
    // A fatal report of the stuck visit that is out already is the answer PRTG got.
    if (!take_over_document_output(status)) host_terminate(status);
    host_terminate(finisher(visit_cut::time_limit, visit_step.load()));
}

void on_crash() {
    int expected = guard_visiting;
    if (state.compare_exchange_strong(expected, guard_crashed))
        host_terminate(finisher(visit_cut::crash, visit_step.load()));
    // The watchdog is finishing the run: it ends the process.
    if (expected == guard_timed_out)
        for (;;) host_sleep_ms(1000);
    // Not during a visit: the crash is ours, and ends the process as it always did.
}

}  // namespace

bool begin_guarded_visit(uint64_t deadline, visit_finisher finish) {
    finisher = finish;
    if (!watching) {
        watching = true;
        host_catch_crashes(on_crash);
        if (deadline != 0) host_start_watchdog(deadline, at_deadline);
    }
    if (deadline != 0 && host_clock_ms() >= deadline) return false;
    visit_step.store(step_not_begun);
    int expected = guard_idle;
    return state.compare_exchange_strong(expected, guard_visiting);
}

void note_guarded_step(const char *step) { visit_step.store(step); }

void end_guarded_visit() {
    int expected = guard_visiting;
    if (state.compare_exchange_strong(expected, guard_idle)) return;
    for (;;) host_sleep_ms(1000);  // the run is finished elsewhere, which ends the process
}
