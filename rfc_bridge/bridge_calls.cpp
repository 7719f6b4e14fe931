// One description per call, destroyed after it: the caller's lists may differ from
// call to call, and building a description is cheap next to the round trip.
// Structure type descriptions are made once and kept for the process.
#include "rfc_bridge/bridge_calls.h"

#include "rfc_bridge/bridge_fields.h"
#include "rfc_bridge/bridge_logon.h"
#include "rfc_bridge/bridge_report.h"
#include "rfc_bridge/return_codes.h"
#include "rfc_bridge/system_descriptions.h"
#include "rfc_bridge/text_conversion.h"

#include <cstring>

using namespace nwrfc;

namespace {

bridge_structure *find_structure(bridge_state &state, RFC_TYPEHANDLE handle) {
    for (int i = 0; i < state.structure_count; ++i)
        if (state.structures[i].handle == handle) return &state.structures[i];
    return nullptr;
}

bridge_table *find_table(bridge_state &state, ITAB_H handle) {
    for (bridge_table &table : state.tables)
        if (table.in_use && static_cast<void *>(&table) == handle) return &table;
    return nullptr;
}

void report_call_problem(bridge_state &state, const char *api, RFC_HANDLE handle, int rc, const char *problem) {
    bridge_failure failure = make_bridge_failure("RFC_ERROR_PROGRAM", "call not carried by the bridge");
    failure.detail.assign(problem);
    failure.component = "RFC bridge";
    set_result(failure, api, handle, rc);
    report_failure(state, failure);
}

// A classic name of `length` characters (not terminated) as UTF-16.
void wide_name(const char *name, unsigned length, char16_t (&out)[31]) {
    bounded_text<30> text;
    text.assign(name, length);
    latin1_to_utf16_text(text.c_str(), out, 31);
}

// The structure's NetWeaver type description, made on first use.
RFC_TYPE_DESC_HANDLE type_of(bridge_state &state, bridge_structure &structure, nwrfc::RFC_ERROR_INFO &info) {
    if (structure.nw_type != nullptr) return structure.nw_type;
    char16_t name[31];
    latin1_to_utf16_text(structure.layout.name.c_str(), name, 31);
    RFC_TYPE_DESC_HANDLE type = state.nw.RfcCreateTypeDesc(name, &info);
    if (type == nullptr) return nullptr;
    for (unsigned i = 0; i < structure.layout.count; ++i) {
        const classic_field &field = structure.layout.fields[i];
        RFC_FIELD_DESC description = {};
        latin1_to_utf16_text(field.name.c_str(), description.name, 31);
        description.type = netweaver_type(field.type);
        description.nucLength = field.length;
        description.nucOffset = field.offset;
        description.ucLength = field.uc_length;
        description.ucOffset = field.uc_offset;
        description.decimals = field.decimals;
        if (state.nw.RfcAddTypeField(type, &description, &info) != nwrfc::RFC_OK) {
            nwrfc::RFC_ERROR_INFO ignored;
            state.nw.RfcDestroyTypeDesc(type, &ignored);
            return nullptr;
        }
    }
    if (state.nw.RfcSetTypeLength(type, structure.layout.length, structure.layout.uc_length, &info) != nwrfc::RFC_OK) {
        nwrfc::RFC_ERROR_INFO ignored;
        state.nw.RfcDestroyTypeDesc(type, &ignored);
        return nullptr;
    }
    structure.nw_type = type;
    return type;
}

// Adds one parameter or table to the description; false with `info` filled.
bool add_parameter(bridge_state &state, RFC_FUNCTION_DESC_HANDLE function, const char *name, unsigned name_length,
                   RFC_TYPEHANDLE type, unsigned length, RFC_DIRECTION direction, nwrfc::RFC_ERROR_INFO &info) {
    RFC_PARAMETER_DESC description = {};
    wide_name(name, name_length, description.name);
    description.direction = direction;
    if (type <= TYPINT1 && type != TYPTABH && direction != RFC_TABLES) {
        flat_type flat = {type, length, 0};
        description.type = netweaver_type(type);
        description.nucLength = length;
        description.ucLength = unicode_length(flat);
    } else {
        bridge_structure *structure = find_structure(state, type);
        if (structure == nullptr) {
            set_own_error(info, RFC_INVALID_PARAMETER, "type handle was never installed");
            return false;
        }
        if (length < structure->layout.length) {
            bounded_text<200> message;
            message.format("%.*s passed with length %u, structure %s needs %u",
                           static_cast<int>(name_length < 30 ? name_length : 30), name, length,
                           structure->layout.name.c_str(), structure->layout.length);
            set_own_error(info, RFC_INVALID_PARAMETER, message.c_str());
            return false;
        }
        description.type = direction == RFC_TABLES ? RFCTYPE_TABLE : RFCTYPE_STRUCTURE;
        description.typeDescHandle = type_of(state, *structure, info);
        if (description.typeDescHandle == nullptr) return false;
        description.nucLength = structure->layout.length;
        description.ucLength = structure->layout.uc_length;
    }
    return state.nw.RfcAddParameter(function, &description, &info) == nwrfc::RFC_OK;
}

// Moves one record between the caller's `room` bytes and a structure container. A field
// that begins beyond `room` is left out, one that reaches past it is cut there (read
// whole, then cut), as the classic library cut a record longer than the installed one;
// towards the system only whole fields go, the others keep their initial values.
nwrfc::RFC_RC move_record(bridge_state &state, DATA_CONTAINER_HANDLE container, const classic_layout &layout,
                          unsigned char *record, unsigned room, bool to_caller, nwrfc::RFC_ERROR_INFO &info) {
    static unsigned char cut_field[65536];
    for (unsigned i = 0; i < layout.count; ++i) {
        const classic_field &field = layout.fields[i];
        if (field.offset >= room) continue;
        bool whole = field.length <= room - field.offset;
        if (!to_caller && !whole) continue;
        if (field.type == classic_type_not_carried) {
            bounded_text<200> message;
            message.format("field %s of %s has a type the classic record never had", field.name.c_str(),
                           layout.name.c_str());
            set_own_error(info, RFC_CONVERSION_FAILURE, message.c_str());
            return RFC_CONVERSION_FAILURE;
        }
        char16_t name[31];
        latin1_to_utf16_text(field.name.c_str(), name, 31);
        flat_type flat = {field.type, field.length, field.decimals};
        unsigned char *bytes = whole ? record + field.offset : cut_field;
        nwrfc::RFC_RC rc = to_caller ? get_field(state.nw, container, name, flat, bytes, info)
                                     : set_field(state.nw, container, name, flat, bytes, info);
        if (rc != nwrfc::RFC_OK) return rc;
        if (!whole) memcpy(record + field.offset, cut_field, room - field.offset);
    }
    return nwrfc::RFC_OK;
}

// The system's record of the parameter being moved: one parameter at a time, since the
// bridge runs on one thread. Kept at namespace scope: a local static of this type would
// cost a guard, and with it the whole C++ runtime library loaded into every process
// that loads the bridge.
classic_layout system_layout;

// The layout of the structure or table parameter `name` in this call: the caller's
// installed structure with a locally built description (`system` null), else the
// system's record as its description `system` has it.
const classic_layout *layout_in_call(bridge_state &state, RFC_FUNCTION_DESC_HANDLE system, const char16_t *name,
                                     const bridge_structure &structure, nwrfc::RFC_ERROR_INFO &info) {
    if (system == nullptr) return &structure.layout;
    classic_layout &layout = system_layout;
    RFC_PARAMETER_DESC parameter = {};
    if (state.nw.RfcGetParameterDescByName(system, name, &parameter, &info) != nwrfc::RFC_OK) return nullptr;
    bounded_text<200> problem;
    if (parameter.type != RFCTYPE_STRUCTURE && parameter.type != RFCTYPE_TABLE)
        problem.assign("no structure or table in the system's description");
    if (problem.empty() && layout_of_system_type(state.nw, parameter.typeDescHandle, layout, problem)) {
        layout.name = structure.layout.name;
        return &layout;
    }
    bounded_text<240> message;
    message.format("%s: %s", structure.layout.name.c_str(), problem.c_str());
    set_own_error(info, RFC_CONVERSION_FAILURE, message.c_str());
    return nullptr;
}

// Every live table's rows moved out, the arena is free again.
void release_arena_if_unused(bridge_state &state) {
    for (const bridge_table &table : state.tables)
        if (table.in_use && table.row_count > 0) return;
    state.row_arena_used = 0;
}

nwrfc::RFC_RC receive_table(bridge_state &state, RFC_FUNCTION_HANDLE function, RFC_FUNCTION_DESC_HANDLE system,
                            const RFC_TABLE &entry, nwrfc::RFC_ERROR_INFO &info) {
    bridge_table *table = find_table(state, entry.ithandle);
    bridge_structure *structure = find_structure(state, entry.type);
    char16_t name[31];
    wide_name(entry.name, entry.nlen, name);
    const classic_layout *layout = layout_in_call(state, system, name, *structure, info);
    if (layout == nullptr) return info.code != nwrfc::RFC_OK ? info.code : RFC_INVALID_PARAMETER;
    RFC_TABLE_HANDLE rows;
    nwrfc::RFC_RC rc = state.nw.RfcGetTable(function, name, &rows, &info);
    if (rc != nwrfc::RFC_OK) return rc;
    unsigned count = 0;
    rc = state.nw.RfcGetRowCount(rows, &count, &info);
    if (rc != nwrfc::RFC_OK) return rc;
    table->rows = nullptr;
    table->row_count = 0;
    release_arena_if_unused(state);
    unsigned long long bytes = static_cast<unsigned long long>(count) * table->line_length;
    if (bytes > bridge_row_arena_bytes - state.row_arena_used) {
        bounded_text<200> message;
        message.format("table %.30s: %u rows exceed the bridge's row storage", table->name.c_str(), count);
        set_own_error(info, RFC_MEMORY_INSUFFICIENT, message.c_str());
        return RFC_MEMORY_INSUFFICIENT;
    }
    table->rows = row_arena() + state.row_arena_used;
    state.row_arena_used += static_cast<unsigned>(bytes);
    memset(table->rows, 0, static_cast<size_t>(bytes));
    for (unsigned i = 0; i < count; ++i) {
        rc = state.nw.RfcMoveTo(rows, i, &info);
        if (rc != nwrfc::RFC_OK) return rc;
        RFC_STRUCTURE_HANDLE row = state.nw.RfcGetCurrentRow(rows, &info);
        if (row == nullptr) return info.code != nwrfc::RFC_OK ? info.code : RFC_ILLEGAL_STATE;
        rc = move_record(state, row, *layout, table->rows + static_cast<size_t>(i) * table->line_length,
                         table->line_length, true, info);
        if (rc != nwrfc::RFC_OK) return rc;
        table->row_count = i + 1;
    }
    return nwrfc::RFC_OK;
}

nwrfc::RFC_RC send_table(bridge_state &state, RFC_FUNCTION_HANDLE function, RFC_FUNCTION_DESC_HANDLE system,
                         const RFC_TABLE &entry, nwrfc::RFC_ERROR_INFO &info) {
    bridge_table *table = find_table(state, entry.ithandle);
    bridge_structure *structure = find_structure(state, entry.type);
    if (table->row_count == 0) return nwrfc::RFC_OK;
    char16_t name[31];
    wide_name(entry.name, entry.nlen, name);
    const classic_layout *layout = layout_in_call(state, system, name, *structure, info);
    if (layout == nullptr) return info.code != nwrfc::RFC_OK ? info.code : RFC_INVALID_PARAMETER;
    RFC_TABLE_HANDLE rows;
    nwrfc::RFC_RC rc = state.nw.RfcGetTable(function, name, &rows, &info);
    for (unsigned i = 0; rc == nwrfc::RFC_OK && i < table->row_count; ++i) {
        RFC_STRUCTURE_HANDLE row = state.nw.RfcAppendNewRow(rows, &info);
        if (row == nullptr) return info.code != nwrfc::RFC_OK ? info.code : RFC_ILLEGAL_STATE;
        rc = move_record(state, row, *layout, table->rows + static_cast<size_t>(i) * table->line_length,
                         table->line_length, false, info);
    }
    return rc;
}

// Checks a table list: each table ours and its line type installed.
bool tables_usable(bridge_state &state, const RFC_TABLE *tables, bounded_text<200> &problem) {
    for (const RFC_TABLE *entry = tables; entry != nullptr && entry->name != nullptr; ++entry) {
        bridge_table *table = find_table(state, entry->ithandle);
        bridge_structure *structure = find_structure(state, entry->type);
        if (table == nullptr) {
            problem.format("table %.*s: not a table of ItCreate", static_cast<int>(entry->nlen < 30 ? entry->nlen : 30),
                           entry->name);
            return false;
        }
        if (structure == nullptr || structure->layout.length > table->line_length) {
            problem.format("table %.*s: line type not installed or longer than the table's lines",
                           static_cast<int>(entry->nlen < 30 ? entry->nlen : 30), entry->name);
            return false;
        }
    }
    return true;
}

// The call's description built from the caller's lists and installed structures; null
// with `info` filled when SAP's library refuses a part of it.
RFC_FUNCTION_DESC_HANDLE describe_locally(bridge_state &state, const bridge_connection &connection,
                                          const RFC_PARAMETER *importing, const RFC_TABLE *tables,
                                          nwrfc::RFC_ERROR_INFO &info) {
    char16_t name[31];
    latin1_to_utf16_text(connection.function.c_str(), name, 31);
    RFC_FUNCTION_DESC_HANDLE description = state.nw.RfcCreateFunctionDesc(name, &info);
    bool built = description != nullptr;
    for (int i = 0; built && i < connection.exporting_count; ++i) {
        const sent_parameter &sent = connection.exporting[i];
        built = add_parameter(state, description, sent.name.c_str(), static_cast<unsigned>(sent.name.size()), sent.type,
                              sent.length, RFC_IMPORT, info);
    }
    for (const RFC_PARAMETER *entry = importing; built && entry != nullptr && entry->name != nullptr; ++entry)
        built = add_parameter(state, description, entry->name, entry->nlen, entry->type, entry->leng, RFC_EXPORT, info);
    for (const RFC_TABLE *entry = tables; built && entry != nullptr && entry->name != nullptr; ++entry)
        built = add_parameter(state, description, entry->name, entry->nlen, entry->type, entry->leng, RFC_TABLES, info);
    if (built) return description;
    nwrfc::RFC_ERROR_INFO ignored;
    if (description != nullptr) state.nw.RfcDestroyFunctionDesc(description, &ignored);
    return nullptr;
}

// One round trip with `description`: exporting values and table rows in, the call,
// then importing values and rows out. `system` is the description when it is the
// system's own (records laid out as the system has them), null for a local one.
nwrfc::RFC_RC invoke(bridge_state &state, bridge_connection &connection, RFC_FUNCTION_DESC_HANDLE description,
                     RFC_FUNCTION_DESC_HANDLE system, const RFC_PARAMETER *importing, const RFC_TABLE *tables,
                     nwrfc::RFC_ERROR_INFO &info) {
    RFC_FUNCTION_HANDLE function = state.nw.RfcCreateFunction(description, &info);
    nwrfc::RFC_RC rc = function != nullptr ? nwrfc::RFC_OK : (info.code != nwrfc::RFC_OK ? info.code : RFC_INVALID_PARAMETER);
    for (int i = 0; rc == nwrfc::RFC_OK && i < connection.exporting_count; ++i) {
        const sent_parameter &sent = connection.exporting[i];
        char16_t parameter[31];
        latin1_to_utf16_text(sent.name.c_str(), parameter, 31);
        unsigned char *value = connection.exporting_values + sent.offset;
        bridge_structure *structure = find_structure(state, sent.type);
        if (structure == nullptr) {
            flat_type flat = {sent.type, sent.length, 0};
            rc = set_field(state.nw, function, parameter, flat, value, info);
            continue;
        }
        const classic_layout *layout = layout_in_call(state, system, parameter, *structure, info);
        RFC_STRUCTURE_HANDLE record;
        rc = layout != nullptr ? state.nw.RfcGetStructure(function, parameter, &record, &info) : RFC_INVALID_PARAMETER;
        if (rc == nwrfc::RFC_OK) rc = move_record(state, record, *layout, value, sent.length, false, info);
    }
    for (const RFC_TABLE *entry = tables; rc == nwrfc::RFC_OK && entry != nullptr && entry->name != nullptr; ++entry)
        rc = send_table(state, function, system, *entry, info);
    if (rc == nwrfc::RFC_OK) {
        rc = state.nw.RfcInvoke(connection.nw, function, &info);
        // After these SAP's library has closed the connection itself: its handle is
        // never used again, not even to close it.
        if (rc == RFC_COMMUNICATION_FAILURE || rc == RFC_ABAP_RUNTIME_FAILURE || rc == RFC_ABAP_MESSAGE) {
            connection.nw = nullptr;
            connection.closed_by_library = true;
        }
    }
    for (const RFC_PARAMETER *entry = importing; rc == nwrfc::RFC_OK && entry != nullptr && entry->name != nullptr; ++entry) {
        char16_t parameter[31];
        wide_name(entry->name, entry->nlen, parameter);
        unsigned char *target = static_cast<unsigned char *>(entry->addr);
        bridge_structure *structure = find_structure(state, entry->type);
        if (target == nullptr) continue;
        if (structure == nullptr) {
            flat_type flat = {entry->type, entry->leng, 0};
            rc = get_field(state.nw, function, parameter, flat, target, info);
            continue;
        }
        const classic_layout *layout = layout_in_call(state, system, parameter, *structure, info);
        RFC_STRUCTURE_HANDLE record;
        rc = layout != nullptr ? state.nw.RfcGetStructure(function, parameter, &record, &info) : RFC_INVALID_PARAMETER;
        if (rc == nwrfc::RFC_OK) rc = move_record(state, record, *layout, target, entry->leng, true, info);
    }
    for (const RFC_TABLE *entry = tables; rc == nwrfc::RFC_OK && entry != nullptr && entry->name != nullptr; ++entry)
        rc = receive_table(state, function, system, *entry, info);
    nwrfc::RFC_ERROR_INFO ignored;
    if (function != nullptr) state.nw.RfcDestroyFunction(function, &ignored);
    return rc;
}

}  // namespace

::RFC_RC install_structure(bridge_state &state, const char *name, const RFC_TYPE_ELEMENT *elements, unsigned entries,
                         RFC_TYPEHANDLE *handle) {
    bridge_structure candidate = {};
    bounded_text<200> problem;
    if (handle == nullptr) problem.assign("no place for the type handle");
    if (handle == nullptr || !lay_out_record(name, elements, entries, candidate.layout, problem)) {
        report_call_problem(state, "RfcInstallStructure", 0, 1, problem.c_str());
        return 1;
    }
    for (int i = 0; i < state.structure_count; ++i) {
        const classic_layout &known = state.structures[i].layout;
        if (!known.name.equals(candidate.layout.name.c_str()) || known.count != candidate.layout.count) continue;
        bool same = true;
        for (unsigned f = 0; f < known.count && same; ++f)
            same = known.fields[f].type == candidate.layout.fields[f].type &&
                   known.fields[f].length == candidate.layout.fields[f].length &&
                   known.fields[f].decimals == candidate.layout.fields[f].decimals &&
                   known.fields[f].name.equals(candidate.layout.fields[f].name.c_str());
        if (same) {
            *handle = state.structures[i].handle;
            return 0;
        }
    }
    if (state.structure_count == bridge_max_structures) {
        report_call_problem(state, "RfcInstallStructure", 0, 1, "more than 16 structures installed");
        return 1;
    }
    candidate.handle = bridge_first_structure_handle + static_cast<RFC_TYPEHANDLE>(state.structure_count);
    state.structures[state.structure_count++] = candidate;
    *handle = candidate.handle;
    return 0;
}

::RFC_RC send_call(bridge_state &state, RFC_HANDLE handle, const char *function, const RFC_PARAMETER *exporting,
                 const RFC_TABLE *tables) {
    bridge_connection *connection = find_connection(state, handle);
    if (connection == nullptr) {
        bounded_text<80> operation;
        operation.format("RfcCall: unknown handle %u", handle);
        call_error_handler(state, operation.c_str());
        return 1;
    }
    if (connection->refused) {
        // The refused logon surfaces now, as the classic library reports it.
        bridge_failure failure = connection->refusal;
        set_result(failure, "RfcCall", handle, 1);
        report_failure(state, failure);
        return 1;
    }
    if (connection->closed_by_library) {
        bridge_failure failure =
            make_bridge_failure("RFC_ERROR_COMMUNICATION", "connection closed by SAP's library after a failure");
        failure.component = "RFC bridge";
        set_result(failure, "RfcCall", handle, 1);
        report_failure(state, failure);
        return 1;
    }
    bounded_text<200> problem;
    if (function == nullptr || function[0] == '\0' || !connection->function.assign(function))
        problem.assign("no function module name, or one longer than 30 characters");
    connection->exporting_count = 0;
    connection->exporting_used = 0;
    for (const RFC_PARAMETER *entry = exporting; problem.empty() && entry != nullptr && entry->name != nullptr; ++entry) {
        if (connection->exporting_count == bridge_max_exporting ||
            entry->leng > bridge_exporting_bytes - connection->exporting_used) {
            problem.assign("exporting parameters exceed the bridge's storage");
            break;
        }
        if (entry->type > TYPINT1 && find_structure(state, entry->type) == nullptr) {
            problem.format("exporting %.*s: type handle %u was never installed",
                           static_cast<int>(entry->nlen < 30 ? entry->nlen : 30), entry->name, entry->type);
            break;
        }
        sent_parameter &sent = connection->exporting[connection->exporting_count++];
        sent.name.assign(entry->name, entry->nlen);
        sent.type = entry->type;
        sent.length = entry->leng;
        sent.offset = connection->exporting_used;
        if (entry->leng > 0 && entry->addr != nullptr)
            memcpy(connection->exporting_values + sent.offset, entry->addr, entry->leng);
        connection->exporting_used += entry->leng;
    }
    if (problem.empty()) tables_usable(state, tables, problem);
    if (!problem.empty()) {
        connection->call_sent = false;
        report_call_problem(state, "RfcCall", handle, 1, problem.c_str());
        return 1;
    }
    connection->call_sent = true;
    return 0;
}

::RFC_RC receive_call(bridge_state &state, RFC_HANDLE handle, const RFC_PARAMETER *importing, const RFC_TABLE *tables,
                    char **exception) {
    bridge_connection *connection = find_connection(state, handle);
    if (connection == nullptr) {
        bounded_text<80> operation;
        operation.format("RfcReceive: unknown handle %u", handle);
        call_error_handler(state, operation.c_str());
        return 1;
    }
    bounded_text<200> problem;
    if (!connection->call_sent || connection->refused) problem.assign("no call sent on this connection");
    if (problem.empty()) tables_usable(state, tables, problem);
    if (!problem.empty()) {
        report_call_problem(state, "RfcReceive", handle, 1, problem.c_str());
        return 1;
    }
    connection->call_sent = false;

    nwrfc::RFC_ERROR_INFO info = {};
    const char *function = connection->function.c_str();
    nwrfc::RFC_RC rc;
    RFC_FUNCTION_DESC_HANDLE system = looked_up_description_of(state, *connection, function);
    if (system != nullptr) {
        rc = invoke(state, *connection, system, system, importing, tables, info);
    } else {
        RFC_FUNCTION_DESC_HANDLE local = describe_locally(state, *connection, importing, tables, info);
        rc = local != nullptr ? invoke(state, *connection, local, nullptr, importing, tables, info)
                              : (info.code != nwrfc::RFC_OK ? info.code : RFC_INVALID_PARAMETER);
        nwrfc::RFC_ERROR_INFO ignored;
        if (local != nullptr) state.nw.RfcDestroyFunctionDesc(local, &ignored);
        // SAP's library refused the description built from the caller's structures
        // (the system's records are longer): once more with the system's own.
        if (local != nullptr && refused_for_description(rc, info) && !connection->closed_by_library) {
            info = nwrfc::RFC_ERROR_INFO{};
            system = look_up_description(state, *connection, function, info);
            rc = system != nullptr ? invoke(state, *connection, system, system, importing, tables, info)
                                   : (info.code != nwrfc::RFC_OK ? info.code : RFC_UNKNOWN_ERROR);
        }
    }
    if (rc == nwrfc::RFC_OK) return 0;

    if (info.code == nwrfc::RFC_OK) info.code = rc;
    int classic = classic_return_code(rc, info.group);
    if (classic == RFC_EXCEPTION || classic == RFC_SYS_EXCEPTION) {
        // An ABAP exception's name is the caller's exception; a runtime failure or an
        // ABAP message is SYSTEM_FAILURE, as the classic library reported it (SAP's
        // library gives the dump's name as the key: that stays in the message).
        char key[128];
        utf16_to_latin1_text(info.key, key, sizeof key);
        connection->exception.assign(classic == RFC_EXCEPTION && key[0] != '\0' ? key : "SYSTEM_FAILURE");
        if (exception != nullptr) *exception = connection->exception.data;
    }
    bridge_failure failure = failure_from_netweaver(info);
    set_result(failure, "RfcReceive", handle, classic);
    report_failure(state, failure);
    return classic;
}

ITAB_H create_table(bridge_state &state, const char *name, unsigned leng) {
    bounded_text<200> problem;
    if (name == nullptr || leng == 0) problem.assign("ItCreate needs a name and a line length");
    for (bridge_table &table : state.tables) {
        if (!problem.empty()) break;
        if (table.in_use) continue;
        table = bridge_table{};
        table.in_use = true;
        table.name.assign(name);
        table.line_length = leng;
        return &table;
    }
    if (problem.empty()) problem.format("more than %d internal tables", bridge_max_tables);
    report_call_problem(state, "ItCreate", 0, 1, problem.c_str());
    return nullptr;
}

int delete_table(bridge_state &state, ITAB_H handle) {
    bridge_table *table = find_table(state, handle);
    if (table == nullptr) {
        report_call_problem(state, "ItDelete", 0, 1, "not a table of ItCreate");
        return 1;
    }
    *table = bridge_table{};
    release_arena_if_unused(state);
    return 0;
}

unsigned table_fill(bridge_state &state, ITAB_H handle) {
    const bridge_table *table = find_table(state, handle);
    if (table == nullptr) {
        report_call_problem(state, "ItFill", 0, 1, "not a table of ItCreate");
        return 0;
    }
    return table->row_count;
}

void *table_line_address(bridge_state &state, ITAB_H handle, unsigned line) {
    const bridge_table *table = find_table(state, handle);
    if (table == nullptr) {
        report_call_problem(state, "ItGetLine", 0, 1, "not a table of ItCreate");
        return nullptr;
    }
    if (line == 0 || line > table->row_count) return nullptr;
    return table->rows + static_cast<size_t>(line - 1) * table->line_length;
}
