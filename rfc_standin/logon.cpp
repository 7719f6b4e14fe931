// The checks run in the order a real logon meets them: the network (partner not
// reached), then the system's own logon (client, then user and password), which
// RfcOpen meets only with its first call. Failure texts are SAP's, and none of them
// ever holds the password.
#include "rfc_standin/logon.h"

#include "rfc_standin/connections.h"
#include "rfc_standin/error_report.h"
#include "rfc_standin/landscape.h"
#include "rfc_standin/slow_systems.h"
#include "rfc_standin/standin_text.h"

#include <cstring>

namespace {

// SAP's own wording of a wrong user or password.
const char wrong_logon[] = "Name or password is incorrect (repeat logon)";

const char *text_or_none(const char *text) { return text != nullptr ? text : "<none>"; }

bool same_text(const char *given, const bounded_text<64> &known) {
    return given != nullptr && !known.empty() && equal_ignore_case(given, known.c_str());
}

// The message server's service a load-balanced logon names: its own, else sapms<sysid>.
void message_service(const logon_request &request, bounded_text<40> &service) {
    if (request.msserv != nullptr && request.msserv[0] != '\0') service.assign(request.msserv);
    else service.format("sapms%.8s", text_or_none(request.sysid));
}

// A system's message server answers on its service (sapms<SID> unless the landscape
// names another) and on its port, 36 and the system number.
bool serves(const standin_system &system, const char *service) {
    bounded_text<40> own, port;
    if (system.msserv.empty()) own.format("sapms%s", system.sysid.c_str());
    else own.assign(system.msserv.c_str());
    port.format("36%02d", system.sysnr);
    return equal_ignore_case(service, own.c_str()) || strcmp(service, port.c_str()) == 0;
}

// The logon groups are blank-separated names in any letter case; a system that
// names none has SAP's default group PUBLIC.
bool in_group(const standin_system &system, const char *group) {
    const char *at = system.groups.empty() ? "PUBLIC" : system.groups.c_str();
    size_t length = strlen(group);
    while (*at != '\0') {
        while (*at == ' ') ++at;
        const char *end = at;
        while (*end != '\0' && *end != ' ') ++end;
        bounded_text<100> word;
        word.assign(at, static_cast<size_t>(end - at));
        if (static_cast<size_t>(end - at) == length && equal_ignore_case(word.c_str(), group)) return true;
        at = end;
    }
    return false;
}

bool found_by_message_server(const standin_system &system, const logon_request &request) {
    bounded_text<40> service;
    message_service(request, service);
    return same_text(request.mshost, system.mshost) && request.sysid != nullptr && !system.sysid.empty() &&
           equal_ignore_case(request.sysid, system.sysid.c_str()) && serves(system, service.c_str());
}

const standin_system *find_system(const standin_landscape &landscape, const logon_request &request) {
    for (int i = 0; i < landscape.count; ++i) {
        const standin_system &system = landscape.systems[i];
        if (request.by_message_server) {
            if (found_by_message_server(system, request)) return &system;
            continue;
        }
        bool found = request.by_gateway
                         ? same_text(request.gwhost, system.gwhost) && request.gwservice != nullptr &&
                               !system.gwservice.empty() && equal_ignore_case(request.gwservice, system.gwservice.c_str())
                         : same_text(request.host, system.host) && request.sysnr == system.sysnr;
        if (found) return &system;
    }
    return nullptr;
}

void report_unreachable(standin_state &state, const logon_request &request, const standin_system *system) {
    bool message_server = request.by_message_server && system == nullptr;
    rfc_failure failure =
        make_failure("RFC_ERROR_COMMUNICATION", message_server ? "Connect to message server failed" : "Connect to SAP gateway failed");
    failure.location.assign("CPIC (TCP/IP) on local host");
    if (message_server) {
        bounded_text<40> service;
        message_service(request, service);
        failure.detail.format("partner '%s:%s' not reached", text_or_none(request.mshost), service.c_str());
    } else if (request.by_gateway)
        failure.detail.format("partner not reached (host %s, service %s)", text_or_none(request.gwhost),
                              text_or_none(request.gwservice));
    else if (request.by_message_server)  // the application server the message server chose
        failure.detail.format("partner not reached (host %s, service 33%02d)", system->host.c_str(), system->sysnr);
    else
        failure.detail.format("partner not reached (host %s, service 33%02d)", text_or_none(request.host),
                              request.sysnr);
    failure.component = "NI (network interface)";
    failure.api.format("%s [0] : returns 0", request.api);
    report_failure(state, failure, system);
}

// The message server knows the system but no logon group of that name.
void report_unknown_group(standin_state &state, const logon_request &request, const standin_system &system) {
    rfc_failure failure = make_failure("RFC_ERROR_COMMUNICATION", "Connect to message server failed");
    failure.location.assign("CPIC (TCP/IP) on local host");
    failure.detail.format("Group %.40s not found", text_or_none(request.group));
    failure.component = "LG (load balancing)";
    failure.api.format("%s [0] : returns 0", request.api);
    report_failure(state, failure, &system);
}

void report_logon_failure(standin_state &state, const logon_request &request, const char *message,
                          const standin_system &system) {
    rfc_failure failure = make_failure("RFC_ERROR_LOGON_FAILURE", message);
    failure.api.format("%s [0] : returns 0", request.api);
    report_failure(state, failure, &system);
}

}  // namespace

void report_open_problem(standin_state &state, const char *api, const char *key, const char *detail) {
    rfc_failure failure = make_failure(key, "Connect to SAP gateway failed");
    failure.detail.assign(detail);
    failure.api.format("%s [0] : returns 0", api);
    report_failure(state, failure, trace_full);
}

RFC_HANDLE log_on(standin_state &state, const logon_request &request, call_line &line) {
    landscape_problem problem;
    if (!load_landscape(state.landscape, problem)) {
        report_open_problem(state, request.api, "RFC_ERROR_PROGRAM", problem.c_str());
        return 0;
    }
    const standin_system *system = find_system(state.landscape, request);
    if (system == nullptr) {
        report_unreachable(state, request, nullptr);
        return 0;
    }
    if (request.by_message_server && (request.group == nullptr || !in_group(*system, request.group))) {
        report_unknown_group(state, request, *system);
        return 0;
    }
    play_open_timing(*system, line);
    if (find_fault(*system, fault_unreachable, nullptr) != nullptr) {
        report_unreachable(state, request, system);
        return 0;
    }
    if (find_fault(*system, fault_handler_on_open, nullptr) != nullptr) {
        rfc_failure failure = make_failure("RFC_ERROR_COMMUNICATION", "Connection to partner broken");
        failure.detail.format("connection to partner '%s' broken during logon", system->label.c_str());
        failure.api.format("%s [0] : returns 0", request.api);
        report_failure(state, failure, system);
        call_error_handler(state, line, request.api);
        return 0;
    }
    bounded_text<80> refusal;
    if (find_fault(*system, fault_logon_refused, nullptr) != nullptr) {
        refusal.assign(wrong_logon);
    } else if (request.client == nullptr || !equal_without_padding(request.client, system->client.c_str(), false)) {
        refusal.format("Client %.40s is not available in this system", text_or_none(request.client));
    } else if (request.user == nullptr || request.password == nullptr ||
               !equal_without_padding(request.user, system->user.c_str(), true) ||
               !equal_without_padding(request.password, system->password.c_str(), false)) {
        refusal.assign(wrong_logon);
    }
    if (!refusal.empty() && request.check_at_open) {
        report_logon_failure(state, request, refusal.c_str(), *system);
        return 0;
    }
    standin_connection *connection = add_connection(state, *system);
    if (connection == nullptr) {
        rfc_failure failure = make_failure("RFC_ERROR_RESOURCE", "Too many open connections");
        failure.detail.format("all %d connections of this library are open", standin_max_connections);
        failure.api.format("%s [0] : returns 0", request.api);
        report_failure(state, failure, system);
        return 0;
    }
    connection->logon_refusal.assign(refusal.c_str());
    return connection->handle;
}

bool refuse_logon_at_call(standin_state &state, standin_connection &connection, const char *api) {
    if (connection.logon_refusal.empty()) return false;
    const standin_system &system = connection.system;
    rfc_failure failure = make_failure("RFC_ERROR_LOGON_FAILURE", connection.logon_refusal.c_str());
    failure.location.format("SAP-Server %s_%s_%02d on host %s", system.host.c_str(), system.label.c_str(),
                            system.sysnr, system.host.c_str());
    set_failure_result(failure, api, connection.handle, RFC_FAILURE);
    report_failure(state, failure, &system);
    // The system ends the conversation after a refused logon.
    close_connections(state, connection.handle);
    return true;
}
