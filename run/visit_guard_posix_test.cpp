// The guard over a visit in the run's own process, seen from a child process (gtest's
// death tests fork, and the guard is once per process): a visit stuck at the deadline
// or crashing is finished by the finisher, with the step it had begun and the status
// the finisher gives; a crash outside a visit still ends the process as a crash.
#include "run/visit_guard.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include "host/host.h"

namespace {

constexpr int time_limit_status = 40;
constexpr int crash_status = 41;

int finish(visit_cut cut, const char *step) {
    fprintf(stderr, "finished after %s during %s\n", cut == visit_cut::crash ? "a crash" : "the time limit", step);
    return cut == visit_cut::crash ? crash_status : time_limit_status;
}

void crash_like_the_library() {
    // An address in the first page, which is never mapped, as the stand-in's crash writes.
    volatile uintptr_t first_page = 16;
    *reinterpret_cast<volatile int *>(first_page) = 1;
}

void hang() {
    for (;;) host_sleep_ms(1000);
}

}  // namespace

TEST(VisitGuard, AStuckOrCrashingVisitIsFinishedWithItsStep) {
    EXPECT_EXIT(
        {
            if (!begin_guarded_visit(host_clock_ms() + 200, finish)) _exit(1);
            note_guarded_step("DB02_DB4_GET_INFO");
            hang();
        },
        ::testing::ExitedWithCode(time_limit_status), "finished after the time limit during DB02_DB4_GET_INFO");
    EXPECT_EXIT(
        {
            if (!begin_guarded_visit(0, finish)) _exit(1);
            note_guarded_step("logon");
            crash_like_the_library();
            _exit(2);
        },
        ::testing::ExitedWithCode(crash_status), "finished after a crash during logon");
    // A visit that returns in time is the run's; the deadline later finds no visit.
    EXPECT_EXIT(
        {
            if (!begin_guarded_visit(host_clock_ms() + 200, finish)) _exit(1);
            note_guarded_step("RFC_SYSTEM_INFO");
            end_guarded_visit();
            host_sleep_ms(400);
            fprintf(stderr, "the run goes on\n");
            _exit(begin_guarded_visit(host_clock_ms() + 1000, finish) ? 3 : 0);  // too late for another
        },
        ::testing::ExitedWithCode(0), "the run goes on");
}

TEST(VisitGuard, ACrashOutsideAVisitStaysACrash) {
    EXPECT_EXIT(
        {
            if (!begin_guarded_visit(0, finish)) _exit(1);
            end_guarded_visit();
            crash_like_the_library();
            _exit(2);
        },
        ::testing::KilledBySignal(SIGSEGV), "");
}
