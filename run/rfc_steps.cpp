// Shared RFC-level steps of both runs; see rfc_steps.h.
#include "run/rfc_steps.h"

#include "rfc/failure_report.h"
#include "rfc/system_info.h"
#include "core/exit_status.h"
#include "output/document_output.h"
#include "run/console_trace.h"
#include "run/time_budget.h"
#include "rfc/rfc_library.h"

bool load_rfc_library_or_fail(run_record &run, int &status) {
    rfc_library_account account;
    if (load_rfc_library(account)) return true;
    print_rfc_library_account(run, account.c_str());
    bounded_text<output_buffer_capacity> message;
    message.format("Error 1016: %s !", account.c_str());
    status = fail_with(run, message.c_str());
    return false;
}

void prepare_rfc_environment(run_record &run) {
    register_abort_run(&run);
    run.rfc_environment.errorhandler = abort_on_rfc_error;
    run.rfc_environment.allocate = nullptr;
    rfc_library.RfcEnvironment(&run.rfc_environment);
    run.output_buffer.clear();
    run.run_status.assign("ERR");
}

void close_connection(run_record &run) {
    if (run.rfc_handle != 0) rfc_library.RfcClose(run.rfc_handle);
    run.rfc_handle = 0;
}

int identify_db4_system(run_record &run) {
    enter_step(run, step_system_info);
    run.run_status.assign("ERR");
    run.call_result = identify_system(run, run.rfc_handle);
    int status = exit_success;
    if (!run.run_status.equals("OK")) {
        // What the library needed for the failed call, before the answer goes out.
        print_changed_rfc_library_line(run);
        status = fail_after_rfc_step(run);
    }
    else if (!run.database_system.starts_with(required_database_prefix))
        status = fail_with(run, "Error 1018: DataBase mismatch !");
    // The document is printed before the connection closes, as the system has always done.
    if (status != exit_success) close_connection(run);
    return status;
}

int fail_after_rfc_step(run_record &run) {
    append_trace_diagnosis(run);
    return fail_with(run, run.output_buffer.c_str());
}
