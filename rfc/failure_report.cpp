// RFC failure reporting; see failure_report.h. The library calls the abort handler
// with nothing but an operation text; everything the report says comes from
// RfcLastError, and only its form (PRTG document or console report) from the run
// registered with the handler.
#include "rfc/failure_report.h"

#include <cstring>

#include "host/host.h"
#include "host/line_reader.h"
#include "output/document_output.h"
#include "output/output_flavour.h"
#include "output/prtg_writer.h"
#include "core/exit_status.h"
#include "rfc/rfc_library.h"

namespace {

constexpr int label_width = 15;
constexpr size_t trace_line_characters = 99;

// The run whose form the abort report takes; none until the handler is registered.
run_record *abort_run = nullptr;

// The library fills these records; a field that arrives without its terminator
// must still print as a bounded text.
template <size_t Size>
void terminate_field(char (&field)[Size]) {
    field[Size - 1] = '\0';
}

}  // namespace

void print_label_line(const char *label, int indent, int width, const char *value) {
    bounded_text<1023> line;
    line.format("%*.0s%-*s : %s\n", indent, label, width, label, value);
    // A cut line still ends the way the report's lines do.
    if (line.cut) line.data[line.length - 1] = '\n';
    host_print(line.c_str());
}

void register_abort_run(run_record *run) { abort_run = run; }

void abort_report_text(const char *operation, const RFC_ERROR_INFO &error_info, abort_text &out) {
    const char *const labels[] = {"operation/code", "key", "status", "message", "internal status"};
    const char *const values[] = {operation != nullptr ? operation : "", error_info.key, error_info.status,
                                  error_info.message, error_info.intstat};
    out.assign("RFC error");
    const char *separator = ": ";
    for (size_t i = 0; i < sizeof labels / sizeof labels[0]; ++i) {
        if (values[i][0] == '\0') continue;
        out.append_format("%s%s %s", separator, labels[i], values[i]);
        separator = ", ";
    }
}

void LIBRFC32_API abort_on_rfc_error(char *operation) {
    // The report is the run's document: when the time limit's document is already
    // out, it must not follow it.
    if (!claim_document_output(exit_rfc_abort)) yield_to_watchdog();
    RFC_ERROR_INFO error_info;
    memset(&error_info, 0, sizeof error_info);
    rfc_library.RfcLastError(&error_info);
    terminate_field(error_info.key);
    terminate_field(error_info.status);
    terminate_field(error_info.message);
    terminate_field(error_info.intstat);

    // PRTG must get a document it can read; the console report, for a person at the
    // console or a text flavour's host, stays as it always was.
    if (abort_run != nullptr && is_xml_flavour(*abort_run) && !abort_run->trace_mode) {
        abort_text text;
        abort_report_text(operation, error_info, text);
        write_error_document(*abort_run, text.c_str());
        host_print(abort_run->output_buffer.c_str());
        // Out before the library closes its connections, which may never return: the
        // watchdog then ends the process with this document's status.
        document_output_written();
        rfc_library.RfcClose(0);
        host_exit(exit_rfc_abort);
    }

    host_print("RFC error\n");
    print_label_line("operation/code", 0, label_width, operation != nullptr ? operation : "");
    print_label_line("key", 0, label_width, error_info.key);
    print_label_line("status", 0, label_width, error_info.status);
    print_label_line("message", 0, label_width, error_info.message);
    print_label_line("internal status", 0, label_width, error_info.intstat);
    host_print("\n");
    document_output_written();

    rfc_library.RfcClose(0);
    host_print("* Programm aborted...\n");
    host_exit(exit_rfc_abort);
}

bool logon_was_refused() {
    RFC_ERROR_INFO_EX error_info;
    memset(&error_info, 0, sizeof error_info);
    // 1: the library has no error to hand out; the record then says nothing.
    if (rfc_library.RfcLastErrorEx(&error_info) != 0) return false;
    return error_info.group == RFC_ERROR_LOGON_FAILURE;
}

void append_return_code_text(run_record &run, RFC_RC code, const char *exception_name) {
    switch (code) {
        case RFC_OK:
            return;
        case RFC_FAILURE:
            append_message(run, "Error 1014: RFC-Failure raised !");
            return;
        case RFC_EXCEPTION:
            append_message(run, "Error 1012: Exception.: ");
            append_message(run, exception_name != nullptr ? exception_name : "");
            return;
        case RFC_SYS_EXCEPTION:
            append_message(run, "Error 1013: Sys-Exception raised !");
            return;
        default:
            append_message(run, "Error 1015: Other Failure raised !");
            return;
    }
}

int return_code_error_number(RFC_RC code) {
    switch (code) {
        case RFC_OK: return 0;
        case RFC_FAILURE: return 1014;
        case RFC_EXCEPTION: return 1012;
        case RFC_SYS_EXCEPTION: return 1013;
        default: return 1015;
    }
}

void append_trace_diagnosis(run_record &run) {
    FILE *trace = host_open_read(rfc_trace_file_name);
    if (trace == nullptr) {
        append_message(run, " - Look for Trace-File");
        return;
    }
    // The block looked for is the file's last: a file that has grown for months costs
    // no more than a small one.
    skip_to_last_lines(trace, trace_tail_bytes);
    append_diagnosis_from(run, trace);
    fclose(trace);
}

void skip_to_last_lines(FILE *file, long tail_bytes) {
    // Looked at from one byte before the tail: a line that begins exactly at the tail's
    // start is kept whole; any other line cut by it is dropped.
    if (fseek(file, -(tail_bytes + 1), SEEK_END) != 0) {
        rewind(file);  // the file is no longer than the tail
        return;
    }
    int c = fgetc(file);
    while (c != EOF && c != '\n') c = fgetc(file);
}

void append_diagnosis_from(run_record &run, FILE *trace) {
    char line[trace_line_characters + 1];
    bounded_text<trace_line_characters> message;
    // The line end is removed before the tests: none of them can match it, and the
    // message taken from a line must never end in one.
    while (read_line(trace, line, trace_line_characters)) {
        size_t length = strlen(line);
        // Each error block starts afresh, so only the last block of the file counts.
        if (text_starts_with(line, "**** ERROR ")) message.clear();
        if (text_starts_with(line, "ERROR ")) message.assign(length > 12 ? line + 12 : "");
        if (length > 7 && text_starts_with(line + 7, "======> ")) message.assign(length > 15 ? line + 15 : "");
    }
    if (message.empty()) {
        append_message(run, " - Please Check Trace-File !");
    } else {
        append_message(run, " - ");
        append_message(run, message.c_str());
    }
}
