// Error blocks in the shape of SAP's trace file: a "**** ERROR file opened at"
// header with date, time and time zone, thread-tagged lines with the arrow from
// column 8, and detail lines whose keyword fills 12 columns. The stand-in runs on
// one thread and writes a fixed thread number.
#include "rfc_standin/error_report.h"

#include "rfc_standin/call_log.h"

#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

const char trace_file_name[] = "Dev_Rfc.Trc";
const char thread_tag[] = "T:1234 ";  // 7 columns: the arrow starts in column 8

void write_detail(FILE *file, const char *keyword, const char *text) {
    if (text != nullptr && text[0] != '\0') fprintf(file, "%-12s%s\n", keyword, text);
}

void append_block(const rfc_failure &failure, trace_level level) {
    if (level == trace_off) return;
    // Text mode: on Windows the lines end in CR LF, as in the real library's file.
    FILE *file = fopen(trace_file_name, "a");
    if (file == nullptr) return;
    char opened[120] = "00000000 000000";
    time_t now = time(nullptr);
    const struct tm *local = localtime(&now);
    if (local != nullptr) strftime(opened, sizeof opened, "%Y%m%d %H%M%S %Z", local);
    fprintf(file, "**** ERROR file opened at %s, SAP-REL 640,0,0 RFC-VER 3 MT-SL\n", opened);
    if (level == trace_full) {
        fprintf(file, "%s======> %s\n", thread_tag, failure.message.c_str());
        write_detail(file, "LOCATION", failure.location.c_str());
        write_detail(file, "ERROR", failure.detail.c_str());
        write_detail(file, "COMPONENT", failure.component);
    }
    fprintf(file, "%s<* %s\n", thread_tag, failure.api.c_str());
    fclose(file);
}

// Appends the bytes of the file `name` to the trace file as they are.
void append_block_file(const char *name) {
    FILE *source = fopen(name, "rb");
    if (source == nullptr) return;
    FILE *file = fopen(trace_file_name, "ab");
    if (file != nullptr) {
        char bytes[4096];
        size_t count;
        while ((count = fread(bytes, 1, sizeof bytes, source)) > 0) fwrite(bytes, 1, count, file);
        fclose(file);
    }
    fclose(source);
}

}  // namespace

rfc_failure make_failure(const char *key, const char *message) {
    rfc_failure failure;
    failure.key = key;
    failure.message.assign(message);
    failure.component = nullptr;
    return failure;
}

const char *return_code_name(int rc) {
    switch (rc) {
    case RFC_OK: return "RFC_OK";
    case RFC_FAILURE: return "RFC_FAILURE";
    case RFC_EXCEPTION: return "RFC_EXCEPTION";
    case RFC_SYS_EXCEPTION: return "RFC_SYS_EXCEPTION";
    case RFC_CALL: return "RFC_CALL";
    case RFC_INTERNAL_COM: return "RFC_INTERNAL_COM";
    case RFC_CLOSED: return "RFC_CLOSED";
    case RFC_TIMEOUT: return "RFC_TIMEOUT";
    default: return "RFC_RC";
    }
}

void set_failure_result(rfc_failure &failure, const char *function, RFC_HANDLE handle, int rc) {
    failure.api.format("%s [%u] : returns %d:%s", function, handle, rc, return_code_name(rc));
}

void report_failure(standin_state &state, const rfc_failure &failure, trace_level level) {
    standin_error &error = state.last_error;
    error.key.assign(failure.key);
    error.status.assign(failure.message.c_str());
    error.message.assign(failure.detail.empty() ? failure.message.c_str() : failure.detail.c_str());
    error.intstat.assign(failure.api.c_str());
    error.location.assign(failure.location.c_str());
    error.component = failure.component;
    error.handed_out_ex = false;
    append_block(failure, level);
}

void report_answer(standin_state &state, const rfc_failure &failure, const standin_system &system) {
    report_failure(state, failure, system.trace_block.empty() ? system.trace : trace_off);
    if (!system.trace_block.empty()) append_block_file(system.trace_block.c_str());
}

void report_failure(standin_state &state, const rfc_failure &failure, const standin_system *system) {
    if (system != nullptr)
        report_answer(state, failure, *system);
    else
        report_failure(state, failure, trace_full);
    if (system != nullptr && system->handler_on_every_failure) state.handler_due = true;
}

void call_error_handler_if_due(standin_state &state, bounded_text<2000> &line, const char *operation) {
    if (state.handler_due) call_error_handler(state, line, operation);
}

void call_error_handler(standin_state &state, bounded_text<2000> &line, const char *operation) {
    state.handler_due = false;
    line.append(" -> error handler");
    log_call(line);
    line.clear();
    if (state.error_handler == nullptr) return;
    // The handler takes a writable text; it gets a copy, never our own storage.
    static char operation_text[64];
    bounded_text<63> copy;
    copy.assign(operation);
    memcpy(operation_text, copy.c_str(), copy.size() + 1);
    state.error_handler(operation_text);
}
