// The visit of one system; see system_visit.h. It prints nothing of its own: what the
// multi-system run shows for the system is decided where the results are gathered, in
// listing order, so that it reads the same however the systems were visited.
#include "run/system_visit.h"

#include "measure/asp_usage.h"
#include "rfc/connection.h"
#include "rfc/failure_report.h"
#include "rfc/system_info.h"
#include "run/rfc_steps.h"

namespace {

// What a single-profile run answers when the connection cannot be opened, and when
// the system is not on DB4.
constexpr int logon_failure_number = 1011;
constexpr int database_mismatch_number = 1018;

void note(step_notice notice, const char *step) {
    if (notice != nullptr) notice(step);
}

}  // namespace

void visit_system(run_record &run, bool logon, step_notice notice, visit_result &result) {
    result = visit_result{};
    run.figures = measured_figures{};
    prepare_rfc_environment(run);
    if (logon) {
        note(notice, "logon");
        run.rfc_handle = open_connection(run);
    }
    if (run.rfc_handle == 0) {
        if (logon) result.error_number = logon_failure_number;
        return;
    }

    note(notice, "RFC_SYSTEM_INFO");
    run.run_status.assign("ERR");
    run.call_result = identify_system(run, run.rfc_handle);
    if (!run.run_status.equals("OK")) {
        // An RfcOpen logon is checked by the system with this first call; a refusal
        // comes back as a plain RFC failure, told apart only by its error group. A
        // locked or wrong monitoring user costs its own system only, like a failed
        // open; every other failed identification still ends the run.
        if (run.call_result == RFC_FAILURE && logon_was_refused()) {
            run.output_buffer.clear();
            result.outcome = visit_outcome::failed;
            result.error_number = return_code_error_number(run.call_result);
        } else {
            result.outcome = visit_outcome::identification_failed;
            result.error_number = return_code_error_number(run.call_result);
        }
    } else {
        result.identified = true;
        result.identified_host = run.display_host;
        result.database_system = run.database_system;
        if (!run.database_system.starts_with(required_database_prefix)) {
            result.outcome = visit_outcome::database_mismatch;
            result.error_number = database_mismatch_number;
        } else {
            note(notice, "DB02_DB4_GET_INFO");
            run.run_status.assign("ERR");
            run.call_result = measure_asp_usage(run, run.rfc_handle);
            result.outcome = run.run_status.equals("OK") ? visit_outcome::processed : visit_outcome::failed;
            result.error_number = return_code_error_number(run.call_result);
            result.figures = run.figures;
        }
    }
    close_connection(run);
    result.text.assign(run.output_buffer.c_str(), run.output_buffer.length);
}
