// The single-profile run, step by step, and the hand-over to the multi-system run.
// Every step reports back by return code; only this driver decides that the run
// ends, writes the error document and hands the exit status to main.
#include "run/run_driver.h"

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
    run.result_count = 0;
    run.rfc_handle = 0;

    if (argc < 2) return fail_with(run, "Error 1001: Parameter for Profile-Name is missing !");

    parse_command_line(run, argc, argv);
    run.profile_record = profile_data{};
    // Before the profile is located: where it is looked for depends on the flavour.
    choose_output_flavour(run);

    // Locating and reading the profile, logon and measurement follow here.
    return exit_success;
}
