// The single-profile run, step by step, and the hand-over to the multi-system run.
// Every step reports back by return code; only this driver decides that the run
// ends, writes the error document and hands the exit status to main.
#include "run/run_driver.h"

#include <cstring>

#include "config/detail_option.h"
#include "config/limits_option.h"
#include "config/password.h"
#include "config/profile_file.h"
#include "config/profile_location.h"
#include "config/system_listing.h"
#include "host/host.h"
#include "host/host_process.h"
#include "measure/asp_usage.h"
#include "output/document_output.h"
#include "output/output_flavour.h"
#include "output/prtg_writer.h"
#include "rfc/connection.h"
#include "rfc/failure_report.h"
#include "rfc/system_info.h"
#include "run/command_line.h"
#include "run/console_trace.h"
#include "core/exit_status.h"
#include "run/child_visit.h"
#include "run/child_protocol.h"
#include "run/multi_system.h"
#include "run/rfc_steps.h"
#include "rfc/trace_file.h"
#include "run/time_budget.h"

namespace {

void print_run_trace_lines(run_record &run) {
    print_trace_line(run);  // the banner prepared at start-up
    take_time_of_day(run);
    const profile_data &profile = run.profile_record;
    set_trace_line(run, "Processing", "* %s %s, %s, %s, %s, %s", run.time_of_day.c_str(), run.profile_name.c_str(),
                   run.display_host.c_str(), profile.destination.c_str(), profile.sysnr.c_str(),
                   profile.client.c_str());
    print_trace_line(run);
    bounded_text<parameter_capacity> echo;
    parameter_echo(run, echo);
    set_trace_line(run, "Executing", "* %s %s - %s", run.time_of_day.c_str(), program_name, echo.c_str());
    print_trace_line(run);
}

// DETAIL= from the parameter arguments as given: the first that holds it decides, as a
// search of the two joined would find it. In a single-profile run a valid value has no
// effect, but a malformed one is the sensor's setup at fault all the same.
bool read_detail_arguments(run_record &run, int argc, const char *const *argv, run_message &message) {
    for (int i = 2; i < argc && i <= 3; ++i) {
        bool found = false;
        if (!read_detail_option(argv[i], run.detail_mode, found, message)) return false;
        if (found) return true;
    }
    return true;
}

}  // namespace

int run_single_profile(run_record &run) {
    enter_step(run, step_logon);
    // From here on the run may wait for SAP: the destination it names is settled.
    start_watchdog(run);
    print_run_trace_lines(run);
    // The library is loaded here, after the lines that say what the run was about to
    // do, so that a library that cannot be loaded is told as part of this run.
    int status = exit_success;
    if (!load_rfc_library_or_fail(run, status)) return status;
    prepare_rfc_environment(run);

    note_trace_file(run);
    run.rfc_handle = open_connection(run);
    // Which librfc32 answers, the bridge or SAP's classic library and from which
    // folder: a stray copy on the PATH or in System32 is found here, not guessed at.
    print_rfc_library_line(run);
    if (run.rfc_handle == 0) {
        bounded_text<63> message;
        message.format("Error 1011: RFC-Open for %s failed !", run.profile_record.destination.c_str());
        return fail_with(run, message.c_str());
    }

    status = identify_db4_system(run);
    if (status != exit_success) return status;

    enter_step(run, step_measurement);
    run.run_status.assign("ERR");
    run.call_result = measure_asp_usage(run, run.rfc_handle);
    print_changed_rfc_library_line(run);
    close_connection(run);
    if (!run.run_status.equals("OK")) return fail_after_rfc_step(run);

    print_document(run, exit_success);
    delete_unchanged_trace_file(run);
    print_processed_line(run);
    return exit_success;
}

int run_sensor(run_record &run, int argc, const char *const *argv) {
    // A multi-system run's child, visiting one system: never started so by PRTG.
    if (argc == 2 && is_visit_argument(argv[1])) return run_visit_child(run, argv[1]);
    host_start();
    take_time_of_day(run);
    set_trace_line(run, nullptr, "* %s SAP %s %s", run.time_of_day.c_str(), program_name, version_text);
    build_password_key(run.password_key);
    run.result_count = 0;
    run.rfc_handle = 0;
    run.profile_file = nullptr;

    if (argc < 2) return fail_with(run, "Error 1001: Parameter for Profile-Name is missing !");

    parse_command_line(run, argc, argv);
    run.profile_record = profile_data{};
    // Before the profile is located: where it is looked for depends on the flavour.
    choose_output_flavour(run);

    run_message message;
    // A malformed budget ends the run before anything is looked for, let alone logged on.
    if (!read_budget_options(run, argc, argv, message)) return fail_with(run, message.c_str());
    // Checked before the profile is even looked for: a malformed value is the sensor's
    // setup at fault, whatever the profile holds.
    for (int i = 2; i < argc && i <= 3; ++i)
        if (!read_limits_option(argv[i], run.asp_limits, message)) return fail_with(run, message.c_str());
    if (!read_detail_arguments(run, argc, argv, message)) return fail_with(run, message.c_str());
    if (!locate_profile(run, message)) return fail_with(run, message.c_str());

    if (run.multi_system_mode) {
        const char *first_parameter = argc >= 3 ? argv[2] : nullptr;
        if (!load_system_listing(run, first_parameter, message)) return fail_with(run, message.c_str());
        if (!read_entry_budget_options(run, message)) return fail_with(run, message.c_str());
        bool found = false;
        if (!read_detail_option(run.entry_line.c_str(), run.detail_mode, found, message))
            return fail_with(run, message.c_str());
        // No system can be checked without the library: the run ends before any is visited.
        int status = exit_success;
        if (!load_rfc_library_or_fail(run, status)) return status;
        return run_multi_system(run);
    }

    bool system_failed = false;
    if (!read_profile(run, profile_reading::strict, message, system_failed))
        return fail_with(run, message.c_str());

    return run_single_profile(run);
}
