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

const standin_system *find_system(const standin_landscape &landscape, const logon_request &request) {
    for (int i = 0; i < landscape.count; ++i) {
        const standin_system &system = landscape.systems[i];
        bool found = request.by_gateway
                         ? same_text(request.gwhost, system.gwhost) && request.gwservice != nullptr &&
                               !system.gwservice.empty() && equal_ignore_case(request.gwservice, system.gwservice.c_str())
                         : same_text(request.host, system.host) && request.sysnr == system.sysnr;
        if (found) return &system;
    }
    return nullptr;
}

void report_unreachable(standin_state &state, const logon_request &request, const standin_system *system) {
    rfc_failure failure = make_failure("RFC_ERROR_COMMUNICATION", "Connect to SAP gateway failed");
    failure.location.assign("CPIC (TCP/IP) on local host");
    if (request.by_gateway)
        failure.detail.format("partner not reached (host %s, service %s)", text_or_none(request.gwhost),
                              text_or_none(request.gwservice));
    else
        failure.detail.format("partner not reached (host %s, service 33%02d)", text_or_none(request.host),
                              request.sysnr);
    failure.component = "NI (network interface)";
    failure.api.format("%s [0] : returns 0", request.api);
    report_failure(state, failure, system);
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
