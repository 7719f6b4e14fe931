// Rows are checked as the library checks them: known type codes, the lengths that
// fixed types must have, packed fields of at most 16 bytes. The library places the
// fields itself, one after another, each integer and float field aligned to its
// size; a row's fifth field is not an offset and is not looked at.
#include "rfc_standin/structures.h"

#include "rfc_standin/error_report.h"
#include "rfc_standin/landscape.h"
#include "rfc_standin/standin_text.h"

#include <cstring>

namespace {

constexpr RFC_TYPEHANDLE first_structure_handle = 100;

// Why a row cannot be installed, or null.
const char *row_problem(const RFC_TYPE_ELEMENT &element) {
    if (element.name == nullptr || element.name[0] == '\0') return "a row without a name";
    if (element.type > TYPINT1 || element.type == TYPTABH) return "a row with an unknown type code";
    if (element.length == 0) return "a row of length 0";
    unsigned fixed = 0;
    switch (element.type) {
    case TYPDATE: fixed = 8; break;
    case TYPTIME: fixed = 6; break;
    case TYPINT:
    case TYPFLOAT: fixed = element.type == TYPINT ? 4 : 8; break;
    case TYPINT2: fixed = 2; break;
    case TYPINT1: fixed = 1; break;
    default: break;
    }
    if (fixed != 0 && element.length != fixed) return "a row whose length does not suit its type";
    if (element.type == TYPP && (element.length > 16 || element.decimals > 2 * element.length - 1))
        return "a packed row with more bytes or decimals than a packed field holds";
    return nullptr;
}

// Where the library places a field that would start at `offset`: integers and
// floats on a multiple of their size, everything else right there.
unsigned aligned(unsigned offset, const RFC_TYPE_ELEMENT &element) {
    unsigned alignment = 1;
    if (element.type == TYPINT || element.type == TYPINT2 || element.type == TYPFLOAT) alignment = element.length;
    return (offset + alignment - 1) / alignment * alignment;
}

bool same_rows(const installed_structure &structure, const char *name, const RFC_TYPE_ELEMENT *elements,
               unsigned entries) {
    if (!structure.name.equals(name) || structure.row_count != entries) return false;
    for (unsigned i = 0; i < entries; ++i) {
        const installed_row &row = structure.rows[i];
        if (!row.name.equals(elements[i].name) || row.type != elements[i].type ||
            row.length != elements[i].length || row.decimals != elements[i].decimals)
            return false;
    }
    return true;
}

RFC_RC install_failed(standin_state &state, const char *name, const char *detail) {
    rfc_failure failure = make_failure("RFC_ERROR_PROGRAM", "RfcInstallStructure failed");
    failure.detail.format("structure %.30s: %s", name != nullptr ? name : "<none>", detail);
    set_failure_result(failure, "RfcInstallStructure", 0, RFC_FAILURE);
    report_failure(state, failure, state.any_opened ? &state.last_opened : nullptr);
    return RFC_FAILURE;
}

}  // namespace

RFC_RC install_structure(standin_state &state, const char *name, const RFC_TYPE_ELEMENT *elements,
                         unsigned entries, RFC_TYPEHANDLE *handle) {
    if (name == nullptr || name[0] == '\0' || strlen(name) > 30) return install_failed(state, name, "no valid name");
    if (handle == nullptr) return install_failed(state, name, "no place for the type handle");
    if (elements == nullptr || entries == 0) return install_failed(state, name, "no rows");
    if (entries > standin_max_rows) return install_failed(state, name, "more rows than the library holds");
    if (state.any_opened && find_fault(state.last_opened, fault_install_fails, name) != nullptr)
        return install_failed(state, name, "installation refused");
    for (unsigned i = 0; i < entries; ++i) {
        const char *problem = row_problem(elements[i]);
        if (problem != nullptr) return install_failed(state, name, problem);
        if (strlen(elements[i].name) > 30) return install_failed(state, name, "a row name longer than 30");
    }
    for (int i = 0; i < state.structure_count; ++i) {
        if (same_rows(state.structures[i], name, elements, entries)) {
            *handle = state.structures[i].handle;
            return RFC_OK;
        }
    }
    if (state.structure_count == standin_max_structures)
        return install_failed(state, name, "more structures than the library holds");
    installed_structure &structure = state.structures[state.structure_count];
    structure = installed_structure{};
    structure.name.assign(name);
    structure.row_count = entries;
    for (unsigned i = 0; i < entries; ++i) {
        installed_row &row = structure.rows[i];
        row.name.assign(elements[i].name);
        row.type = elements[i].type;
        row.length = elements[i].length;
        row.decimals = elements[i].decimals;
        row.offset = aligned(structure.length, elements[i]);
        structure.length = row.offset + row.length;
    }
    structure.handle = first_structure_handle + static_cast<RFC_TYPEHANDLE>(state.structure_count);
    ++state.structure_count;
    *handle = structure.handle;
    return RFC_OK;
}

const installed_structure *find_structure(const standin_state &state, RFC_TYPEHANDLE handle) {
    for (int i = 0; i < state.structure_count; ++i)
        if (state.structures[i].handle == handle) return &state.structures[i];
    return nullptr;
}

bool structure_matches(const installed_structure &structure, const record_layout &layout,
                       structure_problem &problem) {
    if (structure.row_count != layout.count) {
        problem.format("%u rows installed as %.30s, %s has %u", structure.row_count, structure.name.c_str(),
                       layout.name, layout.count);
        return false;
    }
    for (unsigned i = 0; i < layout.count; ++i) {
        const installed_row &row = structure.rows[i];
        const field_layout &field = layout.fields[i];
        if (!row.name.equals(field.name) || row.type != field.type || row.length != field.length ||
            row.decimals != field.decimals) {
            problem.format("row %u is %s %s(%u,%u), %s has %s %s(%u,%u)", i + 1, row.name.c_str(),
                           type_code_name(row.type), row.length, row.decimals, layout.name, field.name,
                           type_code_name(field.type), field.length, field.decimals);
            return false;
        }
    }
    return true;
}
