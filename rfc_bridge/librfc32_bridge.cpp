// The thirteen functions of the classic librfc32 that Korvanel calls, under their
// classic names and calling convention, each handing its work to the bridge's
// operation of that concern, and the bridge's own KorvanelBridgeDescribe, which the
// program looks up at run time. The bridge's one state record lives here; SAP's
// NetWeaver library is loaded at the first open, never when the bridge is loaded.
#pragma GCC visibility push(default)
#include "core/librfc32.h"
#include "core/rfc_library_description.h"
#pragma GCC visibility pop

#include "rfc_bridge/bridge_calls.h"
#include "rfc_bridge/bridge_logon.h"
#include "rfc_bridge/bridge_report.h"

#include <cstring>

namespace {

bridge_state &state = the_bridge();

void copy_text(char *target, size_t size, const char *source) {
    size_t count = strlen(source);
    if (count > size - 1) count = size - 1;
    memcpy(target, source, count);
    target[count] = '\0';
}

}  // namespace

void LIBRFC32_API RfcEnvironment(RFC_ENV *environment) {
    if (environment != nullptr) state.error_handler = environment->errorhandler;
}

RFC_HANDLE LIBRFC32_API RfcOpen(RFC_OPTIONS *options) { return open_by_options(state, options); }

RFC_HANDLE LIBRFC32_API RfcOpenEx(char *connect_param, RFC_ERROR_INFO_EX *error_info) {
    return open_by_connect_string(state, connect_param, error_info);
}

RFC_RC LIBRFC32_API RfcInstallStructure(char *name, RFC_TYPE_ELEMENT *elements, unsigned entries,
                                    RFC_TYPEHANDLE *handle) {
    return install_structure(state, name, elements, entries, handle);
}

RFC_RC LIBRFC32_API RfcCall(RFC_HANDLE handle, char *function, RFC_PARAMETER *exporting, RFC_TABLE *tables) {
    return send_call(state, handle, function, exporting, tables);
}

RFC_RC LIBRFC32_API RfcReceive(RFC_HANDLE handle, RFC_PARAMETER *importing, RFC_TABLE *tables, char **exception) {
    return receive_call(state, handle, importing, tables, exception);
}

int LIBRFC32_API RfcLastError(RFC_ERROR_INFO *error_info) {
    if (error_info == nullptr) return 1;
    copy_text(error_info->key, sizeof error_info->key, state.last_error.key.c_str());
    copy_text(error_info->status, sizeof error_info->status, state.last_error.status.c_str());
    copy_text(error_info->message, sizeof error_info->message, state.last_error.message.c_str());
    copy_text(error_info->intstat, sizeof error_info->intstat, state.last_error.intstat.c_str());
    return 0;
}

int LIBRFC32_API RfcLastErrorEx(RFC_ERROR_INFO_EX *error_info) { return hand_out_last_error_ex(state, error_info); }

void LIBRFC32_API RfcClose(RFC_HANDLE handle) { close_connections(state, handle); }

ITAB_H LIBRFC32_API ItCreate(char *name, unsigned leng, unsigned, unsigned) { return create_table(state, name, leng); }

int LIBRFC32_API ItDelete(ITAB_H table) { return delete_table(state, table); }

unsigned LIBRFC32_API ItFill(ITAB_H table) { return table_fill(state, table); }

void *LIBRFC32_API ItGetLine(ITAB_H table, unsigned line) { return table_line_address(state, table, line); }

void LIBRFC32_API KorvanelBridgeDescribe(char *buffer, unsigned size) { describe_bridge(state, buffer, size); }
