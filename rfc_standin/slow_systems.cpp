// Slow, hung and crashing systems; see slow_systems.h. The sleeps use the C++ clock
// and thread library, the same on both builds; the crash writes through a pointer
// the compiler cannot see the value of, into the first page, so it is a real access
// violation on Windows and SIGSEGV on Linux, never a trap instruction the compiler
// put in its place.
#include "rfc_standin/slow_systems.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include "rfc_standin/landscape.h"
#include "rfc_standin/standin_text.h"

namespace {

// Sleeps, and says so in the call-log line, so tests can see which delay applied.
void pause_for(int milliseconds, call_line &line) {
    if (milliseconds <= 0) return;
    line.append_format(" delay=%dms", milliseconds);
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

[[noreturn]] void hang_forever(call_line &line) {
    line.append(" -> hangs");
    log_call(line);
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

[[noreturn]] void crash_library(call_line &line) {
    line.append(" -> crashes");
    log_call(line);
    // An address in the first page, which no process ever has mapped.
    static int *volatile nowhere = reinterpret_cast<int *>(16);
    *nowhere = 1;
    abort();  // not reached: the write above ends the process
}

// SAP's library is documented to end the process itself in some states (an
// unrecoverable error of its own): the caller gets no chance to hand anything back.
[[noreturn]] void exit_library(call_line &line, int status) {
    line.append_format(" -> exits %d", status);
    log_call(line);
    exit(status);
}

}  // namespace

int call_delay_of(const standin_system &system, const char *function) {
    int every_function = 0;
    for (int i = 0; i < system.call_delay_count; ++i) {
        const call_delay &delay = system.call_delays[i];
        if (delay.function.empty())
            every_function = delay.milliseconds;
        else if (equal_ignore_case(delay.function.c_str(), function))
            return delay.milliseconds;
    }
    return every_function;
}

void play_open_timing(const standin_system &system, call_line &line) {
    pause_for(system.open_delay, line);
    if (find_fault(system, fault_hang_on_open, nullptr) != nullptr) hang_forever(line);
    if (find_fault(system, fault_crash_on_open, nullptr) != nullptr) crash_library(line);
    if (const standin_fault *fault = find_fault(system, fault_exit_on_open, nullptr)) exit_library(line, fault->code);
}

void play_call_timing(const standin_system &system, const char *function, call_line &line) {
    pause_for(call_delay_of(system, function), line);
    if (find_fault(system, fault_hang_on_call, function) != nullptr) hang_forever(line);
    if (find_fault(system, fault_crash_on_call, function) != nullptr) crash_library(line);
    if (const standin_fault *fault = find_fault(system, fault_exit_on_call, function)) exit_library(line, fault->code);
}
