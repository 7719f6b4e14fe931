// The password goes to the NetWeaver library and nowhere else: problems and traces
// name the parameter, never its value.
#include "rfc_bridge/bridge_logon.h"

#include "core/rfc_library_description.h"
#include "rfc_bridge/bridge_report.h"
#include "rfc_bridge/system_descriptions.h"
#include "rfc_bridge/saprfc_ini.h"
#include "rfc_bridge/text_conversion.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

using nwrfc::RFC_CONNECTION_PARAMETER;

namespace {

// UTF-16 copies of one logon's parameters, alive while RfcOpenConnection runs.
char16_t parameter_names[connect_pairs_capacity][24];
char16_t parameter_values[connect_pairs_capacity][256];

void report_load_failure(bridge_state &state, const char *api) {
    bridge_failure failure = make_bridge_failure("RFC_ERROR_PROGRAM", state.load_problem.message.c_str());
    failure.location.assign(state.load_problem.location.c_str());
    failure.detail.assign(state.load_problem.detail.c_str());
    failure.component = "RFC bridge";
    failure.api.format("%s [0] : returns 0", api);
    report_failure(state, failure);
}

void report_open_problem(bridge_state &state, const char *api, const char *problem) {
    bridge_failure failure = make_bridge_failure("RFC_ERROR_PROGRAM", "logon data not usable through the bridge");
    failure.detail.assign(problem);
    failure.component = "RFC bridge";
    failure.api.format("%s [0] : returns 0", api);
    report_failure(state, failure);
}

bridge_connection *free_slot(bridge_state &state) {
    for (bridge_connection &connection : state.connections)
        if (!connection.open) return &connection;
    return nullptr;
}

// Opens through the library; the NetWeaver handle, or null with `info` filled.
nwrfc::RFC_CONNECTION_HANDLE open_netweaver(bridge_state &state, const logon_parameters &parameters,
                                            nwrfc::RFC_ERROR_INFO &info) {
    RFC_CONNECTION_PARAMETER list[connect_pairs_capacity];
    for (int i = 0; i < parameters.count; ++i) {
        latin1_to_utf16_text(parameters.pairs[i].id.c_str(), parameter_names[i], 24);
        latin1_to_utf16_text(parameters.pairs[i].value.c_str(), parameter_values[i], 256);
        list[i].name = parameter_names[i];
        list[i].value = parameter_values[i];
    }
    memset(&info, 0, sizeof info);
    nwrfc::RFC_CONNECTION_HANDLE handle =
        state.nw.RfcOpenConnection(list, static_cast<unsigned>(parameters.count), &info);
    // The copies held the password: they do not outlive the call.
    memset(parameter_values, 0, sizeof parameter_values);
    return handle;
}

// The system a logon reaches, as its parameters name it: descriptions looked up on one
// connection serve every later connection to the same system.
void name_partner(const logon_parameters &parameters, bounded_text<160> &partner) {
    static const char *const keys[] = {"ashost", "sysnr", "mshost", "msserv", "sysid", "r3name", "group", "gwhost", "gwserv", "dest"};
    partner.clear();
    for (const char *key : keys) {
        for (int i = 0; i < parameters.count; ++i)
            if (parameters.pairs[i].id.equals(key)) partner.append_format("%s=%s ", key, parameters.pairs[i].value.c_str());
    }
}

RFC_HANDLE add_connection(bridge_state &state, nwrfc::RFC_CONNECTION_HANDLE nw, const bridge_failure *refusal,
                          const bounded_text<160> &partner) {
    bridge_connection *connection = free_slot(state);
    if (connection == nullptr) {
        if (nw != nullptr) {
            nwrfc::RFC_ERROR_INFO ignored;
            state.nw.RfcCloseConnection(nw, &ignored);
        }
        call_error_handler(state, "RfcOpen: more than 8 connections open");
        return 0;
    }
    *connection = bridge_connection{};
    connection->open = true;
    connection->handle = ++state.last_handle;
    connection->nw = nw;
    connection->partner = partner;
    connection->refused = refusal != nullptr;
    if (refusal != nullptr) connection->refusal = *refusal;
    return connection->handle;
}

bool is_logon_refusal(const nwrfc::RFC_ERROR_INFO &info) {
    return info.group == nwrfc::LOGON_FAILURE || info.code == nwrfc::RFC_LOGON_FAILURE;
}

// The classic destination file: where RFC_INI points, else saprfc.ini in the
// working directory (on Linux also under the name the sensor writes, SapRfc.ini).
FILE *open_destination_file(bounded_text<260> &name) {
    const char *configured = getenv("RFC_INI");
    if (configured != nullptr && configured[0] != '\0') {
        name.assign(configured);
        return fopen(configured, "r");
    }
    name.assign("saprfc.ini");
    FILE *file = fopen("saprfc.ini", "r");
    if (file == nullptr) file = fopen("SapRfc.ini", "r");
    return file;
}

}  // namespace

bool ensure_library(bridge_state &state) {
    if (state.load_tried) return state.library != nullptr;
    state.load_tried = true;
    void *library = load_nwrfc_library(state.library_path, state.load_problem);
    if (library == nullptr) return false;
    if (!resolve_nwrfc_functions(library, find_nwrfc_symbol, state.nw, state.missing_function)) {
        state.load_problem.message.format("%s lacks the function %s", state.library_path.c_str(),
                                          state.missing_function.c_str());
        state.load_problem.location.assign(state.library_path.c_str());
        state.load_problem.detail.format("not a NetWeaver RFC library the bridge can use (no %s)",
                                         state.missing_function.c_str());
        return false;
    }
    state.library = library;
    // SAP's library writes its own trace (dev_rfc.trc, on Windows the same file as the
    // sensor's Dev_Rfc.Trc) into its working directory unless told otherwise: it gets
    // a folder of its own, shared by every run on the probe.
    static char16_t trace_folder[300];
    if (prepare_sap_trace_folder(trace_folder, 300)) {
        nwrfc::RFC_ERROR_INFO ignored;
        state.nw.RfcSetTraceDir(trace_folder, &ignored);
    }
    unsigned major = 0, minor = 0, patch = 0;
    state.nw.RfcGetVersion(&major, &minor, &patch);
    state.origin.format("RFC bridge librfc32 over sapnwrfc %u,%u,%u", major, minor, patch);
    return true;
}

void describe_bridge(const bridge_state &state, char *buffer, unsigned size) {
    if (buffer == nullptr || size == 0) return;
    bounded_text<rfc_library_description_capacity> description;
    if (state.library != nullptr)
        description.format("%s from %s", state.origin.c_str(), state.library_path.c_str());
    else if (state.load_tried)
        description.format("RFC bridge, sapnwrfc not loaded: %s, see Dev_Rfc.Trc", state.load_problem.message.c_str());
    else
        description.assign("RFC bridge, sapnwrfc not loaded yet");
    // Keys of the destination the bridge took but left out, so trace mode shows them.
    if (state.library != nullptr && !state.dropped_keys.empty())
        description.append_format("; %s", state.dropped_keys.c_str());
    // Which calls went with the system's own descriptions after a local one was refused.
    bounded_text<120> looked_up;
    describe_looked_up(state, looked_up);
    if (!looked_up.empty()) description.append_format("; %s", looked_up.c_str());
    size_t count = description.length < size ? description.length : size - 1;
    memcpy(buffer, description.c_str(), count);
    buffer[count] = '\0';
}

RFC_HANDLE open_by_options(bridge_state &state, const RFC_OPTIONS *options) {
    logon_parameters parameters;
    logon_problem problem;
    if (options == nullptr) {
        report_open_problem(state, "RfcOpen", "no RFC_OPTIONS");
        return 0;
    }
    if (!translate_options(*options, parameters, problem)) {
        report_open_problem(state, "RfcOpen", problem.c_str());
        return 0;
    }
    if (!ensure_library(state)) {
        report_load_failure(state, "RfcOpen");
        return 0;
    }
    nwrfc::RFC_ERROR_INFO info;
    nwrfc::RFC_CONNECTION_HANDLE nw = open_netweaver(state, parameters, info);
    bounded_text<160> partner;
    name_partner(parameters, partner);
    parameters = logon_parameters{};  // held the password
    if (nw != nullptr) return add_connection(state, nw, nullptr, partner);
    bridge_failure failure = failure_from_netweaver(info);
    if (is_logon_refusal(info)) {
        // The classic library logs on with the first call on this route: the open
        // succeeds and the refusal is the first RfcCall's answer.
        return add_connection(state, nullptr, &failure, partner);
    }
    failure.api.assign("RfcOpen [0] : returns 0");
    report_failure(state, failure);
    return 0;
}

RFC_HANDLE open_by_connect_string(bridge_state &state, const char *connect_string, RFC_ERROR_INFO_EX *error_info) {
    connect_pairs given;
    logon_problem problem;
    connect_pairs block;
    bool with_destination = false;
    bool usable = parse_connect_pairs(connect_string, given, problem);
    if (usable && find_pair(given, "DEST") != nullptr) {
        bounded_text<260> file_name;
        FILE *file = open_destination_file(file_name);
        if (file == nullptr) {
            problem.format("%.100s not found (destination %.40s)", file_name.c_str(), find_pair(given, "DEST"));
            usable = false;
        } else {
            usable = read_ini_destination(file, find_pair(given, "DEST"), block, problem);
            fclose(file);
            with_destination = true;
        }
    }
    logon_parameters parameters;
    if (usable)
        usable = translate_connect_string(given, with_destination ? &block : nullptr, parameters, problem,
                                          &state.dropped_keys);
    if (!usable) {
        report_open_problem(state, "RfcOpenEx", problem.c_str());
        hand_out_last_error_ex(state, error_info);
        return 0;
    }
    if (!ensure_library(state)) {
        report_load_failure(state, "RfcOpenEx");
        hand_out_last_error_ex(state, error_info);
        return 0;
    }
    nwrfc::RFC_ERROR_INFO info;
    nwrfc::RFC_CONNECTION_HANDLE nw = open_netweaver(state, parameters, info);
    bounded_text<160> partner;
    name_partner(parameters, partner);
    parameters = logon_parameters{};  // both held the password
    given = connect_pairs{};
    if (nw != nullptr) {
        if (error_info != nullptr) memset(error_info, 0, sizeof *error_info);
        return add_connection(state, nw, nullptr, partner);
    }
    bridge_failure failure = failure_from_netweaver(info);
    failure.api.assign("RfcOpenEx [0] : returns 0");
    report_failure(state, failure);
    hand_out_last_error_ex(state, error_info);
    return 0;
}

bridge_connection *find_connection(bridge_state &state, RFC_HANDLE handle) {
    for (bridge_connection &connection : state.connections)
        if (connection.open && connection.handle == handle) return &connection;
    return nullptr;
}

void close_connections(bridge_state &state, RFC_HANDLE handle) {
    bool any_open = false;
    for (bridge_connection &connection : state.connections) {
        if (!connection.open) continue;
        if (handle != 0 && connection.handle != handle) {
            any_open = true;
            continue;
        }
        // A connection SAP's library closed after a failure has no handle left here.
        if (connection.nw != nullptr && state.library != nullptr) {
            nwrfc::RFC_ERROR_INFO ignored;
            state.nw.RfcCloseConnection(connection.nw, &ignored);
        }
        connection = bridge_connection{};
    }
    // The last connection gone, the RFC work is done: the structures' type
    // descriptions go too (each call's function description is gone already); a
    // later call makes them again.
    if (any_open || state.library == nullptr) return;
    for (int i = 0; i < state.structure_count; ++i) {
        bridge_structure &structure = state.structures[i];
        if (structure.nw_type == nullptr) continue;
        nwrfc::RFC_ERROR_INFO ignored;
        state.nw.RfcDestroyTypeDesc(structure.nw_type, &ignored);
        structure.nw_type = nullptr;
    }
}
