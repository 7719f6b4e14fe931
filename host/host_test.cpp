// The host's clock and watchdog thread, the same on both builds: the clock never runs
// back, the process started before now, and the watchdog calls back once, never
// before its deadline.
#include "host/host.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

std::atomic<uint64_t> called_at{0};
std::atomic<int> calls{0};

void note_the_call() {
    called_at = host_clock_ms();
    ++calls;
}

}  // namespace

TEST(HostClock, RunsOnFromTheProcessStart) {
    uint64_t first = host_clock_ms();
    host_sleep_ms(50);
    uint64_t second = host_clock_ms();
    EXPECT_GE(second, first + 50);
    EXPECT_LE(host_process_start_ms(), first);
    EXPECT_GT(host_process_start_ms(), 0u);
}

// The only watchdog of this process: a process has one.
TEST(HostWatchdog, CallsBackOnceAtItsDeadline) {
    uint64_t deadline = host_clock_ms() + 200;
    ASSERT_TRUE(host_start_watchdog(deadline, note_the_call));
    // A loaded machine may wake it late, never early; ten seconds is plenty.
    for (int waited = 0; calls.load() == 0 && waited < 10000; waited += 10) host_sleep_ms(10);
    ASSERT_EQ(calls.load(), 1);
    EXPECT_GE(called_at.load(), deadline);
    host_sleep_ms(100);
    EXPECT_EQ(calls.load(), 1);
}
