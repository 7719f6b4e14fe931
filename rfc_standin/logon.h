// Logging on to a simulated system: find it by application server and system
// number (or by gateway host and service, or by message server, system ID and
// logon group), apply its open faults, then check
// client, user and password as an SAP system does. Shared by RfcOpen and RfcOpenEx:
// RfcOpenEx checks the logon at once, RfcOpen only opens the line and the system
// checks the logon when the first call arrives.
#pragma once

#include "rfc_standin/call_log.h"
#include "rfc_standin/standin_state.h"

/// What a logon names: where the system is and who logs on.
struct logon_request {
    const char *api;  // "RfcOpen" or "RfcOpenEx", for the trace
    bool check_at_open;  // RfcOpenEx: a refused logon fails the open itself
    bool by_gateway;  // CPIC: found by gateway host and service
    bool by_message_server;  // load balancing: found by message server, system ID and logon group
    const char *host;
    int sysnr;
    const char *gwhost;
    const char *gwservice;
    const char *mshost;
    const char *msserv;  // null or empty: the service sapms<sysid>
    const char *sysid;
    const char *group;
    const char *client;
    const char *user;      // compared without trailing blanks, letter case ignored
    const char *password;  // compared without trailing blanks, letter case kept
};

/// Opens a connection for `request`; its handle, or 0 with the failure reported
/// (trace block, last error) and, when the system says so, the error handler
/// called (then `line` has been written to the call log and emptied). Without
/// check_at_open a logon the system refuses still opens; the connection keeps the
/// refusal for refuse_logon_at_call.
RFC_HANDLE log_on(standin_state &state, const logon_request &request, call_line &line);
/// Reports an open that failed before any system was looked for (bad options,
/// unreadable connect string or SapRfc.ini): `key` group, `detail` says why.
void report_open_problem(standin_state &state, const char *api, const char *key, const char *detail);
/// The first call on a connection opened with a refused logon: reports the refusal
/// (RFC_ERROR_LOGON_FAILURE, its trace block), closes the connection and returns
/// true; false when the connection is logged on.
bool refuse_logon_at_call(standin_state &state, standin_connection &connection, const char *api);
