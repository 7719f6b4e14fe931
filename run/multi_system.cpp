// The multi-system run. Profiles are read here, in listing order, leniently and into
// one profile record that is not emptied between systems, so a key that a later
// profile lacks keeps an earlier profile's value. The password is the exception: it
// is emptied before each profile, and a system without a valid password line of its
// own is never logged on, so no host ever receives another system's password.
// Each system is visited by a child process in a private folder (system_gathering.cpp
// shows the results in listing order), several at a time, within the run's budget.
#include "run/multi_system.h"

#include <new>

#include <cstring>

#include "config/profile_file.h"
#include "core/exit_status.h"
#include "host/host.h"
#include "host/host_process.h"
#include "output/document_output.h"
#include "output/output_flavour.h"
#include "output/prtg_writer.h"
#include "rfc/connection.h"
#include "rfc/trace_file.h"
#include "run/child_protocol.h"
#include "run/console_trace.h"
#include "run/private_folders.h"
#include "run/system_detail.h"
#include "run/system_gathering.h"

namespace {

// The plain password, overwritten in a way the compiler keeps.
void wipe_password(profile_data &record) {
    volatile char *bytes = record.password.data;
    for (size_t i = 0; i < sizeof record.password.data; ++i) bytes[i] = '\0';
    record.password.clear();
}

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

// Reads the profile of the next entry into the run record and describes its system in
// `slot`; starts its child unless the budget is spent (`start` false).
void take_system(run_record &run, size_t &next, system_slot &slot, bool start) {
    bounded_text<system_listing_capacity> entry;
    take_entry(run, next, entry);
    slot = system_slot{};
    slot.folder_lock = host_no_lock;
    // An entry too long to name a profile is still shown, cut between characters.
    if (!slot.entry.assign(entry.c_str())) text_drop_cut_character(slot.entry.data, &slot.entry.length);

    run.profile_path.assign(run.profile_directory.c_str());
    run.profile_path.append(entry.c_str());
    if (entry.length > file_name_capacity || run.profile_path.cut) {
        // A name that cannot be a profile file of ours still names a system someone
        // expects to be monitored: count it failed, never skip it silently.
        slot.kind = slot_kind::unusable_name;
        take_time_of_day(run);
        slot.time_of_day = run.time_of_day;
        return;
    }
    run.profile_file = host_open_read(run.profile_path.c_str());
    if (run.profile_file == nullptr) {
        slot.kind = slot_kind::skipped;  // a missing profile is skipped
        return;
    }

    bool password_rejected = false;
    run_message message;
    // The host shown for earlier systems is still being gathered: kept aside while the
    // mark "no host read" (which a profile's own Hostname line always clears) is set.
    const bounded_text<47> shown_host = run.display_host;
    run.display_host.clear();
    run.display_host.cut = true;
    // An empty, cut or unreadable profile, or one without its password line, would
    // otherwise log on with the password of the system before it.
    wipe_password(run.profile_record);
    read_profile(run, profile_reading::lenient, message, slot.system_failed, &password_rejected);
    if (slot.system_failed) slot.outcome.profile_error = message_error_number(message.c_str());
    slot.sets_host = !(run.display_host.cut && run.display_host.empty());
    slot.profile_host = run.display_host;
    run.display_host = shown_host;

    take_time_of_day(run);
    slot.time_of_day = run.time_of_day;
    const profile_data &profile = run.profile_record;
    slot.destination = profile.destination;
    slot.sysnr = profile.sysnr;
    slot.client = profile.client;
    slot.password_note = run.password_note;
    slot.no_own_password = !password_rejected && profile.password.empty();
    slot.logon = !password_rejected && !slot.no_own_password;
    if (!slot.logon) wipe_password(run.profile_record);  // never handed to its child
    // The library's system number carries over from the last logon, as in one process.
    if (slot.logon) fill_connection_options(run);
    slot.kind = slot_kind::child;
    if (start) {
        start_visit(run, slot);
    } else {
        slot.state = slot_state::given_up;
        slot.step.assign(step_not_begun);
    }
}

// The listing's state is laid out when a listing starts, in storage that is zero at
// load time: its slots' defaults (a child's result channel is -1 while it has none)
// would otherwise put the whole table (2 MB) into the program's data, and part of it
// into the memory of every run, single runs and children included.
alignas(gathering_state) unsigned char multi_state_storage[sizeof(gathering_state)];
gathering_state &multi_state = *reinterpret_cast<gathering_state *>(multi_state_storage);
system_channel_plan channel_plan;

// The processed systems whose database and dictionary disagree on any object.
unsigned systems_with_missing_objects() {
    unsigned systems = 0;
    for (size_t i = 0; i < multi_state.gathered; ++i)
        if (has_missing_objects(multi_state.slots[i])) ++systems;
    return systems;
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
    if (!run.objects_mode) return;
    // Missing objects slow a system down or break a transport: worth a look, not an alarm.
    channel_limits objects_limits;
    objects_limits.has_max_warning = true;
    objects_limits.max_warning = 0;
    write_count_result(run, missing_objects_channel, systems_with_missing_objects(), &objects_limits);
}

int print_summary(run_record &run, const system_counts &counts) {
    // A failed measurement of the last system left its error text, as the library
    // worded it, in the buffer ahead of the summary: there it is document content and
    // is escaped like all other.
    // Kept off the stack: the summary may be written from the watchdog's thread.
    static bounded_text<output_buffer_capacity> failure_text;
    failure_text = run.output_buffer;
    if (!run.trace_mode) print_document_head(run);
    run.output_buffer.clear();
    append_text(run, failure_text.c_str());
    open_text(run);
    summary_text summary;
    summary.format("(***) %s: NoSystems=%u, Processed=%u, Failed=%u", run.item_label.c_str(), counts.systems,
                   counts.processed, counts.failed);
    // The text flavours show no count channels: there the summary line carries it.
    if (run.objects_mode && !is_xml_flavour(run)) summary.append_format(", Objects=%u", systems_with_missing_objects());
    if (run.detail_mode) {
        // With OBJECTS=YES the summary has a fifth channel: one place fewer for the systems.
        plan_system_channels(multi_state.slots, multi_state.gathered, max_system_channels - (run.objects_mode ? 1 : 0),
                             channel_plan);
        append_detail_text(run, multi_state.slots, multi_state.gathered, channel_plan, summary);
    }
    append_text(run, summary.c_str());
    close_text(run);
    write_summary_channels(run, counts);
    if (run.detail_mode) write_system_detail(run, multi_state.slots, multi_state.gathered, channel_plan);
    close_document(run);
    print_document(run, exit_success, "\n");
    print_processed_line(run);
    return exit_success;
}

// What the run needs to finish from outside a visit in this process.
run_record *listing_run = nullptr;
size_t listing_next = 0;  // where the next entry of the listing begins

// Finishes the listing from outside a visit in this process that cannot come back to
// it. At the deadline the visited system and every system after it are given up, as a
// run past its time limit gives up its children and the systems not yet started.
// After a crash of the library the visited system counts as a crashed child does, and
// no system after it is visited, since the library's state in this process is unknown:
// each counts failed as not checked, for a reason of this computer's.
int finish_listing(visit_cut cut, const char *step) {
    run_record &run = *listing_run;
    gathering_state &state = multi_state;
    system_slot &visited = state.slots[state.gathered];
    if (cut == visit_cut::crash) {
        visited.state = slot_state::ended;
        visited.end = child_end::crashed;
        visited.status = -1;
    } else {
        visited.state = slot_state::given_up;
        visited.step.assign(step);
        state.out_of_time = true;
    }
    while (listing_next < run.system_listing.size() && state.taken < max_systems) {
        system_slot &slot = state.slots[state.taken++];
        take_system(run, listing_next, slot, false);
        if (cut == visit_cut::crash && slot.state == slot_state::given_up) slot.state = slot_state::not_visited;
    }
    int status = gather_ready(run, state);
    if (status != exit_success) return status;
    return print_summary(run, state.counts);
}

}  // namespace

int run_multi_system(run_record &run) {
    // Far too large for the stack, and no local static: that would cost a guard, and with
    // it the whole C++ runtime library loaded by each child.
    gathering_state &state = *new (multi_state_storage) gathering_state();
    state.taken = state.gathered = 0;
    state.running = 0;
    state.paused = state.out_of_time = false;
    state.has_refused = false;
    state.counts = system_counts{0, 0, 0, 0};
    state.budget_seconds = run.timeout_seconds;
    state.deadline = run.deadline;
    state.finish = finish_listing;
    listing_run = &run;
    const unsigned parallel = run.parallel_systems < 1 ? 1
                              : run.parallel_systems > max_parallel_children ? max_parallel_children
                                                                             : run.parallel_systems;

    start_run(run, run.parameter_string.find("ITEM=") < 0);
    note_trace_file(run);  // a listing never deletes it, but keeps it small too
    look_at_working_directory();

    size_t &next = listing_next;
    next = 0;
    for (;;) {
        // Start children in listing order while there is room; a system that has to be
        // visited in-process waits until every system before it is shown.
        // A system whose child's start was refused keeps its profile in the run until
        // its child has started: no other profile is read meanwhile.
        while (next < run.system_listing.size() && state.taken < max_systems && !state.paused &&
               !state.has_refused && (state.out_of_time || state.running < parallel)) {
            // Each start costs time (much of a second under wine on a loaded probe): the
            // deadline is looked at before every one of them.
            check_deadline(state);
            system_slot &slot = state.slots[state.taken++];
            take_system(run, next, slot, !state.out_of_time);
            if (slot.kind == slot_kind::in_process) state.paused = true;
            if (slot.state == slot_state::running) ++state.running;
            if (slot.state == slot_state::refused) {
                state.has_refused = true;
                state.refused_slot = state.taken - 1;
            }
        }
        if (state.has_refused && state.running == 0) retry_refused_start(run, state);
        int status = gather_ready(run, state);
        if (status != exit_success) return status;
        if (next >= run.system_listing.size() && state.gathered == state.taken) break;
        if (state.running == 0) continue;
        wait_for_children(state);
        // A child that ended has made room for the refused one.
        retry_refused_start(run, state);
    }
    return print_summary(run, state.counts);
}
