// The time budget and its watchdog; see time_budget.h. The watchdog builds its
// document in a buffer of its own: the run may still be writing into its output
// buffer when the deadline comes (a slow answer, not a hung one), and only the gate
// decides which of the two documents PRTG gets.
#include "run/time_budget.h"

#include "core/exit_status.h"
#include "core/options.h"
#include "host/host.h"
#include "output/document_output.h"
#include "output/prtg_writer.h"

namespace {

constexpr unsigned longest_timeout_seconds = 3600;
constexpr unsigned most_parallel_systems = 64;

// One option of the budget: its keyword, its range and the message for a value
// that is none of it.
struct budget_option {
    const char *keyword;
    unsigned minimum;
    unsigned maximum;
    const char *malformed;
    unsigned run_record::*field;
};

const budget_option budget_options[] = {
    {"TIMEOUT=", 0, longest_timeout_seconds, "Error 1020: Invalid Parameter TIMEOUT=%s !", &run_record::timeout_seconds},
    {"PARALLEL=", 1, most_parallel_systems, "Error 1021: Invalid Parameter PARALLEL=%s !",
     &run_record::parallel_systems},
};

// Takes each option from the first of `texts` that holds it, as a search of the texts
// joined would find it; false with the message for the first malformed value, in the
// order of budget_options.
bool take_options(run_record &run, const char *const *texts, int count, run_message &message) {
    for (const budget_option &option : budget_options) {
        for (int i = 0; i < count; ++i) {
            given_value value = find_given_option(texts[i], option.keyword);
            if (value.text == nullptr) continue;
            unsigned number = 0;
            if (!read_whole_number(value, option.minimum, option.maximum, number)) {
                bounded_text<parameter_capacity> shown;
                shown.assign(value.text, value.length);
                message.format(option.malformed, shown.c_str());
                return false;
            }
            run.*option.field = number;
            break;
        }
    }
    return true;
}

void set_deadline(run_record &run) {
    run.deadline = run.timeout_seconds == 0 ? 0 : host_process_start_ms() + run.timeout_seconds * 1000ull;
}

const char *step_name(int step) {
    switch (step) {
        case step_system_info: return "RFC_SYSTEM_INFO";
        case step_measurement: return "DB02_DB4_GET_INFO";
        default: return "logon";
    }
}

// The run the watchdog watches; set once, before its thread starts.
const run_record *watched_run = nullptr;

void at_deadline() {
    if (!claim_document_output_for_watchdog()) host_terminate(wait_for_run_document());
    static bounded_text<output_buffer_capacity> document;
    write_time_limit_document(*watched_run, document);
    host_print(document.c_str());
    host_terminate(exit_error_document);
}

}  // namespace

bool read_budget_options(run_record &run, int argc, const char *const *argv, run_message &message) {
    run.timeout_seconds = default_timeout_seconds;
    run.parallel_systems = default_parallel_systems;
    // The parameter arguments as PRTG passed them, as the parameter text joins them.
    const char *given[2] = {argc >= 3 ? argv[2] : nullptr, argc >= 4 ? argv[3] : nullptr};
    bool taken = take_options(run, given, 2, message);
    set_deadline(run);
    return taken;
}

bool read_entry_budget_options(run_record &run, run_message &message) {
    const char *given[1] = {run.entry_line.c_str()};
    bool taken = take_options(run, given, 1, message);
    set_deadline(run);
    return taken;
}

void enter_step(run_record &run, run_step step) { run.current_step.value.store(step); }

void write_time_limit_document(const run_record &run, bounded_text<output_buffer_capacity> &out) {
    bounded_text<10> seconds;
    seconds.format("%u", run.timeout_seconds);
    bounded_text<message_capacity> message;
    message.format("Error 1022: Time limit of %s s reached for %s during %s !", seconds.c_str(),
                   run.profile_record.destination.c_str(), step_name(run.current_step.value.load()));
    write_error_document_to(out, message.c_str());
}

bool start_watchdog(const run_record &run) {
    if (run.deadline == 0) return false;
    watched_run = &run;
    return host_start_watchdog(run.deadline, at_deadline);
}
