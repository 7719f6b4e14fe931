// The single-profile run, step by step, and the hand-over to the multi-system run.
// Every step reports back by return code; only this driver decides that the run
// ends, writes the error document and hands the exit status to main.
#include "run/run_driver.h"

#include "config/password.h"
#include "config/profile_file.h"
#include "config/profile_location.h"
#include "host/host.h"
#include "output/output_flavour.h"
#include "output/prtg_writer.h"
#include "run/command_line.h"
#include "run/console_trace.h"
#include "run/exit_status.h"

int fail_with(run_record &run, const char *message) {
    write_error_document(run, message);
    host_print(run.output_buffer.c_str());
    return exit_error_document;
}

int run_sensor(run_record &run, int argc, const char *const *argv) {
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
    if (!locate_profile(run, message)) return fail_with(run, message.c_str());

    if (run.multi_system_mode) {
        // The multi-system run takes over here: it loads the system listing from the
        // file just located and visits every listed system. Until it exists, the run
        // ends quietly instead of reading the listing as a profile.
        close_profile_file(run);
        return exit_success;
    }

    bool system_failed = false;
    if (!read_profile(run, profile_reading::strict, message, system_failed))
        return fail_with(run, message.c_str());

    // Logon and measurement follow here.
    return exit_success;
}
