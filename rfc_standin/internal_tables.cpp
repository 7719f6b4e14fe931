// ItCreate has no connection handle, so its faults follow the system opened last;
// ItDelete and ItGetLine follow the same system, by the name the table was created with.
#include "rfc_standin/internal_tables.h"

#include "rfc_standin/error_report.h"
#include "rfc_standin/landscape.h"

#include <cstring>

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

unsigned table_fill(standin_state &state, ITAB_H handle) {
    internal_table *table = find_table(state, handle);
    if (table == nullptr) {
        report_table_failure(state, "ItFill", "ItFill: not a table handle of this library", 0);
        return 0;
    }
    return table->line_count;
}

void *table_line_address(standin_state &state, ITAB_H handle, unsigned line) {
    internal_table *table = find_table(state, handle);
    if (table == nullptr) {
        report_table_failure(state, "ItGetLine", "ItGetLine: not a table handle of this library", 0);
        return nullptr;
    }
    if (line == 0 || line > table->line_count || faulted(state, fault_itgetline_fails, table->name.c_str()))
        return nullptr;
    return table->lines[line - 1];
}

namespace {

// The next character of UTF-8 `text` at `*at` (moved past it) as ISO-8859-1: '#' for
// one beyond it, and a byte that starts no valid sequence taken as it is.
unsigned char next_latin1(const unsigned char *text, size_t length, size_t *at) {
    unsigned char lead = text[*at];
    size_t count = lead < 0x80 ? 1 : (lead >= 0xC2 && lead <= 0xDF) ? 2 : (lead >= 0xE0 && lead <= 0xEF) ? 3
                                   : (lead >= 0xF0 && lead <= 0xF4) ? 4 : 0;
    bool whole = count > 0 && *at + count <= length;
    for (size_t i = 1; whole && i < count; ++i) whole = (text[*at + i] & 0xC0) == 0x80;
    if (!whole) {
        ++*at;
        return lead;
    }
    *at += count;
    if (count == 1) return lead;
    unsigned code = count == 2 ? ((lead & 0x1Fu) << 6) | (text[*at - 1] & 0x3Fu) : 0x100;
    return code <= 0xFF ? static_cast<unsigned char>(code) : '#';
}

}  // namespace

void send_table_lines(internal_table &table, const standin_system &system, const char *name) {
    table.line_count = 0;
    if (table.line_length > standin_max_line_length) return;
    for (int l = 0; l < system.table_line_count && table.line_count < standin_max_table_lines; ++l) {
        const ::table_line &source = system.table_lines[l];
        if (!source.table.equals(name)) continue;
        unsigned char *line = table.lines[table.line_count++];
        memset(line, ' ', table.line_length);
        const unsigned char *text = reinterpret_cast<const unsigned char *>(source.text.c_str());
        size_t at = 0;
        for (unsigned i = 0; i < table.line_length && at < source.text.size(); ++i)
            line[i] = next_latin1(text, source.text.size(), &at);
    }
}
