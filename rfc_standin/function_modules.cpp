// A call is checked in two stages, like a real call travels: the library looks at
// the lists before sending (null lists, unknown type handles, foreign table
// handles, table lines of another length), the system looks at them against the
// module's interface and answers at RfcReceive. The importing records are filled
// byte for byte from the landscape.
#include "rfc_standin/function_modules.h"

#include "rfc_standin/connections.h"
#include "rfc_standin/error_report.h"
#include "rfc_standin/internal_tables.h"
#include "rfc_standin/landscape.h"
#include "rfc_standin/logon.h"
#include "rfc_standin/record_layouts.h"
#include "rfc_standin/slow_systems.h"
#include "rfc_standin/structures.h"
#include "rfc_standin/standin_text.h"

#include <cstring>

namespace {

struct parameter_spec {
    const char *name;
    unsigned type;                   // type code, when `structure` is null
    const record_layout *structure;  // installed structure the entry must have
    unsigned length;
};

struct function_spec {
    const char *name;
    const parameter_spec *importing;
    unsigned importing_count;
    const parameter_spec *tables;
    unsigned table_count;
};

const parameter_spec system_info_importing[] = {
    {"CURRENT_RESOURCES", TYPINT, nullptr, 4},  {"DIALOG_USER_TYPE", TYPC, nullptr, 1},
    {"MAXIMAL_RESOURCES", TYPINT, nullptr, 4},  {"RECOMMENDED_DELAY", TYPINT, nullptr, 4},
    {"RFCSI_EXPORT", 0, &rfcsi_layout, 200},    {"RFC_LOGIN_COMPLETE", TYPC, nullptr, 1},
};

const parameter_spec db4_info_importing[] = {
    {"API_QWCRSSTS_RC", TYPINT, nullptr, 4},
    {"DB02_DISPLAYED_INFO", 0, &db02infdb4_layout, 120},
};

const parameter_spec db4_info_tables[] = {
    {"ADDTL_INDEX", 0, &missobj_layout, 40}, {"ADDTL_TABLES", 0, &missobj_layout, 40},
    {"ADDTL_VIEWS", 0, &missobj_layout, 40}, {"MISS_INDEX", 0, &missobj_layout, 40},
    {"MISS_TABLES", 0, &missobj_layout, 40}, {"MISS_VIEWS", 0, &missobj_layout, 40},
};

const function_spec functions[] = {
    {"RFC_SYSTEM_INFO", system_info_importing, 6, nullptr, 0},
    {"DB02_DB4_GET_INFO", db4_info_importing, 2, db4_info_tables, 6},
};

// What the system reports about a call that does not fit its module.
struct call_problem {
    bounded_text<100> message;  // the "======> " line
    bounded_text<200> detail;   // the "ERROR" line, or empty
};

const function_spec *find_function(const char *name) {
    for (const function_spec &function : functions)
        if (strcmp(function.name, name) == 0) return &function;
    return nullptr;
}

// One entry of a parameter or table list, as far as the checks look at it.
struct entry_view {
    const char *name;
    unsigned nlen;
    RFC_TYPEHANDLE type;
    unsigned leng;
};

bool is_type_code(RFC_TYPEHANDLE type) { return type <= TYPINT1; }

void append_type(const standin_state &state, call_line &line, RFC_TYPEHANDLE type) {
    const installed_structure *structure = find_structure(state, type);
    if (structure != nullptr)
        line.append_format("%s#%u", structure->name.c_str(), type);
    else if (is_type_code(type))
        line.append(type_code_name(type));
    else
        line.append_format("?%u", type);
}

// What the library itself refuses in an entry before sending; null when nothing.
const char *library_entry_problem(const standin_state &state, const entry_view &entry) {
    if (!is_type_code(entry.type) && find_structure(state, entry.type) == nullptr)
        return "neither a type code nor an installed structure";
    if (entry.leng == 0) return "length 0";
    return nullptr;
}

bool refuse(call_problem &problem, const char *message) {
    problem.message.assign(message);
    return false;
}

// The system's view of one entry against its module's interface: true when it fits.
bool entry_fits(const standin_state &state, const entry_view &entry, const parameter_spec *specs, unsigned count,
                bool *seen, const char *function, call_problem &problem) {
    size_t name_length = strlen(entry.name);
    bounded_text<40> shown;
    shown.assign(entry.name);
    if (entry.nlen != name_length) {
        problem.detail.format("%s passed with name length %u, not %u", shown.c_str(), entry.nlen,
                              static_cast<unsigned>(name_length));
        return refuse(problem, "Parameter name of the wrong length");
    }
    const parameter_spec *spec = nullptr;
    for (unsigned i = 0; i < count; ++i) {
        if (strcmp(specs[i].name, entry.name) != 0) continue;
        spec = &specs[i];
        if (seen[i]) {
            problem.detail.format("%s passed twice", shown.c_str());
            return refuse(problem, "Parameter passed twice");
        }
        seen[i] = true;
    }
    if (spec == nullptr) {
        problem.detail.format("%s is not a parameter of %s", shown.c_str(), function);
        return refuse(problem, "Parameter unknown");
    }
    const installed_structure *structure = find_structure(state, entry.type);
    const char *passed = structure != nullptr ? structure->name.c_str() : type_code_name(entry.type);
    if (spec->structure != nullptr) {
        if (structure == nullptr) {
            problem.detail.format("%s passed as %s, needs structure %s", shown.c_str(), passed, spec->structure->name);
            return refuse(problem, "Type conflict when calling a function module");
        }
        structure_problem mismatch;
        if (!structure_matches(*structure, *spec->structure, mismatch)) {
            problem.detail.format("%s: %s", shown.c_str(), mismatch.c_str());
            return refuse(problem, "Type conflict when calling a function module");
        }
    } else if (entry.type != spec->type) {
        problem.detail.format("%s passed as %s, needs %s", shown.c_str(), passed, type_code_name(spec->type));
        return refuse(problem, "Type conflict when calling a function module");
    }
    if (entry.leng != spec->length) {
        problem.detail.format("%s passed with length %u, needs %u", shown.c_str(), entry.leng, spec->length);
        return refuse(problem, "Type conflict when calling a function module (field length)");
    }
    return true;
}

bool all_seen(const parameter_spec *specs, unsigned count, const bool *seen, call_problem &problem) {
    for (unsigned i = 0; i < count; ++i) {
        if (seen[i]) continue;
        problem.message.assign("Parameter missing in the call");
        problem.detail.format("%s not passed", specs[i].name);
        return false;
    }
    return true;
}

// Library checks of a parameter list: null list, unnamed entries are the end.
bool library_parameters_ok(const standin_state &state, const RFC_PARAMETER *list, bool with_address,
                           bounded_text<200> &problem) {
    if (list == nullptr) {
        problem.assign("parameter list missing (null)");
        return false;
    }
    for (const RFC_PARAMETER *entry = list; entry->name != nullptr; ++entry) {
        const char *wrong = library_entry_problem(state, {entry->name, entry->nlen, entry->type, entry->leng});
        if (wrong == nullptr && with_address && entry->addr == nullptr) wrong = "no address to receive into";
        if (wrong != nullptr) {
            problem.format("parameter %.40s: %s", entry->name, wrong);
            return false;
        }
    }
    return true;
}

bool library_tables_ok(standin_state &state, const RFC_TABLE *list, bounded_text<200> &problem) {
    if (list == nullptr) {
        problem.assign("table list missing (null)");
        return false;
    }
    int count = 0;
    for (const RFC_TABLE *entry = list; entry->name != nullptr; ++entry) {
        const char *wrong = library_entry_problem(state, {entry->name, entry->nlen, entry->type, entry->leng});
        const internal_table *table = find_table(state, entry->ithandle);
        bounded_text<80> length_problem;
        if (wrong == nullptr && table == nullptr) wrong = "not a table created with ItCreate";
        if (wrong == nullptr && table->line_length != entry->leng) {
            length_problem.format("line length %u, the table was created with %u", entry->leng, table->line_length);
            wrong = length_problem.c_str();
        }
        if (wrong == nullptr && ++count > standin_max_call_tables) wrong = "more tables than the library holds";
        if (wrong != nullptr) {
            problem.format("table %.40s: %s", entry->name, wrong);
            return false;
        }
    }
    return true;
}

// Parameter and table lists alike: every entry fits, and none of the module's is left out.
template <typename Entry>
bool list_fits(const standin_state &state, const Entry *list, const parameter_spec *specs, unsigned count,
               const char *function, call_problem &problem) {
    bool seen[8] = {};
    for (const Entry *entry = list; entry->name != nullptr; ++entry)
        if (!entry_fits(state, {entry->name, entry->nlen, entry->type, entry->leng}, specs, count, seen, function,
                        problem))
            return false;
    return all_seen(specs, count, seen, problem);
}

// The call-log part every list entry shares: "NAME/nlen TYPE leng".
template <typename Entry>
void log_entry(const standin_state &state, call_line &line, const Entry *entry, bool first) {
    line.append_format("%s%.40s/%u ", first ? "" : ", ", entry->name, entry->nlen);
    append_type(state, line, entry->type);
    line.append_format(" %u", entry->leng);
}

RFC_RC library_failure(standin_state &state, const char *function_name, RFC_HANDLE handle, const char *detail,
                       const standin_system *system) {
    rfc_failure failure = make_failure("RFC_ERROR_PROGRAM", "Invalid call of the RFC library");
    failure.detail.assign(detail);
    set_failure_result(failure, function_name, handle, RFC_FAILURE);
    report_failure(state, failure, system);
    return RFC_FAILURE;
}

void fill_parameter(const standin_system &system, const RFC_PARAMETER &entry) {
    int number = 0;
    const void *source = &number;
    if (strcmp(entry.name, "CURRENT_RESOURCES") == 0) number = 3;
    else if (strcmp(entry.name, "MAXIMAL_RESOURCES") == 0) number = 5;
    else if (strcmp(entry.name, "RECOMMENDED_DELAY") == 0) number = 0;
    else if (strcmp(entry.name, "DIALOG_USER_TYPE") == 0) source = " ";
    else if (strcmp(entry.name, "RFC_LOGIN_COMPLETE") == 0) source = "X";
    else if (strcmp(entry.name, "RFCSI_EXPORT") == 0) source = system.rfcsi;
    else if (strcmp(entry.name, "API_QWCRSSTS_RC") == 0) number = system.api_rc;
    else if (strcmp(entry.name, "DB02_DISPLAYED_INFO") == 0) source = system.db02;
    memcpy(entry.addr, source, entry.leng);
}

const char *other_code_message(int code) {
    switch (code) {
    case RFC_CALL: return "Call of a function module received while waiting for an answer";
    case RFC_INTERNAL_COM: return "Internal communication error";
    case RFC_CLOSED: return "Connection closed by the partner";
    case RFC_TIMEOUT: return "Timeout: no answer from the partner in time";
    default: return "Unexpected return code of the partner";
    }
}

}  // namespace

RFC_RC call_function(standin_state &state, RFC_HANDLE handle, const char *function, const RFC_PARAMETER *exporting,
                     const RFC_TABLE *tables, call_line &line) {
    standin_connection *connection = find_connection(state, handle);
    if (connection == nullptr) return library_failure(state, "RfcCall", handle, "invalid connection handle", nullptr);
    const standin_system &system = connection->system;
    connection->call.active = false;
    if (function == nullptr || function[0] == '\0')
        return library_failure(state, "RfcCall", handle, "no function module name", &system);
    // A slow, hung or crashing system shows it before anything else happens at the call.
    play_call_timing(system, function, line);
    // The system checks an RfcOpen logon when the first call arrives.
    if (refuse_logon_at_call(state, *connection, "RfcCall")) return RFC_FAILURE;
    if (find_fault(system, fault_handler_on_call, function) != nullptr) {
        rfc_failure failure = make_failure("RFC_ERROR_COMMUNICATION", "Connection to partner broken");
        failure.detail.format("connection to partner '%s' broken during the call of %.40s", system.label.c_str(),
                              function);
        set_failure_result(failure, "RfcCall", handle, RFC_FAILURE);
        report_failure(state, failure, &system);
        call_error_handler(state, line, "RfcCall");
        return RFC_FAILURE;
    }
    if (find_fault(system, fault_call_fails, function) != nullptr) {
        rfc_failure failure = make_failure("RFC_ERROR_COMMUNICATION", "Connection to partner broken");
        failure.location.format("SAP-Gateway on host %s / sapgw%02d", system.host.c_str(), system.sysnr);
        failure.detail.format("connection to partner '%s' broken", system.host.c_str());
        set_failure_result(failure, "RfcCall", handle, RFC_FAILURE);
        report_failure(state, failure, &system);
        return RFC_FAILURE;
    }
    bounded_text<200> wrong;
    if (!library_parameters_ok(state, exporting, false, wrong) || !library_tables_ok(state, tables, wrong))
        return library_failure(state, "RfcCall", handle, wrong.c_str(), &system);

    pending_call &call = connection->call;
    call = pending_call{};
    call.active = true;
    call.function.assign(function);
    for (const RFC_TABLE *entry = tables; entry->name != nullptr; ++entry) call.tables[call.table_count++] = entry->ithandle;

    // The system's answer to a call that does not fit is given with RfcReceive.
    const function_spec *spec = find_function(function);
    call_problem problem;
    if (spec == nullptr) {
        problem.message.format("Function module \"%.40s\" not found", function);
    } else if (exporting->name != nullptr) {
        bounded_text<40> shown;
        shown.assign(exporting->name);
        problem.message.assign("Parameter unknown");
        problem.detail.format("%s is not a parameter of %s", shown.c_str(), spec->name);
    } else {
        list_fits(state, tables, spec->tables, spec->table_count, spec->name, problem);
    }
    call.problem_message.assign(problem.message.c_str());
    call.problem.assign(problem.detail.c_str());
    return RFC_OK;
}

RFC_RC receive_function(standin_state &state, RFC_HANDLE handle, const RFC_PARAMETER *importing,
                        const RFC_TABLE *tables, char **exception) {
    standin_connection *connection = find_connection(state, handle);
    if (connection == nullptr)
        return library_failure(state, "RfcReceive", handle, "invalid connection handle", nullptr);
    const standin_system &system = connection->system;
    pending_call &call = connection->call;
    if (!call.active) return library_failure(state, "RfcReceive", handle, "no call to receive", &system);
    call.active = false;
    bounded_text<200> wrong;
    if (!library_parameters_ok(state, importing, true, wrong) || !library_tables_ok(state, tables, wrong))
        return library_failure(state, "RfcReceive", handle, wrong.c_str(), &system);
    int table_count = 0;
    bool same_tables = true;
    for (const RFC_TABLE *entry = tables; entry->name != nullptr; ++entry, ++table_count)
        if (table_count >= call.table_count || call.tables[table_count] != entry->ithandle) same_tables = false;
    if (!same_tables || table_count != call.table_count)
        return library_failure(state, "RfcReceive", handle, "table list differs from the one passed to RfcCall",
                               &system);

    const char *function = call.function.c_str();
    const function_spec *spec = find_function(function);
    call_problem problem;
    if (call.problem_message.empty() && spec != nullptr)
        list_fits(state, importing, spec->importing, spec->importing_count, spec->name, problem);
    else {
        problem.message.assign(call.problem_message.c_str());
        problem.detail.assign(call.problem.c_str());
    }
    if (!problem.message.empty()) {
        rfc_failure failure = make_failure("RFC_ERROR_SYSTEM_FAILURE", problem.message.c_str());
        failure.location.format("SAP-Server %s_%s_%02d on host %s", system.host.c_str(), system.label.c_str(),
                                system.sysnr, system.host.c_str());
        failure.detail.assign(problem.detail.c_str());
        set_failure_result(failure, "RfcReceive", handle, RFC_SYS_EXCEPTION);
        report_failure(state, failure, &system);
        connection->exception.assign("SYSTEM_FAILURE");
        if (exception != nullptr) *exception = connection->exception.data;
        return RFC_SYS_EXCEPTION;
    }

    const standin_fault *fault = find_fault(system, fault_exception, function);
    if (fault == nullptr) fault = find_fault(system, fault_sys_exception, function);
    if (fault != nullptr) {
        bool system_failure = fault->kind == fault_sys_exception;
        int rc = system_failure ? RFC_SYS_EXCEPTION : RFC_EXCEPTION;
        rfc_failure failure =
            make_failure(system_failure ? "RFC_ERROR_SYSTEM_FAILURE" : "RFC_ERROR_APPLICATION", "");
        if (system_failure)
            failure.message.format("System failure in %s: %s", function, fault->name.c_str());
        else
            failure.message.format("Function module %s raised the exception %s", function, fault->name.c_str());
        set_failure_result(failure, "RfcReceive", handle, rc);
        // An exception the module raises is its answer to the call, not an error
        // within the library: it never goes to the error handler.
        if (system_failure)
            report_failure(state, failure, &system);
        else
            report_answer(state, failure, system);
        connection->exception.assign(fault->name.c_str());
        if (exception != nullptr) *exception = connection->exception.data;
        return rc;
    }
    fault = find_fault(system, fault_return_code, function);
    if (fault != nullptr && fault->code != RFC_OK) {
        rfc_failure failure = make_failure("RFC_ERROR_COMMUNICATION", other_code_message(fault->code));
        failure.detail.format("%s ends with return code %d", function, fault->code);
        set_failure_result(failure, "RfcReceive", handle, fault->code);
        report_failure(state, failure, &system);
        return fault->code;
    }
    for (const RFC_PARAMETER *entry = importing; entry->name != nullptr; ++entry) fill_parameter(system, *entry);
    for (const RFC_TABLE *entry = tables; strcmp(function, "DB02_DB4_GET_INFO") == 0 && entry->name != nullptr;
         ++entry) {
        internal_table *table = find_table(state, entry->ithandle);
        bounded_text<30> name;
        name.assign(entry->name, entry->nlen);
        if (table != nullptr) send_table_lines(*table, system, name.c_str());
    }
    return RFC_OK;
}

void log_parameters(const standin_state &state, call_line &line, const char *name, const RFC_PARAMETER *list) {
    line.append_format(" %s=", name);
    if (list == nullptr) {
        line.append("<null>");
        return;
    }
    line.append_char('{');
    for (const RFC_PARAMETER *entry = list; entry->name != nullptr; ++entry) log_entry(state, line, entry, entry == list);
    line.append_char('}');
}

void log_tables(standin_state &state, call_line &line, const char *name, const RFC_TABLE *list) {
    line.append_format(" %s=", name);
    if (list == nullptr) {
        line.append("<null>");
        return;
    }
    line.append_char('{');
    for (const RFC_TABLE *entry = list; entry->name != nullptr; ++entry) {
        log_entry(state, line, entry, entry == list);
        const internal_table *table = find_table(state, entry->ithandle);
        if (table != nullptr)
            line.append_format(" T%d", table->number);
        else
            line.append(entry->ithandle == nullptr ? " <null>" : " <not a table>");
    }
    line.append_char('}');
}
