// Console trace lines; see console_trace.h.
#include "run/console_trace.h"

#include <cstring>

#include "host/host.h"
#include "run/run_driver.h"

void take_time_of_day(run_record &run) {
    char now[9];
    host_time_of_day(now);
    run.time_of_day.assign(now);
}

void set_trace_line(run_record &run, const char *state, const char *format, ...) {
    bounded_text<decltype(run.trace_line)::capacity> ending;
    if (state != nullptr) ending.format(" State=%s", state);
    size_t room = run.trace_line.capacity - ending.length;

    bounded_text<decltype(run.trace_line)::capacity> body;
    va_list args;
    va_start(args, format);
    bool whole = text_put_format(body.data, body.capacity, &body.length, format, args);
    va_end(args);
    // A long entry is cut between characters, never inside one.
    if (!whole || body.length > room) {
        body.truncate(room);
        text_drop_cut_character(body.data, &body.length);
    }

    run.trace_line.assign(body.c_str());
    run.trace_line.append(ending.c_str());
}

void print_trace_line(const run_record &run) {
    if (!run.trace_mode) return;
    host_print(run.trace_line.c_str());
    host_print("\n");
    // Out before the next library call: the lines tell how far a run got whose library crashed.
    host_flush();
}

namespace {

// What `describe` says of the library, terminated whatever a library of that name wrote.
void ask_rfc_library(rfc_library_describe_function describe, bounded_text<rfc_library_description_capacity> &said) {
    said.clear();
    if (describe == nullptr) return;
    char description[rfc_library_description_capacity + 1] = "";
    describe(description, sizeof description);
    description[sizeof description - 1] = '\0';
    said.assign(description);
}

void print_rfc_library_text(const char *text) {
    // Aligned with the "* SapRfc.Ini.......: " line of the destination-file route.
    host_print("* RFC library......: ");
    host_print(text);
    host_print("\n");
    host_flush();  // out before the next library call, which might crash
}

}  // namespace

void describe_rfc_library(const char *path, rfc_library_describe_function describe, rfc_library_text &out) {
    out.assign(path);
    bounded_text<rfc_library_description_capacity> said;
    ask_rfc_library(describe, said);
    if (!said.empty()) out.append_format(", %s", said.c_str());
}

void print_password_note(const run_record &run, const char *time, const char *profile, const char *note) {
    if (!run.trace_mode || note[0] == '\0') return;
    bounded_text<63 + 255> line;
    line.format("* %s %s: %s\n", time, profile, note);
    host_print(line.c_str());
}

void print_rfc_library_account(const run_record &run, const char *account) {
    // The line's label names the library already: "* RFC library......: C:\...\librfc32.dll is 64-bit: ..."
    const char *said = strncmp(account, "RFC library ", 12) == 0 ? account + 12 : account;
    if (run.trace_mode) print_rfc_library_text(said);
}

void print_rfc_library_line(run_record &run) {
    if (!run.trace_mode) return;
    host_module_path path;
    rfc_library_describe_function describe = nullptr;
    rfc_library_text what;
    if (host_find_rfc_library(path, describe)) {
        describe_rfc_library(path.c_str(), describe, what);
        ask_rfc_library(describe, run.rfc_library_said);
    } else {
        what.assign("not found among the loaded modules");
    }
    print_rfc_library_text(what.c_str());
}

void print_changed_rfc_library_line(run_record &run) {
    // Only after this process printed the line: a listing's child never does.
    if (!run.trace_mode || run.rfc_library_said.empty()) return;
    host_module_path path;
    rfc_library_describe_function describe = nullptr;
    if (!host_find_rfc_library(path, describe)) return;
    bounded_text<rfc_library_description_capacity> said;
    ask_rfc_library(describe, said);
    if (said.equals(run.rfc_library_said.c_str())) return;
    run.rfc_library_said = said;
    rfc_library_text what;
    describe_rfc_library(path.c_str(), describe, what);
    print_rfc_library_text(what.c_str());
}

void parameter_echo(const run_record &run, bounded_text<parameter_capacity> &out) {
    out = run.parameter_text;
    long at = out.find("#");
    if (at >= 0) out.truncate(static_cast<size_t>(at));
    at = out.find("@");
    if (at >= 0) out.truncate(static_cast<size_t>(at));
    // A parameter field that still holds only the start of a placeholder text counts as empty.
    if (out.equals("(Parameters ") || out.equals("(No ")) out.clear();
    if (out.empty()) out.assign("(No Parameters)");
}

void print_processed_line(run_record &run) {
    if (!run.trace_mode) return;
    take_time_of_day(run);
    bounded_text<63> closing;
    closing.format("\n* %s SAP %s now processed...\n", run.time_of_day.c_str(), program_name);
    host_print(closing.c_str());
}
