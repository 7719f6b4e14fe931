// The NetWeaver functions the bridge calls, played by the classic stand-in's
// simulated systems: a logon goes through the same landscape and checks, a call
// through the same function modules and faults, and the answers come back as
// SAP's NetWeaver library gives them (UTF-16 texts, packed fields as their bytes,
// error information with group, key and message).
#pragma GCC visibility push(default)
#include "nwrfc/sapnwrfc_api.h"
#pragma GCC visibility pop

#include "nwrfc_standin/containers.h"
#include "nwrfc_standin/field_access.h"
#include "nwrfc_standin/system_descriptions.h"
#include "rfc_standin/connections.h"
#include "rfc_standin/function_modules.h"
#include "rfc_standin/internal_tables.h"
#include "rfc_standin/logon.h"
#include "rfc_standin/record_layouts.h"
#include "rfc_standin/structures.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace nwrfc;

namespace {

standin_state state;

struct nw_connection {
    bool used;
    bool closed_by_failure;  // closed by the library itself: its handle stays invalid as long as can be
    RFC_HANDLE classic;
};
nw_connection connections[8];

char16_t version_text[] = u"7500.0.0 Korvanel stand-in";

void narrow_value(const RFC_CONNECTION_PARAMETER &parameter, bounded_text<100> &out) {
    char text[101];
    narrow_text(parameter.value, text, sizeof text);
    out.assign(text);
}

bool equal_letters(const char *a, const char *b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        char x = *a >= 'A' && *a <= 'Z' ? static_cast<char>(*a + 32) : *a;
        char y = *b >= 'A' && *b <= 'Z' ? static_cast<char>(*b + 32) : *b;
        if (x != y) return false;
    }
    return *a == *b;
}

// The classic last error as NetWeaver error information: the message a reader of
// the classic trace would find (the ERROR detail, else the "======> " text).
void set_from_classic(nwrfc::RFC_ERROR_INFO *info, nwrfc::RFC_RC code, RFC_ERROR_GROUP group, const char *key) {
    set_error(info, code, group, state.last_error.message.c_str(), key);
}

// Where SAP's library writes its own trace file: the working directory, or the
// folder RfcSetTraceDir named.
char trace_folder[512];

// Appends `text` (the error text as SAP's library words it) to dev_rfc.trc in the trace
// folder, as SAP's library writes a severe error there: its own header, keyword lines
// in column 0. On Windows, in the working directory, that is the sensor's Dev_Rfc.Trc.
void write_own_trace(const char *text) {
    bounded_text<600> path;
    if (trace_folder[0] != '\0') path.format("%s/dev_rfc.trc", trace_folder);
    else path.assign("dev_rfc.trc");
    // Binary: the same bytes on every build, so that a scenario can expect them.
    FILE *file = fopen(path.c_str(), "ab");
    if (file == nullptr) return;
    fprintf(file, "\n**** Trace file opened at 20261210 140359 Coordinated Universal Time, by sapnwrfc stand-in\n");
    fputs(text[0] == '\n' ? text + 1 : text, file);
    if (text[0] != '\0' && text[strlen(text) - 1] != '\n') fputc('\n', file);
    fclose(file);
}

// A communication failure as SAP's library words it: over several lines, the first
// one empty, keywords 12 columns wide, the ERROR line among others, and its code's
// name as the key.
void set_communication_failure(nwrfc::RFC_ERROR_INFO *info, nwrfc::RFC_RC code, RFC_ERROR_GROUP group) {
    const standin_error &error = state.last_error;
    bounded_text<511> text;
    text.format("\nLOCATION    %s\nERROR       %s\nTIME        Thu Dec 10 14:03:59 2026\nRELEASE     753\n"
                "COMPONENT   %s\nVERSION     40\nRC          -10\nCOUNTER     1\n",
                error.location.empty() ? "CPIC (TCP/IP) on local host with Unicode" : error.location.c_str(),
                error.message.c_str(), error.component != nullptr ? error.component : "NI (network interface)");
    set_error(info, code, group, text.c_str(), "RFC_COMMUNICATION_FAILURE");
    write_own_trace(text.c_str());
}

RFC_ERROR_GROUP group_of_classic_key(const char *key, nwrfc::RFC_RC *code) {
    if (strcmp(key, "RFC_ERROR_LOGON_FAILURE") == 0) {
        *code = RFC_LOGON_FAILURE;
        return LOGON_FAILURE;
    }
    if (strcmp(key, "RFC_ERROR_COMMUNICATION") == 0) {
        *code = RFC_COMMUNICATION_FAILURE;
        return COMMUNICATION_FAILURE;
    }
    *code = RFC_EXTERNAL_FAILURE;
    return EXTERNAL_RUNTIME_FAILURE;
}

// The classic last error of a logon or call that failed as SAP's library reports it:
// a communication failure over several lines, a logon failure under its code's name.
void set_failure_from_classic(nwrfc::RFC_ERROR_INFO *info, nwrfc::RFC_RC code, RFC_ERROR_GROUP group) {
    if (code == RFC_COMMUNICATION_FAILURE) return set_communication_failure(info, code, group);
    if (code == RFC_LOGON_FAILURE) {
        bounded_text<300> text;
        text.format("ERROR       %s", state.last_error.message.c_str());
        write_own_trace(text.c_str());
    }
    set_from_classic(info, code, group, code == RFC_LOGON_FAILURE ? "RFC_LOGON_FAILURE" : state.last_error.key.c_str());
}

nw_connection *connection_of(RFC_CONNECTION_HANDLE handle) {
    for (nw_connection &connection : connections)
        if (&connection == static_cast<void *>(handle) && connection.used) return &connection;
    return nullptr;
}

// The NetWeaver library has no RfcInstallStructure, ItCreate or ItDelete: the stand-in
// uses the classic ones inside, where the landscape's faults of those classic steps
// have nothing to hit. While one of these lives, no system counts as opened last.
struct classic_steps_unfaulted {
    bool opened;
    classic_steps_unfaulted() : opened(state.any_opened) { state.any_opened = false; }
    ~classic_steps_unfaulted() { state.any_opened = opened; }
};

// The lines the system sends in the function's tables (the landscape's db02.table.*
// lines, for DB02_DB4_GET_INFO): a table that gets lines holds them alone, each laid
// over the row's bytes from its start as the system's text (UTF-8 sequences become
// characters), cut at the row's length, blank after it.
void send_table_lines(nw_container &container, RFC_HANDLE classic) {
    const standin_connection *connection = find_connection(state, classic);
    if (connection == nullptr || strcmp(container.function->name, "DB02_DB4_GET_INFO") != 0) return;
    const standin_system &system = connection->system;
    for (unsigned i = 0; i < container.function->count; ++i) {
        const RFC_PARAMETER_DESC &parameter = container.function->parameters[i];
        nw_container *table = container.children[i];
        if (parameter.type != RFCTYPE_TABLE || table == nullptr) continue;
        char name[31];
        narrow_text(parameter.name, name, sizeof name);
        bool first = true;
        for (int l = 0; l < system.table_line_count; ++l) {
            const table_line &line = system.table_lines[l];
            if (!line.table.equals(name)) continue;
            if (first) table->row_count = 0;
            first = false;
            nwrfc::RFC_ERROR_INFO ignored;
            nw_container *row = append_row(table, &ignored);
            if (row == nullptr) break;
            memset(row->bytes, ' ', table->line_length);
            memcpy(row->bytes, line.text.c_str(), line.text.size() < table->line_length ? line.text.size() : table->line_length);
            memset(row->marks, 0, table->line_length);
        }
    }
}

// Installs `type` in the classic system's library once; its classic handle.
// A type of the system's own dictionary goes to the classic system as the older
// record its first bytes hold, which the simulated system fills.
RFC_TYPEHANDLE classic_type(nw_type *type) {
    if (type->classic != 0) return type->classic;
    static char names[standin_type_fields][31];
    RFC_TYPE_ELEMENT elements[standin_type_fields];
    RFC_TYPEHANDLE handle = 0;
    if (type->system_record != nullptr) {
        const record_layout &record = *type->system_record;
        for (unsigned i = 0; i < record.count; ++i)
            elements[i] = RFC_TYPE_ELEMENT{const_cast<char *>(record.fields[i].name), record.fields[i].type,
                                           record.fields[i].length, record.fields[i].decimals, 0};
        classic_steps_unfaulted unfaulted;
        if (install_structure(state, record.name, elements, record.count, &handle) == 0) type->classic = handle;
        return type->classic;
    }
    for (unsigned i = 0; i < type->count; ++i) {
        narrow_text(type->fields[i].name, names[i], sizeof names[i]);
        elements[i] = RFC_TYPE_ELEMENT{names[i], static_cast<RFC_TYPEHANDLE>(type->fields[i].type),
                                       type->fields[i].nucLength, type->fields[i].decimals, 0};
    }
    classic_steps_unfaulted unfaulted;
    if (install_structure(state, type->name, elements, type->count, &handle) == 0) type->classic = handle;
    return type->classic;
}

// The length the classic system gets for a record of `type`: the older record for a
// type of the system's dictionary, else the caller's `length`.
unsigned classic_length(const nw_type *type, unsigned length) {
    return type->system_record != nullptr ? type->system_record->length : length;
}

// Refuses a description the stand-in cannot hold, naming the parameter or field.
nwrfc::RFC_RC refuse_description(nwrfc::RFC_ERROR_INFO *info, const char *what, const SAP_UC *wide_name,
                                 const char *problem) {
    char name[31];
    narrow_text(wide_name, name, sizeof name);
    bounded_text<120> message;
    message.format("%s %s: %s", what, name, problem);
    set_error(info, RFC_INVALID_PARAMETER, EXTERNAL_RUNTIME_FAILURE, message.c_str());
    return RFC_INVALID_PARAMETER;
}

}  // namespace

RFC_CONNECTION_HANDLE SAP_API nwrfc::RfcOpenConnection(const RFC_CONNECTION_PARAMETER *list, unsigned count,
                                                nwrfc::RFC_ERROR_INFO *info) {
    bounded_text<100> ashost, sysnr, gwhost, gwserv, client, user, passwd, unknown, snc_mode, snc_sso;
    bounded_text<100> mshost, msserv, sysid, group;
    for (unsigned i = 0; list != nullptr && i < count; ++i) {
        char name[32];
        narrow_text(list[i].name, name, sizeof name);
        if (equal_letters(name, "ashost")) narrow_value(list[i], ashost);
        else if (equal_letters(name, "sysnr")) narrow_value(list[i], sysnr);
        else if (equal_letters(name, "gwhost")) narrow_value(list[i], gwhost);
        else if (equal_letters(name, "gwserv")) narrow_value(list[i], gwserv);
        else if (equal_letters(name, "client")) narrow_value(list[i], client);
        else if (equal_letters(name, "user")) narrow_value(list[i], user);
        else if (equal_letters(name, "passwd")) narrow_value(list[i], passwd);
        else if (equal_letters(name, "mshost")) narrow_value(list[i], mshost);
        else if (equal_letters(name, "msserv")) narrow_value(list[i], msserv);
        else if (equal_letters(name, "sysid") || equal_letters(name, "r3name")) narrow_value(list[i], sysid);
        else if (equal_letters(name, "group")) narrow_value(list[i], group);
        else if (equal_letters(name, "snc_mode")) narrow_value(list[i], snc_mode);
        else if (equal_letters(name, "snc_sso")) narrow_value(list[i], snc_sso);
        // SNC's names, protection level and library: the simulated line needs none of them.
        else if (equal_letters(name, "snc_partnername") || equal_letters(name, "snc_qop") ||
                 equal_letters(name, "snc_myname") || equal_letters(name, "snc_lib"))
            continue;
        else if (!equal_letters(name, "lang") && !equal_letters(name, "trace") && unknown.empty()) unknown.assign(name);
    }
    if (!unknown.empty()) {
        bounded_text<120> message;
        message.format("parameter %s is not known to the stand-in", unknown.c_str());
        set_error(info, RFC_INVALID_PARAMETER, EXTERNAL_RUNTIME_FAILURE, message.c_str());
        return nullptr;
    }
    // With SNC, SAP's library logs on as the SNC name (single sign-on) unless told
    // snc_sso=0: user and password are then not what logs on.
    if (snc_mode.equals("1") && !snc_sso.equals("0") && !passwd.empty()) {
        set_error(info, RFC_LOGON_FAILURE, LOGON_FAILURE, "SNC name of the caller is not assigned to a user",
                  "RFC_LOGON_FAILURE");
        return nullptr;
    }
    // Without an application server, a message server balances the logon: SAP's
    // library then needs the system's ID and the logon group.
    bool load_balancing = ashost.empty() && !mshost.empty();
    const char *missing = !load_balancing ? nullptr : sysid.empty() ? "SYSID" : group.empty() ? "GROUP" : nullptr;
    if (missing != nullptr) {
        bounded_text<120> message;
        message.format("Parameter %s is missing: a logon through the message server MSHOST needs it", missing);
        set_error(info, RFC_INVALID_PARAMETER, EXTERNAL_RUNTIME_FAILURE, message.c_str());
        return nullptr;
    }
    logon_request request = {};
    request.api = "RfcOpenConnection";
    request.by_message_server = load_balancing;
    request.mshost = mshost.c_str();
    request.msserv = msserv.c_str();
    request.sysid = sysid.c_str();
    request.group = group.c_str();
    // SAP's NetWeaver library logs on within the open: a refused logon fails it.
    request.check_at_open = true;
    request.by_gateway = ashost.empty() && !load_balancing;
    request.host = ashost.c_str();
    request.sysnr = atoi(sysnr.c_str());
    request.gwhost = gwhost.c_str();
    request.gwservice = gwserv.c_str();
    request.client = client.c_str();
    request.user = user.c_str();
    request.password = passwd.c_str();
    call_line line;
    line.assign("RfcOpenConnection");
    RFC_HANDLE handle = log_on(state, request, line);
    if (handle == 0) {
        nwrfc::RFC_RC code;
        RFC_ERROR_GROUP group = group_of_classic_key(state.last_error.key.c_str(), &code);
        set_failure_from_classic(info, code, group);
        return nullptr;
    }
    // A handle the library closed after a failure is taken again only when no other
    // is free, so a caller that goes on using it meets RFC_INVALID_HANDLE.
    for (int pass = 0; pass < 2; ++pass) {
        bool reuse_closed = pass == 1;
        for (nw_connection &connection : connections) {
            if (connection.used || connection.closed_by_failure != reuse_closed) continue;
            connection.used = true;
            connection.closed_by_failure = false;
            connection.classic = handle;
            return reinterpret_cast<RFC_CONNECTION_HANDLE>(&connection);
        }
    }
    close_connections(state, handle);
    set_error(info, RFC_MEMORY_INSUFFICIENT, EXTERNAL_RUNTIME_FAILURE, "stand-in connection pool full");
    return nullptr;
}

nwrfc::RFC_RC SAP_API nwrfc::RfcCloseConnection(RFC_CONNECTION_HANDLE handle, nwrfc::RFC_ERROR_INFO *info) {
    nw_connection *connection = connection_of(handle);
    if (connection == nullptr) {
        set_error(info, RFC_INVALID_HANDLE, EXTERNAL_RUNTIME_FAILURE, "invalid connection handle");
        return RFC_INVALID_HANDLE;
    }
    close_connections(state, connection->classic);
    connection->used = false;
    return nwrfc::RFC_OK;
}

nwrfc::RFC_RC SAP_API nwrfc::RfcInvoke(RFC_CONNECTION_HANDLE handle, RFC_FUNCTION_HANDLE function_handle, nwrfc::RFC_ERROR_INFO *info) {
    nw_connection *connection = connection_of(handle);
    nw_container *container = container_of(function_handle);
    if (connection == nullptr || container == nullptr || container->kind != container_function) {
        set_error(info, RFC_INVALID_HANDLE, EXTERNAL_RUNTIME_FAILURE, "invalid connection or function handle");
        return RFC_INVALID_HANDLE;
    }
    nw_function &function = *container->function;
    // A library that does not cut the system's longer records refuses a shorter
    // description before anything is sent; the connection stays usable.
    const standin_connection *reached = find_connection(state, connection->classic);
    bounded_text<200> refusal;
    if (reached != nullptr && description_handling_of(reached->system) != descriptions_cut && !function.cached &&
        shorter_than_system(function, refusal)) {
        set_error(info, RFC_SERIALIZATION_FAILURE, EXTERNAL_RUNTIME_FAILURE, refusal.c_str());
        return RFC_SERIALIZATION_FAILURE;
    }
    static char names[standin_function_parameters][31];
    RFC_PARAMETER exporting[standin_function_parameters + 1] = {};
    RFC_PARAMETER importing[standin_function_parameters + 1] = {};
    RFC_TABLE tables[standin_function_parameters + 1] = {};
    int exporting_count = 0, importing_count = 0, table_count = 0;
    unsigned offset = 0;
    for (unsigned i = 0; i < function.count; ++i) {
        const RFC_PARAMETER_DESC &parameter = function.parameters[i];
        narrow_text(parameter.name, names[i], sizeof names[i]);
        unsigned name_length = static_cast<unsigned>(strlen(names[i]));
        nw_container *child = container->children[i];
        if (parameter.type == RFCTYPE_TABLE) {
            RFC_TABLE &table = tables[table_count++];
            classic_steps_unfaulted unfaulted;
            unsigned line = classic_length(child->type, parameter.nucLength);
            table = RFC_TABLE{names[i], name_length, classic_type(child->type), line,
                              create_table(state, names[i], line), 0, 0};
            continue;
        }
        RFC_PARAMETER entry = {names[i], name_length, static_cast<RFC_TYPEHANDLE>(parameter.type), parameter.nucLength,
                               nullptr};
        if (parameter.type == RFCTYPE_STRUCTURE) {
            entry.type = classic_type(child->type);
            entry.leng = classic_length(child->type, parameter.nucLength);
            entry.addr = child->bytes;
        } else {
            entry.addr = container->bytes + offset;
            offset += parameter.nucLength;
        }
        if (parameter.direction == RFC_IMPORT)
            exporting[exporting_count++] = entry;
        else
            importing[importing_count++] = entry;
    }
    call_line line;
    line.assign("RfcInvoke");
    int rc = call_function(state, connection->classic, function.name, exporting, tables, line);
    char *exception = nullptr;
    if (rc == 0) rc = receive_function(state, connection->classic, importing, tables, &exception);
    // What the system sent in is its own text again; table rows stay as the caller left them.
    offset = 0;
    for (unsigned i = 0; rc == 0 && i < function.count; ++i) {
        const RFC_PARAMETER_DESC &parameter = function.parameters[i];
        if (parameter.type == RFCTYPE_TABLE) continue;
        if (parameter.type == RFCTYPE_STRUCTURE) {
            if (parameter.direction != RFC_IMPORT) memset(container->children[i]->marks, 0, standin_container_bytes);
            continue;
        }
        if (parameter.direction != RFC_IMPORT) memset(container->marks + offset, 0, parameter.nucLength);
        offset += parameter.nucLength;
    }
    if (rc == 0) send_table_lines(*container, connection->classic);
    for (int i = 0; i < table_count; ++i) {
        classic_steps_unfaulted unfaulted;
        if (tables[i].ithandle != nullptr) delete_table(state, tables[i].ithandle);
    }
    bounded_text<127> exception_name;
    exception_name.assign(exception != nullptr ? exception : "");
    const char *name = exception_name.c_str();
    // A communication failure, a runtime failure or an ABAP message ends the
    // connection: SAP's library closes it itself, and its handle is invalid from now on.
    if (rc == 1 || rc == 3) {
        close_connections(state, connection->classic);
        connection->used = false;
        connection->closed_by_failure = true;
    }
    switch (rc) {
    case 0: return nwrfc::RFC_OK;
    case 2: set_from_classic(info, RFC_ABAP_EXCEPTION, ABAP_APPLICATION_FAILURE, name); return RFC_ABAP_EXCEPTION;
    case 3:
        // SAP's library names the dump as the key: the name the simulated system
        // raised, which the classic stand-in hands out as the exception.
        set_from_classic(info, RFC_ABAP_RUNTIME_FAILURE, ABAP_RUNTIME_FAILURE, name);
        return RFC_ABAP_RUNTIME_FAILURE;
    case 1: {
        nwrfc::RFC_RC code;
        RFC_ERROR_GROUP group = group_of_classic_key(state.last_error.key.c_str(), &code);
        if (code == RFC_EXTERNAL_FAILURE) code = RFC_COMMUNICATION_FAILURE, group = COMMUNICATION_FAILURE;
        set_failure_from_classic(info, code, group);
        return code;
    }
    default: set_from_classic(info, RFC_UNKNOWN_ERROR, EXTERNAL_RUNTIME_FAILURE, ""); return RFC_UNKNOWN_ERROR;
    }
}

nwrfc::RFC_RC SAP_API nwrfc::RfcSetTraceDir(SAP_UC *folder, nwrfc::RFC_ERROR_INFO *info) {
    if (folder == nullptr) {
        set_error(info, RFC_INVALID_PARAMETER, EXTERNAL_RUNTIME_FAILURE, "no trace directory");
        return RFC_INVALID_PARAMETER;
    }
    narrow_text(folder, trace_folder, sizeof trace_folder);  // empty: the working directory again
    return nwrfc::RFC_OK;
}

const SAP_UC *SAP_API nwrfc::RfcGetVersion(unsigned *major, unsigned *minor, unsigned *patch) {
    if (major != nullptr) *major = 7500;
    if (minor != nullptr) *minor = 0;
    if (patch != nullptr) *patch = 0;
    return version_text;
}

// The system's own description, looked up in its dictionary. Without the rights for
// the dictionary's function modules the system refuses the lookup as an ABAP runtime
// failure, after which SAP's library has closed the connection.
RFC_FUNCTION_DESC_HANDLE SAP_API nwrfc::RfcGetFunctionDesc(RFC_CONNECTION_HANDLE handle, const SAP_UC *name,
                                                      nwrfc::RFC_ERROR_INFO *info) {
    nw_connection *connection = connection_of(handle);
    const standin_connection *reached = connection != nullptr ? find_connection(state, connection->classic) : nullptr;
    if (reached == nullptr || name == nullptr) {
        set_error(info, RFC_INVALID_HANDLE, EXTERNAL_RUNTIME_FAILURE, "invalid connection handle");
        return nullptr;
    }
    if (description_handling_of(reached->system) == lookup_refused) {
        bounded_text<120> message;
        message.format("User %s has no RFC authorization for function module RFC_METADATA_GET",
                       reached->system.user.c_str());
        set_error(info, RFC_ABAP_RUNTIME_FAILURE, ABAP_RUNTIME_FAILURE, message.c_str(), "RFC_NO_AUTHORITY");
        close_connections(state, connection->classic);
        connection->used = false;
        connection->closed_by_failure = true;
        return nullptr;
    }
    char function[31];
    narrow_text(name, function, sizeof function);
    return system_function_description(function, info);
}

nwrfc::RFC_RC SAP_API nwrfc::RfcGetParameterDescByName(RFC_FUNCTION_DESC_HANDLE handle, const SAP_UC *name,
                                                  RFC_PARAMETER_DESC *parameter, nwrfc::RFC_ERROR_INFO *info) {
    nw_function *function = function_of(handle);
    if (function == nullptr || name == nullptr || parameter == nullptr) {
        set_error(info, RFC_INVALID_HANDLE, EXTERNAL_RUNTIME_FAILURE, "invalid function description");
        return RFC_INVALID_HANDLE;
    }
    for (unsigned i = 0; i < function->count; ++i) {
        if (!same_name(function->parameters[i].name, name)) continue;
        *parameter = function->parameters[i];
        return nwrfc::RFC_OK;
    }
    refuse_unknown_name(info, "parameter", name);
    return RFC_INVALID_PARAMETER;
}

nwrfc::RFC_RC SAP_API nwrfc::RfcGetTypeLength(RFC_TYPE_DESC_HANDLE handle, unsigned *nuc, unsigned *uc,
                                         nwrfc::RFC_ERROR_INFO *info) {
    nw_type *type = type_of(handle);
    if (type == nullptr || nuc == nullptr || uc == nullptr) {
        set_error(info, RFC_INVALID_HANDLE, EXTERNAL_RUNTIME_FAILURE, "invalid type description");
        return RFC_INVALID_HANDLE;
    }
    *nuc = type->nuc_length;
    *uc = type->uc_length;
    return nwrfc::RFC_OK;
}

nwrfc::RFC_RC SAP_API nwrfc::RfcGetFieldCount(RFC_TYPE_DESC_HANDLE handle, unsigned *count, nwrfc::RFC_ERROR_INFO *info) {
    nw_type *type = type_of(handle);
    if (type == nullptr || count == nullptr) {
        set_error(info, RFC_INVALID_HANDLE, EXTERNAL_RUNTIME_FAILURE, "invalid type description");
        return RFC_INVALID_HANDLE;
    }
    *count = type->count;
    return nwrfc::RFC_OK;
}

nwrfc::RFC_RC SAP_API nwrfc::RfcGetFieldDescByIndex(RFC_TYPE_DESC_HANDLE handle, unsigned index, RFC_FIELD_DESC *field,
                                               nwrfc::RFC_ERROR_INFO *info) {
    nw_type *type = type_of(handle);
    if (type == nullptr || field == nullptr) {
        set_error(info, RFC_INVALID_HANDLE, EXTERNAL_RUNTIME_FAILURE, "invalid type description");
        return RFC_INVALID_HANDLE;
    }
    if (index >= type->count) {
        set_error(info, RFC_INVALID_PARAMETER, EXTERNAL_RUNTIME_FAILURE, "no field at that index");
        return RFC_INVALID_PARAMETER;
    }
    *field = type->fields[index];
    return nwrfc::RFC_OK;
}

RFC_FUNCTION_DESC_HANDLE SAP_API nwrfc::RfcCreateFunctionDesc(const SAP_UC *name, nwrfc::RFC_ERROR_INFO *info) {
    return new_function(name, info);
}

nwrfc::RFC_RC SAP_API nwrfc::RfcAddParameter(RFC_FUNCTION_DESC_HANDLE handle, const RFC_PARAMETER_DESC *parameter,
                               nwrfc::RFC_ERROR_INFO *info) {
    nw_function *function = function_of(handle);
    if (function == nullptr || parameter == nullptr || function->count == standin_function_parameters) {
        set_error(info, RFC_INVALID_PARAMETER, EXTERNAL_RUNTIME_FAILURE, "cannot add the parameter");
        return RFC_INVALID_PARAMETER;
    }
    bool nested = parameter->type == RFCTYPE_STRUCTURE || parameter->type == RFCTYPE_TABLE;
    if (nested && type_of(parameter->typeDescHandle) == nullptr) {
        set_error(info, RFC_INVALID_PARAMETER, EXTERNAL_RUNTIME_FAILURE, "structure parameter without its type");
        return RFC_INVALID_PARAMETER;
    }
    const char *problem =
        nested ? nullptr : description_problem(parameter->type, 0, parameter->nucLength, parameter->decimals);
    if (problem == nullptr && !nested)
        problem = unicode_problem(parameter->type, parameter->nucLength, parameter->ucLength, 0);
    if (problem != nullptr) return refuse_description(info, "parameter", parameter->name, problem);
    function->parameters[function->count++] = *parameter;
    return nwrfc::RFC_OK;
}

nwrfc::RFC_RC SAP_API nwrfc::RfcDestroyFunctionDesc(RFC_FUNCTION_DESC_HANDLE handle, nwrfc::RFC_ERROR_INFO *info) {
    nw_function *function = function_of(handle);
    if (function == nullptr) {
        set_error(info, RFC_INVALID_HANDLE, EXTERNAL_RUNTIME_FAILURE, "invalid function description");
        return RFC_INVALID_HANDLE;
    }
    // SAP's library keeps what it looked up in its cache, for every caller of the process.
    if (function->cached) {
        set_error(info, RFC_ILLEGAL_STATE, EXTERNAL_RUNTIME_FAILURE, "a cached function description is not destroyed");
        return RFC_ILLEGAL_STATE;
    }
    free_function(function);
    return nwrfc::RFC_OK;
}

RFC_TYPE_DESC_HANDLE SAP_API nwrfc::RfcCreateTypeDesc(const SAP_UC *name, nwrfc::RFC_ERROR_INFO *info) {
    return new_type(name, info);
}

nwrfc::RFC_RC SAP_API nwrfc::RfcAddTypeField(RFC_TYPE_DESC_HANDLE handle, const RFC_FIELD_DESC *field, nwrfc::RFC_ERROR_INFO *info) {
    nw_type *type = type_of(handle);
    if (type == nullptr || field == nullptr || type->count == standin_type_fields) {
        set_error(info, RFC_INVALID_PARAMETER, EXTERNAL_RUNTIME_FAILURE, "cannot add the field");
        return RFC_INVALID_PARAMETER;
    }
    // A field beyond the record would be read and written outside the container's bytes.
    const char *problem = description_problem(field->type, field->nucOffset, field->nucLength, field->decimals);
    if (problem == nullptr) problem = unicode_problem(field->type, field->nucLength, field->ucLength, field->ucOffset);
    if (problem == nullptr) problem = overlap_problem(*type, *field);
    if (problem != nullptr) return refuse_description(info, "field", field->name, problem);
    type->fields[type->count++] = *field;
    return nwrfc::RFC_OK;
}

nwrfc::RFC_RC SAP_API nwrfc::RfcSetTypeLength(RFC_TYPE_DESC_HANDLE handle, unsigned nuc, unsigned uc, nwrfc::RFC_ERROR_INFO *info) {
    nw_type *type = type_of(handle);
    unsigned fields_end = 0, uc_fields_end = 0;
    for (unsigned i = 0; type != nullptr && i < type->count; ++i) {
        if (type->fields[i].nucOffset + type->fields[i].nucLength > fields_end)
            fields_end = type->fields[i].nucOffset + type->fields[i].nucLength;
        if (type->fields[i].ucOffset + type->fields[i].ucLength > uc_fields_end)
            uc_fields_end = type->fields[i].ucOffset + type->fields[i].ucLength;
    }
    // A length shorter than the fields would let table rows overlap, in either layout.
    if (type == nullptr || nuc > standin_container_bytes || nuc < fields_end || uc < uc_fields_end) {
        set_error(info, RFC_INVALID_PARAMETER, EXTERNAL_RUNTIME_FAILURE, "cannot set the type length");
        return RFC_INVALID_PARAMETER;
    }
    type->nuc_length = nuc;
    type->uc_length = uc;
    return nwrfc::RFC_OK;
}

nwrfc::RFC_RC SAP_API nwrfc::RfcDestroyTypeDesc(RFC_TYPE_DESC_HANDLE handle, nwrfc::RFC_ERROR_INFO *info) {
    nw_type *type = type_of(handle);
    if (type == nullptr) {
        set_error(info, RFC_INVALID_HANDLE, EXTERNAL_RUNTIME_FAILURE, "invalid type description");
        return RFC_INVALID_HANDLE;
    }
    if (type->system_record != nullptr) {
        set_error(info, RFC_ILLEGAL_STATE, EXTERNAL_RUNTIME_FAILURE, "a cached type description is not destroyed");
        return RFC_ILLEGAL_STATE;
    }
    // A function description still refers to it: destroying it now would leave that
    // description pointing at nothing.
    if (type_in_use(type)) {
        set_error(info, RFC_ILLEGAL_STATE, EXTERNAL_RUNTIME_FAILURE, "type description still used by a function description");
        return RFC_ILLEGAL_STATE;
    }
    free_type(type);
    return nwrfc::RFC_OK;
}

RFC_FUNCTION_HANDLE SAP_API nwrfc::RfcCreateFunction(RFC_FUNCTION_DESC_HANDLE handle, nwrfc::RFC_ERROR_INFO *info) {
    nw_function *function = function_of(handle);
    if (function == nullptr) {
        set_error(info, RFC_INVALID_HANDLE, EXTERNAL_RUNTIME_FAILURE, "invalid function description");
        return nullptr;
    }
    return new_function_container(function, info);
}

nwrfc::RFC_RC SAP_API nwrfc::RfcDestroyFunction(RFC_FUNCTION_HANDLE handle, nwrfc::RFC_ERROR_INFO *info) {
    nw_container *container = container_of(handle);
    if (container == nullptr || container->kind != container_function) {
        set_error(info, RFC_INVALID_HANDLE, EXTERNAL_RUNTIME_FAILURE, "invalid function handle");
        return RFC_INVALID_HANDLE;
    }
    free_container(container);
    return nwrfc::RFC_OK;
}

nwrfc::RFC_RC SAP_API nwrfc::RfcGetStructure(DATA_CONTAINER_HANDLE handle, const SAP_UC *name, RFC_STRUCTURE_HANDLE *structure,
                               nwrfc::RFC_ERROR_INFO *info) {
    nw_value value;
    nwrfc::RFC_RC rc = field_for(get_structure, handle, name, value, info);
    if (rc != nwrfc::RFC_OK) return rc;
    *structure = reinterpret_cast<RFC_STRUCTURE_HANDLE>(value.child);
    return nwrfc::RFC_OK;
}

nwrfc::RFC_RC SAP_API nwrfc::RfcGetTable(DATA_CONTAINER_HANDLE handle, const SAP_UC *name, RFC_TABLE_HANDLE *table,
                           nwrfc::RFC_ERROR_INFO *info) {
    nw_value value;
    nwrfc::RFC_RC rc = field_for(get_table, handle, name, value, info);
    if (rc != nwrfc::RFC_OK) return rc;
    *table = reinterpret_cast<RFC_TABLE_HANDLE>(value.child);
    return nwrfc::RFC_OK;
}

// Tables hold the rows the caller appends; the simulated function modules leave a
// table's rows as they found them, except the tables the landscape gives lines for.
namespace {

nw_container *table_of(RFC_TABLE_HANDLE handle, nwrfc::RFC_ERROR_INFO *info) {
    nw_container *table = container_of(handle);
    if (table == nullptr || table->kind != container_table) {
        set_error(info, RFC_INVALID_HANDLE, EXTERNAL_RUNTIME_FAILURE, "invalid table handle");
        return nullptr;
    }
    return table;
}

}  // namespace

nwrfc::RFC_RC SAP_API nwrfc::RfcGetRowCount(RFC_TABLE_HANDLE handle, unsigned *count, nwrfc::RFC_ERROR_INFO *info) {
    nw_container *table = table_of(handle, info);
    if (table == nullptr) return RFC_INVALID_HANDLE;
    if (count == nullptr) {
        set_error(info, RFC_INVALID_PARAMETER, EXTERNAL_RUNTIME_FAILURE, "no place for the row count");
        return RFC_INVALID_PARAMETER;
    }
    *count = table->row_count;
    return nwrfc::RFC_OK;
}
nwrfc::RFC_RC SAP_API nwrfc::RfcMoveTo(RFC_TABLE_HANDLE handle, unsigned index, nwrfc::RFC_ERROR_INFO *info) {
    nw_container *table = table_of(handle, info);
    if (table == nullptr) return RFC_INVALID_HANDLE;
    return move_to_row(table, index, info) ? nwrfc::RFC_OK : RFC_TABLE_MOVE_EOF;
}
RFC_STRUCTURE_HANDLE SAP_API nwrfc::RfcGetCurrentRow(RFC_TABLE_HANDLE handle, nwrfc::RFC_ERROR_INFO *info) {
    nw_container *table = table_of(handle, info);
    if (table == nullptr) return nullptr;
    if (table->row_count == 0) {
        set_error(info, RFC_TABLE_MOVE_EOF, EXTERNAL_RUNTIME_FAILURE, "the table is empty");
        return nullptr;
    }
    return reinterpret_cast<RFC_STRUCTURE_HANDLE>(table->children[0]);
}
RFC_STRUCTURE_HANDLE SAP_API nwrfc::RfcAppendNewRow(RFC_TABLE_HANDLE handle, nwrfc::RFC_ERROR_INFO *info) {
    nw_container *table = table_of(handle, info);
    if (table == nullptr) return nullptr;
    return reinterpret_cast<RFC_STRUCTURE_HANDLE>(append_row(table, info));
}

// Every getter and setter first finds the field and checks that SAP's header lets the
// function use its type (field_access.cpp): a type it does not allow is refused with
// RFC_CONVERSION_FAILURE naming the function, field and type.
namespace {

bool is_text_type(RFCTYPE type) {
    return type == RFCTYPE_CHAR || type == RFCTYPE_NUM || type == RFCTYPE_DATE || type == RFCTYPE_TIME;
}

nwrfc::RFC_RC get_text(field_function function, DATA_CONTAINER_HANDLE handle, const SAP_UC *name, SAP_UC *buffer,
                       unsigned length, nwrfc::RFC_ERROR_INFO *info) {
    nw_value value;
    nwrfc::RFC_RC rc = field_for(function, handle, name, value, info);
    if (rc != nwrfc::RFC_OK) return rc;
    if (!is_text_type(value_type(value))) return converted_chars(function, value, buffer, length, info);
    // RfcGetNum fills a longer buffer from the right, zeros before the digits, as the
    // header says; the others from the left, blanks after the characters.
    unsigned lead = function == get_num && length > value.length ? length - value.length : 0;
    for (unsigned i = 0; i < lead; ++i) buffer[i] = u'0';
    widen_field(value.bytes, value.marks, value.length, buffer + lead, length - lead);
    return nwrfc::RFC_OK;
}

// Characters into a character field as ISO-8859-1, blanks after them; a NUM field set
// by RfcSetChars or RfcSetString and the numeric fields take them converted.
nwrfc::RFC_RC set_text(field_function function, DATA_CONTAINER_HANDLE handle, const SAP_UC *name, const SAP_UC *text,
                       unsigned length, nwrfc::RFC_ERROR_INFO *info) {
    nw_value value;
    nwrfc::RFC_RC rc = field_for(function, handle, name, value, info);
    if (rc != nwrfc::RFC_OK) return rc;
    RFCTYPE type = value_type(value);
    if (!is_text_type(type) || (type == RFCTYPE_NUM && function != set_num))
        return set_from_text(value, text, length, info);
    for (unsigned i = 0; i < value.length; ++i)
        value.bytes[i] = i < length ? static_cast<unsigned char>(text[i] < 0x100 ? text[i] : '?') : ' ';
    memset(value.marks, 1, value.length);
    return nwrfc::RFC_OK;
}

template <typename T>
nwrfc::RFC_RC get_integer(field_function function, DATA_CONTAINER_HANDLE handle, const SAP_UC *name, T *out,
                          nwrfc::RFC_ERROR_INFO *info) {
    nw_value value;
    nwrfc::RFC_RC rc = field_for(function, handle, name, value, info);
    long long number = 0;
    if (rc == nwrfc::RFC_OK) rc = converted_integer(function, value, &number, info);
    if (rc == nwrfc::RFC_OK) *out = static_cast<T>(number);
    return rc;
}

// The setters of integers and floats take only their own type (and RfcSetFloat a
// packed field), so the value goes in as its bytes: the records are little-endian,
// as the stand-in's hosts.
template <typename T>
nwrfc::RFC_RC set_number(field_function function, DATA_CONTAINER_HANDLE handle, const SAP_UC *name, T in,
                         nwrfc::RFC_ERROR_INFO *info) {
    nw_value value;
    nwrfc::RFC_RC rc = field_for(function, handle, name, value, info);
    if (rc != nwrfc::RFC_OK) return rc;
    memcpy(value.bytes, &in, sizeof(T));
    return nwrfc::RFC_OK;
}

}  // namespace

nwrfc::RFC_RC SAP_API nwrfc::RfcGetChars(DATA_CONTAINER_HANDLE h, const SAP_UC *name, RFC_CHAR *buffer, unsigned length,
                           nwrfc::RFC_ERROR_INFO *info) {
    return get_text(get_chars, h, name, buffer, length, info);
}
nwrfc::RFC_RC SAP_API nwrfc::RfcGetNum(DATA_CONTAINER_HANDLE h, const SAP_UC *name, RFC_NUM *buffer, unsigned length,
                         nwrfc::RFC_ERROR_INFO *info) {
    return get_text(get_num, h, name, buffer, length, info);
}
nwrfc::RFC_RC SAP_API nwrfc::RfcGetDate(DATA_CONTAINER_HANDLE h, const SAP_UC *name, RFC_DATE date, nwrfc::RFC_ERROR_INFO *info) {
    return get_text(get_date, h, name, date, 8, info);
}
nwrfc::RFC_RC SAP_API nwrfc::RfcGetTime(DATA_CONTAINER_HANDLE h, const SAP_UC *name, RFC_TIME time, nwrfc::RFC_ERROR_INFO *info) {
    return get_text(get_time, h, name, time, 6, info);
}
// Raw and packed fields as their bytes, numbers in their binary form, characters as
// their UTF-16. A packed field is handed out as it lies, whatever its half-bytes hold;
// a buffer shorter than it would cut the sign off.
nwrfc::RFC_RC SAP_API nwrfc::RfcGetBytes(DATA_CONTAINER_HANDLE h, const SAP_UC *name, SAP_RAW *buffer, unsigned length,
                           nwrfc::RFC_ERROR_INFO *info) {
    nw_value value;
    nwrfc::RFC_RC rc = field_for(get_bytes, h, name, value, info);
    if (rc != nwrfc::RFC_OK) return rc;
    return converted_bytes(value, buffer, length, info);
}
// A packed field as text in the stand-in's own form ("-12.5"), integers in decimal and
// raw fields in hexadecimal; SAP's header fixes no form for a packed number, so the
// bridge never asks for it (it does not even look the function up).
nwrfc::RFC_RC SAP_API nwrfc::RfcGetString(DATA_CONTAINER_HANDLE h, const SAP_UC *name, SAP_UC *buffer, unsigned capacity,
                            unsigned *length, nwrfc::RFC_ERROR_INFO *info) {
    nw_value value;
    nwrfc::RFC_RC rc = field_for(get_string, h, name, value, info);
    if (rc != nwrfc::RFC_OK) return rc;
    static char16_t text[2 * standin_container_bytes + 1];
    rc = converted_chars(get_string, value, text, sizeof text / sizeof text[0], info);
    if (rc != nwrfc::RFC_OK) return rc;
    unsigned size = 0;
    while (text[size] != 0) ++size;
    if (length != nullptr) *length = size;
    if (size + 1 > capacity) {
        set_error(info, RFC_BUFFER_TOO_SMALL, EXTERNAL_RUNTIME_FAILURE, "buffer too small");
        return RFC_BUFFER_TOO_SMALL;
    }
    memcpy(buffer, text, (size + 1) * sizeof text[0]);
    return nwrfc::RFC_OK;
}
nwrfc::RFC_RC SAP_API nwrfc::RfcGetInt(DATA_CONTAINER_HANDLE h, const SAP_UC *name, RFC_INT *value, nwrfc::RFC_ERROR_INFO *info) {
    return get_integer(get_int, h, name, value, info);
}
nwrfc::RFC_RC SAP_API nwrfc::RfcGetInt1(DATA_CONTAINER_HANDLE h, const SAP_UC *name, RFC_INT1 *value, nwrfc::RFC_ERROR_INFO *info) {
    return get_integer(get_int1, h, name, value, info);
}
nwrfc::RFC_RC SAP_API nwrfc::RfcGetInt2(DATA_CONTAINER_HANDLE h, const SAP_UC *name, RFC_INT2 *value, nwrfc::RFC_ERROR_INFO *info) {
    return get_integer(get_int2, h, name, value, info);
}
nwrfc::RFC_RC SAP_API nwrfc::RfcGetFloat(DATA_CONTAINER_HANDLE h, const SAP_UC *name, RFC_FLOAT *value, nwrfc::RFC_ERROR_INFO *info) {
    nw_value found;
    nwrfc::RFC_RC rc = field_for(get_float, h, name, found, info);
    if (rc != nwrfc::RFC_OK) return rc;
    return converted_float(found, value, info);
}
nwrfc::RFC_RC SAP_API nwrfc::RfcSetChars(DATA_CONTAINER_HANDLE h, const SAP_UC *name, const RFC_CHAR *value, unsigned length,
                           nwrfc::RFC_ERROR_INFO *info) {
    return set_text(set_chars, h, name, value, length, info);
}
nwrfc::RFC_RC SAP_API nwrfc::RfcSetNum(DATA_CONTAINER_HANDLE h, const SAP_UC *name, const RFC_NUM *value, unsigned length,
                         nwrfc::RFC_ERROR_INFO *info) {
    return set_text(set_num, h, name, value, length, info);
}
nwrfc::RFC_RC SAP_API nwrfc::RfcSetDate(DATA_CONTAINER_HANDLE h, const SAP_UC *name, const RFC_DATE date, nwrfc::RFC_ERROR_INFO *info) {
    return set_text(set_date, h, name, date, 8, info);
}
nwrfc::RFC_RC SAP_API nwrfc::RfcSetTime(DATA_CONTAINER_HANDLE h, const SAP_UC *name, const RFC_TIME time, nwrfc::RFC_ERROR_INFO *info) {
    return set_text(set_time, h, name, time, 6, info);
}
// A packed or numeric field takes bytes only of its own length, as SAP's header says;
// a raw field is filled from the bytes given, zeros after them; a character field
// takes their hexadecimal text.
nwrfc::RFC_RC SAP_API nwrfc::RfcSetBytes(DATA_CONTAINER_HANDLE h, const SAP_UC *name, const SAP_RAW *bytes, unsigned length,
                           nwrfc::RFC_ERROR_INFO *info) {
    nw_value value;
    nwrfc::RFC_RC rc = field_for(set_bytes, h, name, value, info);
    if (rc != nwrfc::RFC_OK) return rc;
    return set_from_bytes(value, bytes, length, info);
}
nwrfc::RFC_RC SAP_API nwrfc::RfcSetString(DATA_CONTAINER_HANDLE h, const SAP_UC *name, const SAP_UC *text, unsigned length,
                            nwrfc::RFC_ERROR_INFO *info) {
    return set_text(set_string, h, name, text, length, info);
}
nwrfc::RFC_RC SAP_API nwrfc::RfcSetInt(DATA_CONTAINER_HANDLE h, const SAP_UC *name, RFC_INT value, nwrfc::RFC_ERROR_INFO *info) {
    return set_number(set_int, h, name, value, info);
}
nwrfc::RFC_RC SAP_API nwrfc::RfcSetInt1(DATA_CONTAINER_HANDLE h, const SAP_UC *name, RFC_INT1 value, nwrfc::RFC_ERROR_INFO *info) {
    return set_number(set_int1, h, name, value, info);
}
nwrfc::RFC_RC SAP_API nwrfc::RfcSetInt2(DATA_CONTAINER_HANDLE h, const SAP_UC *name, RFC_INT2 value, nwrfc::RFC_ERROR_INFO *info) {
    return set_number(set_int2, h, name, value, info);
}
nwrfc::RFC_RC SAP_API nwrfc::RfcSetFloat(DATA_CONTAINER_HANDLE h, const SAP_UC *name, RFC_FLOAT value, nwrfc::RFC_ERROR_INFO *info) {
    nw_value found;
    nwrfc::RFC_RC rc = field_for(set_float, h, name, found, info);
    if (rc != nwrfc::RFC_OK) return rc;
    if (found.type == RFCTYPE_BCD) return set_packed_from_float(found, value, info);
    memcpy(found.bytes, &value, sizeof value);
    return nwrfc::RFC_OK;
}
