// The system's records are laid out as SAP's dictionary lays them out: one byte per
// character in the non-Unicode layout, two in the Unicode one, each field aligned to
// its type there. Built with the same pools as the caller's descriptions, and never
// freed: a cached description lives as long as the library.
#include "nwrfc_standin/system_descriptions.h"

#include "rfc_standin/record_layouts.h"

#include <cstdlib>
#include <cstring>

using namespace nwrfc;

namespace {

// RFCSI of today: the first 17 fields as before, then the 44 characters that were
// RFCSI_RESV split into RFCHOST2 and a shorter RFCSI_RESV, and RFCIPV6ADDR beyond.
const field_layout rfcsi_today_tail[] = {
    {"RFCHOST2", TYPC, 32, 0, 156}, {"RFCSI_RESV", TYPC, 12, 0, 188}, {"RFCIPV6ADDR", TYPC, 45, 0, 200}};
const field_layout missobj_today[] = {{"NAME", TYPC, 60, 0, 0}};
// A newer release's DB02INFDB4 goes on after the older record's 120 bytes.
const field_layout db02infdb4_today_tail[] = {{"IASP_CNT", TYPINT, 4, 0, 120}, {"IASP_TOT_S", TYPP, 8, 1, 124}};

struct system_record {
    const char *name;
    const record_layout *classic;  // the older record the simulated system fills
    unsigned classic_fields;       // its fields that the record of today keeps
    const field_layout *tail;      // the fields of today after them
    unsigned tail_count;
    unsigned length;
};

const system_record records[] = {
    {"RFCSI", &rfcsi_layout, 17, rfcsi_today_tail, 3, 245},
    {"DB02INFDB4", &db02infdb4_layout, 21, db02infdb4_today_tail, 2, 132},
    {"MISSOBJ", &missobj_layout, 0, missobj_today, 1, 60},
};

struct system_parameter {
    const char *name;
    RFCTYPE type;
    RFC_DIRECTION direction;
    unsigned length;       // for a flat parameter
    const char *record;    // for a structure or table
};

const system_parameter system_info_parameters[] = {
    {"CURRENT_RESOURCES", RFCTYPE_INT, RFC_EXPORT, 4, nullptr},
    {"DIALOG_USER_TYPE", RFCTYPE_CHAR, RFC_EXPORT, 1, nullptr},
    {"MAXIMAL_RESOURCES", RFCTYPE_INT, RFC_EXPORT, 4, nullptr},
    {"RECOMMENDED_DELAY", RFCTYPE_INT, RFC_EXPORT, 4, nullptr},
    {"RFCSI_EXPORT", RFCTYPE_STRUCTURE, RFC_EXPORT, 0, "RFCSI"},
    {"RFC_LOGIN_COMPLETE", RFCTYPE_CHAR, RFC_EXPORT, 1, nullptr},
};

const system_parameter db4_info_parameters[] = {
    {"API_QWCRSSTS_RC", RFCTYPE_INT, RFC_EXPORT, 4, nullptr},
    {"DB02_DISPLAYED_INFO", RFCTYPE_STRUCTURE, RFC_EXPORT, 0, "DB02INFDB4"},
    {"ADDTL_INDEX", RFCTYPE_TABLE, RFC_TABLES, 0, "MISSOBJ"},
    {"ADDTL_TABLES", RFCTYPE_TABLE, RFC_TABLES, 0, "MISSOBJ"},
    {"ADDTL_VIEWS", RFCTYPE_TABLE, RFC_TABLES, 0, "MISSOBJ"},
    {"MISS_INDEX", RFCTYPE_TABLE, RFC_TABLES, 0, "MISSOBJ"},
    {"MISS_TABLES", RFCTYPE_TABLE, RFC_TABLES, 0, "MISSOBJ"},
    {"MISS_VIEWS", RFCTYPE_TABLE, RFC_TABLES, 0, "MISSOBJ"},
};

struct system_function {
    const char *name;
    const system_parameter *parameters;
    unsigned count;
    RFC_FUNCTION_DESC_HANDLE cached;
};

system_function system_functions[] = {
    {"RFC_SYSTEM_INFO", system_info_parameters, 6, nullptr},
    {"DB02_DB4_GET_INFO", db4_info_parameters, 8, nullptr},
};

RFC_TYPE_DESC_HANDLE cached_types[3];

void widen(const char *name, SAP_UC *out, unsigned capacity) {
    unsigned i = 0;
    for (; name[i] != '\0' && i + 1 < capacity; ++i) out[i] = static_cast<unsigned char>(name[i]);
    out[i] = 0;
}

bool is_character_type(unsigned type) { return type == TYPC || type == TYPNUM || type == TYPDATE || type == TYPTIME; }

unsigned unicode_alignment(unsigned type) {
    if (is_character_type(type) || type == TYPINT2) return 2;
    return type == TYPINT ? 4 : type == TYPFLOAT ? 8 : 1;
}

unsigned align_up(unsigned value, unsigned alignment) { return (value + alignment - 1) / alignment * alignment; }

void add_field(nw_type &type, const field_layout &field, unsigned &uc_end) {
    RFC_FIELD_DESC &desc = type.fields[type.count++];
    memset(&desc, 0, sizeof desc);
    widen(field.name, desc.name, 31);
    desc.type = static_cast<RFCTYPE>(field.type);
    desc.nucLength = field.length;
    desc.nucOffset = field.offset;
    desc.ucLength = is_character_type(field.type) ? 2 * field.length : field.length;
    desc.ucOffset = align_up(uc_end, unicode_alignment(field.type));
    desc.decimals = field.decimals;
    uc_end = desc.ucOffset + desc.ucLength;
}

RFC_TYPE_DESC_HANDLE cached_type(const char *name, nwrfc::RFC_ERROR_INFO *info) {
    for (unsigned r = 0; r < sizeof records / sizeof records[0]; ++r) {
        const system_record &record = records[r];
        if (strcmp(record.name, name) != 0) continue;
        if (cached_types[r] != nullptr) return cached_types[r];
        SAP_UC wide[31];
        widen(name, wide, 31);
        RFC_TYPE_DESC_HANDLE handle = new_type(wide, info);
        if (handle == nullptr) return nullptr;
        nw_type &type = *type_of(handle);
        unsigned uc_end = 0, widest = 2;
        for (unsigned i = 0; i < record.classic_fields; ++i) add_field(type, record.classic->fields[i], uc_end);
        for (unsigned i = 0; i < record.tail_count; ++i) add_field(type, record.tail[i], uc_end);
        for (unsigned i = 0; i < type.count; ++i)
            if (unicode_alignment(type.fields[i].type) > widest) widest = unicode_alignment(type.fields[i].type);
        type.nuc_length = record.length;
        type.uc_length = align_up(uc_end, widest);
        type.system_record = record.classic;
        cached_types[r] = handle;
        return handle;
    }
    set_error(info, RFC_NOT_FOUND, EXTERNAL_RUNTIME_FAILURE, "no such structure in the system's dictionary");
    return nullptr;
}

// The system's record of the parameter `name` of `function`, or null.
const system_record *record_of_parameter(const char *function, const char *name) {
    for (const system_function &known : system_functions) {
        if (strcmp(known.name, function) != 0) continue;
        for (unsigned i = 0; i < known.count; ++i) {
            if (strcmp(known.parameters[i].name, name) != 0 || known.parameters[i].record == nullptr) continue;
            for (const system_record &record : records)
                if (strcmp(record.name, known.parameters[i].record) == 0) return &record;
        }
    }
    return nullptr;
}

}  // namespace

description_handling description_handling_of(const standin_system &system) {
    const char *chosen = system.netweaver_descriptions.c_str();
    if (chosen[0] == '\0') chosen = getenv("KORVANEL_NWRFC_DESCRIPTIONS");
    if (chosen == nullptr) return descriptions_cut;
    if (strcmp(chosen, "refuse") == 0) return descriptions_refused;
    if (strcmp(chosen, "refuse-lookup") == 0) return lookup_refused;
    return descriptions_cut;
}

RFC_FUNCTION_DESC_HANDLE system_function_description(const char *function, nwrfc::RFC_ERROR_INFO *info) {
    for (system_function &known : system_functions) {
        if (strcmp(known.name, function) != 0) continue;
        if (known.cached != nullptr) return known.cached;
        SAP_UC wide[31];
        widen(function, wide, 31);
        RFC_FUNCTION_DESC_HANDLE handle = new_function(wide, info);
        if (handle == nullptr) return nullptr;
        nw_function &description = *function_of(handle);
        for (unsigned i = 0; i < known.count; ++i) {
            const system_parameter &parameter = known.parameters[i];
            RFC_PARAMETER_DESC &desc = description.parameters[description.count++];
            memset(&desc, 0, sizeof desc);
            widen(parameter.name, desc.name, 31);
            desc.type = parameter.type;
            desc.direction = parameter.direction;
            desc.nucLength = parameter.length;
            desc.ucLength = parameter.type == RFCTYPE_CHAR ? 2 * parameter.length : parameter.length;
            if (parameter.record != nullptr) {
                desc.typeDescHandle = cached_type(parameter.record, info);
                if (desc.typeDescHandle == nullptr) {
                    free_function(&description);
                    return nullptr;
                }
                const nw_type &type = *type_of(desc.typeDescHandle);
                desc.nucLength = type.nuc_length;
                desc.ucLength = type.uc_length;
            }
        }
        description.cached = true;
        known.cached = handle;
        return handle;
    }
    bounded_text<80> message;
    message.format("function module %.30s not found in the system's dictionary", function);
    set_error(info, RFC_NOT_FOUND, ABAP_APPLICATION_FAILURE, message.c_str(), "FU_NOT_FOUND");
    return nullptr;
}

bool shorter_than_system(const nw_function &function, bounded_text<200> &message) {
    for (unsigned i = 0; i < function.count; ++i) {
        const RFC_PARAMETER_DESC &parameter = function.parameters[i];
        if (parameter.type != RFCTYPE_STRUCTURE && parameter.type != RFCTYPE_TABLE) continue;
        char name[31];
        narrow_text(parameter.name, name, sizeof name);
        const system_record *record = record_of_parameter(function.name, name);
        const nw_type *type = type_of(parameter.typeDescHandle);
        if (record == nullptr || type == nullptr || type->nuc_length >= record->length) continue;
        message.format("%s: received %s of length %u does not fit the description's length %u", name, record->name,
                       record->length, type->nuc_length);
        return true;
    }
    return false;
}
