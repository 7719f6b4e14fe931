// The multi-system run, system by system. Profiles are read leniently and the
// profile record is not emptied between systems, so a key that a later profile lacks
// keeps an earlier profile's value; a system's own rejected password is the one
// exception: that system is never logged on with another system's password.
#include "run/multi_system.h"

#include <cstring>

#include "config/profile_file.h"
#include "host/host.h"
#include "measure/asp_usage.h"
#include "output/document_output.h"
#include "output/prtg_writer.h"
#include "rfc/connection.h"
#include "run/console_trace.h"
#include "core/exit_status.h"
#include "run/rfc_steps.h"
#include "run/time_budget.h"

namespace {

struct system_counts {
    unsigned systems;
    unsigned processed;
    unsigned failed;
    unsigned not_found;  // entries whose profile could not be opened (skipped)
};

// Takes the next entry of the listing, from `next` on: the text up to its "#", or all
// that is left when no "#" follows (text after the last "#" is one more entry, not
// lost). Reading on from a position, rather than cutting each entry off the listing,
// keeps an entry's cost the same however many entries follow it.
void take_entry(const run_record &run, size_t &next, bounded_text<system_listing_capacity> &entry) {
    const char *listing = run.system_listing.c_str() + next;
    const char *hash = strchr(listing, '#');
    size_t length = hash ? static_cast<size_t>(hash - listing) : strlen(listing);
    entry.assign(listing, length);
    next += hash ? length + 1 : length;
}

// Prints the document head followed by a line feed, through output_buffer, which is
// left empty.
void print_document_head(run_record &run) {
    open_document(run);
    print_document(run, exit_success, "\n");
    run.output_buffer.clear();
}

void start_run(run_record &run, bool from_global_listing) {
    if (from_global_listing) {
        // The selected entry line carries this sensor's options from here on.
        run.parameter_text = run.entry_text;
        run.parameter_string = run.entry_text;
        text_upper_ascii(run.parameter_string.data);
    }
    print_trace_line(run);  // the banner prepared at start-up
    text_colons_to_blanks(run.parameter_text.data);
    long cut = run.parameter_text.find(" @");
    if (cut >= 0) run.parameter_text.truncate(static_cast<size_t>(cut));
    // time_of_day still holds the start time taken for the banner.
    set_trace_line(run, "Executing", "* %s %s", run.time_of_day.c_str(), run.parameter_text.c_str());
    print_trace_line(run);

    // In trace mode the head stands between the console lines as it always has. Without
    // trace it waits for the summary: a run that ends early then prints its error
    // document alone, which PRTG can read, instead of a head that is never closed.
    if (run.trace_mode) print_document_head(run);
}

void print_system_state(const run_record &run, const char *state) {
    if (!run.trace_mode) return;
    host_print("\n");
    host_print(run.trace_line.c_str());
    host_print(" State=");
    host_print(state);
    host_print("\n");
    host_flush();  // out before the next system's library calls, which might crash
}

// One system: returns exit_success when the run goes on (the system counted), or
// the exit status that ends the run.
int visit_system(run_record &run, const char *entry, system_counts &counts) {
    bool system_failed = false;
    bool password_rejected = false;
    run_message message;
    read_profile(run, profile_reading::lenient, message, system_failed, &password_rejected);

    take_time_of_day(run);
    const profile_data &profile = run.profile_record;
    set_trace_line(run, nullptr, "* %s %s, %s, %s, %s, %s", run.time_of_day.c_str(), entry,
                   run.display_host.c_str(), profile.destination.c_str(), profile.sysnr.c_str(),
                   profile.client.c_str());

    prepare_rfc_environment(run);
    // The password in the record is another system's when this profile's own one was
    // rejected: sending it would show one system's credential to another system's host.
    enter_step(run, step_logon);
    if (!password_rejected) run.rfc_handle = open_connection(run);
    if (run.rfc_handle == 0) {
        system_failed = true;
    } else {
        // A locked or wrong monitoring user costs its own system only, like a failed
        // open; every other failed identification still ends the run.
        bool logon_refused = false;
        int status = identify_db4_system(run, &logon_refused);
        if (status != exit_success) return status;
        if (logon_refused) {
            system_failed = true;
        } else {
            enter_step(run, step_measurement);
            run.run_status.assign("ERR");
            run.call_result = measure_asp_usage(run, run.rfc_handle);
        }
    }
    close_connection(run);

    const char *state = "Rfc Failure";
    if (!system_failed && run.run_status.equals("OK")) {
        ++counts.processed;
        state = "Processed";
    } else {
        ++counts.failed;
    }
    print_system_state(run, state);
    return exit_success;
}

// The counts as channels, so that PRTG can alert on them: any failed system turns the
// sensor red, any entry without a profile yellow. Counts use PRTG's own unit, unlike
// the custom units of the ASP channels. The text flavours keep their summary line alone.
void write_summary_channels(run_record &run, const system_counts &counts) {
    channel_limits failed_limits;
    failed_limits.has_max_error = true;
    failed_limits.max_error = 0;
    channel_limits not_found_limits;
    not_found_limits.has_max_warning = true;
    not_found_limits.max_warning = 0;
    write_count_result(run, "Systems", counts.systems, nullptr);
    write_count_result(run, "Processed", counts.processed, nullptr);
    write_count_result(run, "Failed", counts.failed, &failed_limits);
    write_count_result(run, "Not found", counts.not_found, &not_found_limits);
}

}  // namespace

int run_multi_system(run_record &run) {
    system_counts counts = {0, 0, 0, 0};
    start_run(run, run.parameter_string.find("ITEM=") < 0);

    size_t next = 0;
    while (next < run.system_listing.size()) {
        ++counts.systems;
        bounded_text<system_listing_capacity> entry;
        take_entry(run, next, entry);

        run.profile_path.assign(run.profile_directory.c_str());
        run.profile_path.append(entry.c_str());
        if (entry.length > file_name_capacity || run.profile_path.cut) {
            // A name that cannot be a profile file of ours still names a system someone
            // expects to be monitored: count it failed, never skip it silently.
            ++counts.failed;
            take_time_of_day(run);
            set_trace_line(run, nullptr, "* %s %s", run.time_of_day.c_str(), entry.c_str());
            print_system_state(run, "Rfc Failure");
            continue;
        }
        run.profile_file = host_open_read(run.profile_path.c_str());
        if (run.profile_file == nullptr) {  // a missing profile is skipped, and counted
            ++counts.not_found;
            continue;
        }

        int status = visit_system(run, entry.c_str(), counts);
        if (status != exit_success) return status;
    }

    // A failed measurement of the last system left its error text, as the library
    // worded it, in the buffer ahead of the summary: there it is document content and
    // is escaped like all other.
    bounded_text<output_buffer_capacity> failure_text = run.output_buffer;
    if (!run.trace_mode) print_document_head(run);
    run.output_buffer.clear();
    append_text(run, failure_text.c_str());
    open_text(run);
    bounded_text<255> summary;
    summary.format("(***) %s: NoSystems=%u, Processed=%u, Failed=%u", run.item_label.c_str(), counts.systems,
                   counts.processed, counts.failed);
    append_text(run, summary.c_str());
    close_text(run);
    write_summary_channels(run, counts);
    close_document(run);
    print_document(run, exit_success, "\n");
    print_processed_line(run);
    return exit_success;
}
