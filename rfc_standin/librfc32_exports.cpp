// The eleven functions the stand-in librfc32 exports, under SAP's names and calling
// convention. Each one writes its call-log line and hands the work to the
// operation of its concern; the one state record of the library lives here.
// The library is built with hidden symbols; these eleven are its interface.
#pragma GCC visibility push(default)
#include "core/classic_error_groups.h"
#include "core/librfc32.h"
#pragma GCC visibility pop

#include "rfc_standin/call_log.h"
#include "rfc_standin/connect_string.h"
#include "rfc_standin/connections.h"
#include "rfc_standin/error_report.h"
#include "rfc_standin/function_modules.h"
#include "rfc_standin/internal_tables.h"
#include "rfc_standin/logon.h"
#include "rfc_standin/structures.h"

#include <cstring>

namespace {

standin_state state;

void copy_text(char *target, size_t size, const char *source) {
    bounded_text<512> text;
    text.assign(source);
    size_t count = text.size() < size - 1 ? text.size() : size - 1;
    memcpy(target, text.c_str(), count);
    target[count] = '\0';
}

void finish_line(call_line &line, const char *format, unsigned long value) {
    if (line.empty()) return;  // already written when the error handler was called
    line.append_format(format, value);
    log_call(line);
}

RFC_HANDLE open_by_options(const RFC_OPTIONS &options, call_line &line) {
    logon_request request = {};
    request.api = "RfcOpen";
    request.client = options.client;
    request.user = options.user;
    request.password = options.password;
    if (options.mode == RFC_MODE_CPIC && options.connopt != nullptr) {
        const RFC_CONNOPT_CPIC &cpic = *static_cast<const RFC_CONNOPT_CPIC *>(options.connopt);
        request.by_gateway = true;
        request.gwhost = cpic.gateway_host;
        request.gwservice = cpic.gateway_service;
        return log_on(state, request, line);
    }
    if (options.mode == RFC_MODE_R3ONLY && options.connopt != nullptr) {
        const RFC_CONNOPT_R3ONLY &r3 = *static_cast<const RFC_CONNOPT_R3ONLY *>(options.connopt);
        request.host = r3.hostname;
        request.sysnr = r3.sysnr;
        request.gwhost = r3.gateway_host;
        request.gwservice = r3.gateway_service;
        return log_on(state, request, line);
    }
    if (options.mode != RFC_MODE_R3ONLY && options.mode != RFC_MODE_CPIC) {
        report_open_problem(state, "RfcOpen", "RFC_ERROR_PROGRAM", "invalid mode in RFC_OPTIONS");
        return 0;
    }
    report_open_problem(state, "RfcOpen", "RFC_ERROR_PROGRAM", "no connection options");
    return 0;
}

void log_options(call_line &line, const RFC_OPTIONS &options) {
    line.append_format(" mode=%d", options.mode);
    log_text(line, "dest", options.destination);
    log_text(line, "client", options.client);
    log_text(line, "user", options.user, true);
    log_secret(line, "password", options.password);
    log_text(line, "lang", options.language);
    if (options.connopt == nullptr) {
        line.append(" connopt=<null>");
    } else if (options.mode == RFC_MODE_CPIC) {
        const RFC_CONNOPT_CPIC &cpic = *static_cast<const RFC_CONNOPT_CPIC *>(options.connopt);
        log_text(line, "gwhost", cpic.gateway_host);
        log_text(line, "gwservice", cpic.gateway_service);
    } else {
        const RFC_CONNOPT_R3ONLY &r3 = *static_cast<const RFC_CONNOPT_R3ONLY *>(options.connopt);
        log_text(line, "host", r3.hostname);
        line.append_format(" sysnr=%d", r3.sysnr);
        log_text(line, "gwhost", r3.gateway_host);
        log_text(line, "gwservice", r3.gateway_service);
    }
    line.append_format(" trace=%d", options.trace);
}

RFC_HANDLE open_by_connect_string(char *connect_param, call_line &line) {
    connect_parameters parameters;
    connect_problem problem;
    if (!parse_connect_string(connect_param, parameters, line, problem)) {
        report_open_problem(state, "RfcOpenEx", "RFC_ERROR_PROGRAM", problem.c_str());
        return 0;
    }
    if (parameters.dest.given && !read_destination(parameters.dest.text.c_str(), parameters, problem)) {
        report_open_problem(state, "RfcOpenEx", "RFC_ERROR_PROGRAM", problem.c_str());
        return 0;
    }
    // Without a type, a message server balances the logon only where no application
    // server is named, as with SAP's NetWeaver library.
    bool load_balancing = parameters.type.text.equals("B") ||
                          (!parameters.type.given && parameters.mshost.given && !parameters.ashost.given);
    if (parameters.type.given && !parameters.type.text.equals("A") && !parameters.type.text.equals("B")) {
        problem.format("connection type %s not supported, only TYPE=A and TYPE=B", parameters.type.text.c_str());
        report_open_problem(state, "RfcOpenEx", "RFC_ERROR_PROGRAM", problem.c_str());
        return 0;
    }
    // A load-balanced logon names the message server; the stand-in reads no sapmsg.ini
    // to find one by the system's name. As SAP documents saprfc.ini's TYPE=B, the
    // system's name is the destination's unless R3NAME says otherwise, and the logon
    // group PUBLIC unless GROUP names one.
    const char *sysid = parameters.r3name.given ? parameters.r3name.text.c_str()
                        : parameters.dest.given ? parameters.dest.text.c_str()
                                                : nullptr;
    const char *missing = !load_balancing            ? nullptr
                          : !parameters.mshost.given ? "MSHOST"
                          : sysid == nullptr         ? "R3NAME"
                                                     : nullptr;
    if (missing != nullptr) {
        problem.format("load balancing (TYPE=B) needs %s", missing);
        report_open_problem(state, "RfcOpenEx", "RFC_ERROR_PROGRAM", problem.c_str());
        return 0;
    }
    logon_request request = {};
    request.api = "RfcOpenEx";
    request.check_at_open = true;  // the connect string's LCHECK=1, its default
    request.client = parameters.client.given ? parameters.client.text.c_str() : nullptr;
    request.user = parameters.user.given ? parameters.user.text.c_str() : nullptr;
    request.password = parameters.passwd.given ? parameters.passwd.text.c_str() : nullptr;
    if (load_balancing) {
        request.by_message_server = true;
        request.mshost = parameters.mshost.text.c_str();
        request.sysid = sysid;
        request.group = parameters.group.given ? parameters.group.text.c_str() : "PUBLIC";
    } else if (parameters.ashost.given || !parameters.gwhost.given) {
        request.host = parameters.ashost.given ? parameters.ashost.text.c_str() : nullptr;
        for (const char *digit = parameters.sysnr.text.c_str(); *digit >= '0' && *digit <= '9' && request.sysnr < 100;
             ++digit)
            request.sysnr = request.sysnr * 10 + (*digit - '0');
    } else {
        request.by_gateway = true;
        request.gwhost = parameters.gwhost.text.c_str();
        request.gwservice = parameters.gwserv.given ? parameters.gwserv.text.c_str() : nullptr;
    }
    return log_on(state, request, line);
}

}  // namespace

extern "C" {

void LIBRFC32_API RfcEnvironment(RFC_ENV *environment) {
    call_line line;
    line.assign("RfcEnvironment");
    if (environment == nullptr) {
        line.append(" <null>");
    } else {
        line.append_format(" errorhandler=%s allocate=%s", environment->errorhandler ? "set" : "none",
                           environment->allocate ? "set" : "none");
        state.error_handler = environment->errorhandler;
    }
    log_call(line);
}

RFC_HANDLE LIBRFC32_API RfcOpen(RFC_OPTIONS *options) {
    call_line line;
    line.assign("RfcOpen");
    RFC_HANDLE handle = 0;
    if (options == nullptr) {
        line.append(" <null>");
        report_open_problem(state, "RfcOpen", "RFC_ERROR_PROGRAM", "no RFC_OPTIONS");
    } else {
        log_options(line, *options);
        handle = open_by_options(*options, line);
    }
    call_error_handler_if_due(state, line, "RfcOpen");
    finish_line(line, " -> %lu", handle);
    return handle;
}

RFC_HANDLE LIBRFC32_API RfcOpenEx(char *connect_param, RFC_ERROR_INFO_EX *error_info) {
    call_line line;
    line.assign("RfcOpenEx");
    RFC_HANDLE handle = open_by_connect_string(connect_param, line);
    call_error_handler_if_due(state, line, "RfcOpenEx");
    if (error_info != nullptr) {
        memset(error_info, 0, sizeof *error_info);
        if (handle == 0) {
            error_info->group = classic_error_group_of_key(state.last_error.key.c_str());
            copy_text(error_info->key, sizeof error_info->key, state.last_error.key.c_str());
            copy_text(error_info->message, sizeof error_info->message, state.last_error.message.c_str());
            // Handed out here: RfcLastErrorEx no longer reports it, as SAP's library does.
            state.last_error.handed_out_ex = true;
        }
    }
    finish_line(line, " -> %lu", handle);
    return handle;
}

RFC_RC LIBRFC32_API RfcInstallStructure(char *name, RFC_TYPE_ELEMENT *elements, unsigned entries,
                                        RFC_TYPEHANDLE *handle) {
    call_line line;
    line.format("RfcInstallStructure %.40s entries=%u", name != nullptr ? name : "<null>", entries);
    RFC_RC rc = install_structure(state, name, elements, entries, handle);
    call_error_handler_if_due(state, line, "RfcInstallStructure");
    if (line.empty()) return rc;
    line.append_format(" -> %d", rc);
    if (rc == RFC_OK) line.append_format(" handle=%u", *handle);
    log_call(line);
    return rc;
}

RFC_RC LIBRFC32_API RfcCall(RFC_HANDLE handle, char *function, RFC_PARAMETER *exporting, RFC_TABLE *tables) {
    call_line line;
    line.format("RfcCall handle=%u %.40s", handle, function != nullptr ? function : "<null>");
    if (call_log_wanted()) {  // the lists are most of a line's cost, and without a log nobody reads them
        log_parameters(state, line, "exporting", exporting);
        log_tables(state, line, "tables", tables);
    }
    RFC_RC rc = call_function(state, handle, function, exporting, tables, line);
    call_error_handler_if_due(state, line, "RfcCall");
    finish_line(line, " -> %lu", static_cast<unsigned long>(rc));
    return rc;
}

RFC_RC LIBRFC32_API RfcReceive(RFC_HANDLE handle, RFC_PARAMETER *importing, RFC_TABLE *tables, char **exception) {
    call_line line;
    line.format("RfcReceive handle=%u", handle);
    if (call_log_wanted()) {  // the lists are most of a line's cost, and without a log nobody reads them
        log_parameters(state, line, "importing", importing);
        log_tables(state, line, "tables", tables);
    }
    RFC_RC rc = receive_function(state, handle, importing, tables, exception);
    call_error_handler_if_due(state, line, "RfcReceive");
    if (line.empty()) return rc;
    line.append_format(" -> %d", rc);
    if ((rc == RFC_EXCEPTION || rc == RFC_SYS_EXCEPTION) && exception != nullptr && *exception != nullptr)
        line.append_format(" exception=%s", *exception);
    log_call(line);
    return rc;
}

int LIBRFC32_API RfcLastError(RFC_ERROR_INFO *error_info) {
    call_line line;
    line.assign("RfcLastError");
    if (error_info == nullptr) {
        line.append(" <null> -> 1");
        log_call(line);
        return 1;
    }
    const standin_error &error = state.last_error;
    copy_text(error_info->key, sizeof error_info->key, error.key.c_str());
    copy_text(error_info->status, sizeof error_info->status, error.status.c_str());
    copy_text(error_info->message, sizeof error_info->message, error.message.c_str());
    copy_text(error_info->intstat, sizeof error_info->intstat, error.intstat.c_str());
    // SAP's library answers 1 when no error has occurred.
    int rc = error.key.empty() ? 1 : 0;
    line.append_format(" -> %d key=%s", rc, error.key.empty() ? "<none>" : error.key.c_str());
    log_call(line);
    return rc;
}

int LIBRFC32_API RfcLastErrorEx(RFC_ERROR_INFO_EX *error_info) {
    call_line line;
    line.assign("RfcLastErrorEx");
    standin_error &error = state.last_error;
    if (error_info == nullptr) {
        line.append(" <null> -> 1");
        log_call(line);
        return 1;
    }
    memset(error_info, 0, sizeof *error_info);
    // Each error is handed out once; asked again, or with no error, the answer is 1.
    if (error.key.empty() || error.handed_out_ex) {
        line.append(" -> 1");
        log_call(line);
        return 1;
    }
    error_info->group = classic_error_group_of_key(error.key.c_str());
    copy_text(error_info->key, sizeof error_info->key, error.key.c_str());
    copy_text(error_info->message, sizeof error_info->message, error.message.c_str());
    error.handed_out_ex = true;
    line.append_format(" -> 0 group=%d key=%s", error_info->group, error.key.c_str());
    log_call(line);
    return 0;
}

void LIBRFC32_API RfcClose(RFC_HANDLE handle) {
    call_line line;
    line.format("RfcClose handle=%u", handle);
    log_call(line);
    close_connections(state, handle);
}

ITAB_H LIBRFC32_API ItCreate(char *name, unsigned leng, unsigned occu, unsigned memo) {
    call_line line;
    line.assign("ItCreate");
    line.append_format(" %.40s leng=%u occu=%u memo=%u", name != nullptr ? name : "<null>", leng, occu, memo);
    ITAB_H table = create_table(state, name, leng);
    call_error_handler_if_due(state, line, "ItCreate");
    if (line.empty()) return table;
    internal_table *created = find_table(state, table);
    if (created != nullptr)
        line.append_format(" -> T%d", created->number);
    else
        line.append(" -> <null>");
    log_call(line);
    return table;
}

// How the call log names a table handle: its number and name, or what else it is.
static void name_table(call_line &line, ITAB_H table) {
    internal_table *known = find_table(state, table);
    if (known != nullptr)
        line.append_format(" T%d %s", known->number, known->name.c_str());
    else
        line.append(table == nullptr ? " <null>" : " <not a table>");
}

int LIBRFC32_API ItDelete(ITAB_H table) {
    call_line line;
    line.assign("ItDelete");
    name_table(line, table);
    int rc = delete_table(state, table);
    call_error_handler_if_due(state, line, "ItDelete");
    if (line.empty()) return rc;
    line.append_format(" -> %d", rc);
    log_call(line);
    return rc;
}

unsigned LIBRFC32_API ItFill(ITAB_H table) {
    call_line line;
    line.assign("ItFill");
    name_table(line, table);
    unsigned count = table_fill(state, table);
    call_error_handler_if_due(state, line, "ItFill");
    if (line.empty()) return count;
    line.append_format(" -> %u", count);
    log_call(line);
    return count;
}

void *LIBRFC32_API ItGetLine(ITAB_H table, unsigned number) {
    call_line line;
    line.assign("ItGetLine");
    name_table(line, table);
    line.append_format(" line=%u", number);
    void *address = table_line_address(state, table, number);
    call_error_handler_if_due(state, line, "ItGetLine");
    if (line.empty()) return address;
    line.append(address != nullptr ? " -> line" : " -> <null>");
    log_call(line);
    return address;
}

}  // extern "C"
