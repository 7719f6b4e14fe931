// Putting a finished document on standard output; see document_output.h. The gate
// is one atomic state: open, the run printing, the run's document written, or the
// watchdog's. The run's status is published before its document is marked written,
// so the watchdog that waits for it reads the status that goes with it.
#include "output/document_output.h"

#include <atomic>

#include "core/exit_status.h"
#include "host/host.h"
#include "output/prtg_writer.h"

namespace {

enum gate_state : int { gate_open, gate_run_printing, gate_run_written, gate_watchdog };

std::atomic<int> gate{gate_open};
std::atomic<int> run_exit_status{exit_success};
// The thread that took the run's document over (take_over_document_output); its claims
// still succeed. Meaningful only while `taken_over` is set.
std::atomic<bool> taken_over{false};
std::atomic<unsigned long> taking_thread{0};

bool is_taking_thread() { return taken_over.load() && taking_thread.load() == host_thread_id(); }

constexpr unsigned watch_interval_ms = 10;

}  // namespace

bool claim_document_output(int status) {
    int state = gate.load();
    for (;;) {
        if (state == gate_watchdog && !is_taking_thread()) return false;
        if (gate.compare_exchange_weak(state, gate_run_printing)) break;
    }
    run_exit_status.store(status);
    return true;
}

void document_output_written() {
    fflush(stdout);
    gate.store(is_taking_thread() ? gate_watchdog : gate_run_written);
}

void yield_to_watchdog() {
    for (;;) host_sleep_ms(1000);
}

bool claim_document_output_for_watchdog() {
    int expected = gate_open;
    return gate.compare_exchange_strong(expected, gate_watchdog);
}

bool take_over_document_output(int &status) {
    taking_thread.store(host_thread_id());
    int state = gate.load();
    for (;;) {
        // The run's own last document is being printed (a fatal report): it goes first.
        if (state == gate_run_printing) {
            host_sleep_ms(watch_interval_ms);
            state = gate.load();
            continue;
        }
        if (state == gate_run_written && run_exit_status.load() != exit_success) {
            status = run_exit_status.load();
            return false;
        }
        if (gate.compare_exchange_weak(state, gate_watchdog)) break;
    }
    taken_over.store(true);
    return true;
}

int wait_for_run_document() {
    while (gate.load() != gate_run_written) host_sleep_ms(watch_interval_ms);
    return run_exit_status.load();
}

void reset_document_output_gate() {
    taken_over.store(false);
    gate.store(gate_open);
    run_exit_status.store(exit_success);
}

int print_document(run_record &run, int status, const char *ending) {
    if (!claim_document_output(status)) yield_to_watchdog();
    host_print(run.output_buffer.c_str());
    host_print(ending);
    document_output_written();
    return status;
}

int fail_with(run_record &run, const char *message) {
    write_error_document(run, message);
    return print_document(run, exit_error_document);
}
