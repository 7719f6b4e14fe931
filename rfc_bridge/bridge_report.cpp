// The trace header names the libraries that answer, so a trace shows at once whether
// SAP's classic library or the bridge wrote it.
#include "rfc_bridge/bridge_report.h"

#include "rfc_bridge/netweaver_text.h"
#include "rfc_bridge/return_codes.h"
#include "rfc_bridge/text_conversion.h"

#include <cstdio>
#include <cstring>
#include <ctime>

void report_failure(bridge_state &state, const bridge_failure &failure) {
    bridge_error &error = state.last_error;
    error.key.assign(failure.key);
    error.group = classic_error_group(failure.key);
    error.handed_out_ex = false;  // a new error: RfcLastErrorEx hands it out once more
    error.status.assign(failure.message.c_str());
    error.message.assign(failure.detail.empty() ? failure.message.c_str() : failure.detail.c_str());
    error.intstat.assign(failure.api.c_str());
    // Text mode: on Windows the lines end in CR LF, as in the classic library's file.
    FILE *file = fopen("Dev_Rfc.Trc", "a");
    if (file == nullptr) return;
    char opened[120] = "00000000 000000";
    time_t now = time(nullptr);
    const struct tm *local = localtime(&now);
    if (local != nullptr) strftime(opened, sizeof opened, "%Y%m%d %H%M%S %Z", local);
    write_trace_block(file, failure, opened, state.origin.empty() ? "RFC bridge, sapnwrfc not loaded" : state.origin.c_str(),
                      bridge_thread_number());
    fclose(file);
}

int hand_out_last_error_ex(bridge_state &state, RFC_ERROR_INFO_EX *error_info) {
    if (error_info == nullptr) return 1;
    memset(error_info, 0, sizeof *error_info);
    bridge_error &error = state.last_error;
    // Each error is handed out once, as by SAP's classic library.
    if (error.key.empty() || error.handed_out_ex) return 1;
    error_info->group = error.group;
    bounded_text<sizeof error_info->key - 1> key;
    key.assign(error.key.c_str());
    memcpy(error_info->key, key.c_str(), key.size() + 1);
    bounded_text<sizeof error_info->message - 1> message;
    message.assign(error.message.c_str());
    memcpy(error_info->message, message.c_str(), message.size() + 1);
    error.handed_out_ex = true;
    return 0;
}

bridge_failure failure_from_netweaver(const nwrfc::RFC_ERROR_INFO &info) {
    char text[512], key[128];
    utf16_to_latin1_text(info.message, text, sizeof text);
    utf16_to_latin1_text(info.key, key, sizeof key);
    netweaver_text parts;
    split_netweaver_text(text, parts);
    bridge_failure failure = make_bridge_failure(classic_error_key(info.code, info.group), parts.message.c_str());
    failure.location.assign(parts.location.c_str());
    failure.context.assign(parts.context.c_str());
    // A runtime failure's key is the dump's name, which the classic caller never sees
    // as its exception (that is SYSTEM_FAILURE): it stays in the message.
    if (info.code == nwrfc::RFC_ABAP_RUNTIME_FAILURE && key[0] != '\0' && strcmp(key, "SYSTEM_FAILURE") != 0 &&
        failure.message.find(key) < 0) {
        bounded_text<255> message;
        message.format("%s: %s", key, failure.message.c_str());
        failure.message = message;
    }
    if (info.group == nwrfc::ABAP_RUNTIME_FAILURE && info.abapMsgClass[0] != 0) {
        char message_class[24], type[4], number[8];
        utf16_to_latin1_text(info.abapMsgClass, message_class, sizeof message_class);
        utf16_to_latin1_text(info.abapMsgType, type, sizeof type);
        utf16_to_latin1_text(info.abapMsgNumber, number, sizeof number);
        failure.location.format("ABAP message %s %s %s", type, message_class, number);
    }
    return failure;
}

void set_result(bridge_failure &failure, const char *function, RFC_HANDLE handle, int rc) {
    failure.api.format("%s [%u] : returns %d:%s", function, handle, rc, classic_return_code_name(rc));
}

void call_error_handler(bridge_state &state, const char *operation) {
    bridge_failure failure = make_bridge_failure("RFC_ERROR_PROGRAM", operation);
    failure.component = "RFC bridge";
    failure.api.format("%s : error handler called", operation);
    report_failure(state, failure);
    if (state.error_handler == nullptr) return;
    // The handler takes a writable text; it gets a copy, never our own storage.
    static char operation_text[128];
    bounded_text<127> copy;
    copy.assign(operation);
    memcpy(operation_text, copy.c_str(), copy.size() + 1);
    state.error_handler(operation_text);
}
