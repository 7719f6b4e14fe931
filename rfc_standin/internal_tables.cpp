// ItCreate has no connection handle, so its faults follow the system opened last;
// ItDelete follows the same system, by the name the table was created with.
#include "rfc_standin/internal_tables.h"

#include "rfc_standin/error_report.h"
#include "rfc_standin/landscape.h"

namespace {

// The system whose faults and trace a table operation follows; null before any logon.
const standin_system *current_system(const standin_state &state) {
    return state.any_opened ? &state.last_opened : nullptr;
}

bool faulted(const standin_state &state, fault_kind kind, const char *name) {
    return state.any_opened && find_fault(state.last_opened, kind, name) != nullptr;
}

void report_table_failure(standin_state &state, const char *function, const char *detail, int rc) {
    rfc_failure failure = make_failure("RFC_ERROR_RESOURCE", "Internal table operation failed");
    failure.detail.assign(detail);
    failure.api.format("%s : returns %d", function, rc);
    report_failure(state, failure, current_system(state));
}

}  // namespace

internal_table *find_table(standin_state &state, ITAB_H table) {
    for (internal_table &candidate : state.tables)
        if (table == static_cast<void *>(&candidate) && candidate.in_use) return &candidate;
    return nullptr;
}

ITAB_H create_table(standin_state &state, const char *name, unsigned leng) {
    bounded_text<120> detail;
    if (name == nullptr || name[0] == '\0') {
        report_table_failure(state, "ItCreate", "ItCreate: table without a name", 0);
        return nullptr;
    }
    if (leng == 0) {
        detail.format("ItCreate %.30s: line length 0", name);
        report_table_failure(state, "ItCreate", detail.c_str(), 0);
        return nullptr;
    }
    if (faulted(state, fault_itcreate_fails, name)) {
        detail.format("ItCreate %.30s: no memory for the table", name);
        report_table_failure(state, "ItCreate", detail.c_str(), 0);
        return nullptr;
    }
    for (internal_table &table : state.tables) {
        if (table.in_use) continue;
        table = internal_table{};
        table.in_use = true;
        table.number = ++state.table_number;
        table.name.assign(name);
        table.line_length = leng;
        return &table;
    }
    detail.format("ItCreate %.30s: all %d tables of this library in use", name, standin_max_tables);
    report_table_failure(state, "ItCreate", detail.c_str(), 0);
    return nullptr;
}

int delete_table(standin_state &state, ITAB_H handle) {
    internal_table *table = find_table(state, handle);
    bounded_text<120> detail;
    if (table == nullptr) {
        report_table_failure(state, "ItDelete", "ItDelete: not a table handle of this library", 1);
        return 1;
    }
    if (faulted(state, fault_itdelete_fails, table->name.c_str())) {
        detail.format("ItDelete %s: table is locked", table->name.c_str());
        report_table_failure(state, "ItDelete", detail.c_str(), 1);
        return 1;
    }
    table->in_use = false;
    return 0;
}
