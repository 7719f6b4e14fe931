// Fixed pools, handles being the addresses of pool entries: a handle from anywhere
// else is recognised and refused with RFC_INVALID_HANDLE, as SAP's library does.
#include "nwrfc_standin/containers.h"

#include "core/bounded_text.h"

#include <cstring>

using namespace nwrfc;

namespace {

nw_type types[16];
nw_function functions[8];
// Room for a few functions at once, each with its structures, tables and row cursors.
nw_container containers[96];

template <typename T, size_t N>
T *entry_of(T (&pool)[N], const void *handle) {
    for (T &entry : pool)
        if (&entry == handle && entry.used) return &entry;
    return nullptr;
}

nw_container *take_container(nwrfc::RFC_ERROR_INFO *info) {
    for (nw_container &container : containers) {
        if (container.used) continue;
        memset(&container, 0, sizeof container);
        container.used = true;
        container.bytes = container.own;
        container.marks = container.own_marks;
        return &container;
    }
    set_error(info, RFC_MEMORY_INSUFFICIENT, EXTERNAL_RUNTIME_FAILURE, "stand-in container pool full");
    return nullptr;
}

void set_initial_value(unsigned type, unsigned char *bytes, unsigned length) {
    switch (type) {
    case RFCTYPE_CHAR: memset(bytes, ' ', length); break;
    case RFCTYPE_NUM:
    case RFCTYPE_DATE:
    case RFCTYPE_TIME: memset(bytes, '0', length); break;
    case RFCTYPE_BCD:
        memset(bytes, 0, length);
        if (length > 0) bytes[length - 1] = 0x0C;  // zero with the plus sign, as ABAP's initial value
        break;
    default: memset(bytes, 0, length); break;
    }
}

}  // namespace

const char *description_problem(RFCTYPE type, unsigned long long offset, unsigned length, unsigned decimals) {
    switch (type) {
    case RFCTYPE_CHAR:
    case RFCTYPE_NUM:
    case RFCTYPE_BYTE:
        if (length == 0) return "length 0";
        break;
    case RFCTYPE_DATE:
        if (length != 8) return "a date has 8 characters";
        break;
    case RFCTYPE_TIME:
        if (length != 6) return "a time has 6 characters";
        break;
    case RFCTYPE_BCD:
        // ABAP's packed numbers take 1 to 16 bytes, one digit less than two per byte.
        if (length == 0 || length > 16) return "a packed number takes 1 to 16 bytes";
        if (decimals > 2 * length - 1) return "more decimals than the packed number has digits";
        break;
    case RFCTYPE_INT:
        if (length != 4) return "an integer has 4 bytes";
        break;
    case RFCTYPE_INT2:
        if (length != 2) return "a 2-byte integer has 2 bytes";
        break;
    case RFCTYPE_INT1:
        if (length != 1) return "a 1-byte integer has 1 byte";
        break;
    case RFCTYPE_FLOAT:
        if (length != 8) return "a float has 8 bytes";
        break;
    default: return "a type the stand-in does not play";
    }
    if (offset + length > standin_container_bytes) return "beyond the stand-in's record storage";
    return nullptr;
}

const char *unicode_problem(RFCTYPE type, unsigned length, unsigned uc_length, unsigned uc_offset) {
    bool characters = type == RFCTYPE_CHAR || type == RFCTYPE_NUM || type == RFCTYPE_DATE || type == RFCTYPE_TIME;
    if (uc_length != (characters ? 2 * length : length)) return "its Unicode length is not that of its type";
    unsigned alignment = characters || type == RFCTYPE_INT2 ? 2 : type == RFCTYPE_INT ? 4 : type == RFCTYPE_FLOAT ? 8 : 1;
    if (uc_offset % alignment != 0) return "its Unicode offset is not aligned to its type";
    return nullptr;
}

const char *overlap_problem(const nw_type &type, const RFC_FIELD_DESC &field) {
    for (unsigned i = 0; i < type.count; ++i) {
        const RFC_FIELD_DESC &other = type.fields[i];
        bool nuc = field.nucOffset < other.nucOffset + other.nucLength && other.nucOffset < field.nucOffset + field.nucLength;
        bool uc = field.ucOffset < other.ucOffset + other.ucLength && other.ucOffset < field.ucOffset + field.ucLength;
        if (nuc || uc) return "it overlaps a field already there";
    }
    return nullptr;
}

unsigned record_length(const nw_type &type) {
    unsigned length = type.nuc_length;
    for (unsigned i = 0; i < type.count; ++i) {
        unsigned end = type.fields[i].nucOffset + type.fields[i].nucLength;
        if (end > length) length = end;
    }
    return length;
}

void set_initial_record(const nw_type &type, unsigned char *record) {
    for (unsigned i = 0; i < type.count; ++i)
        set_initial_value(type.fields[i].type, record + type.fields[i].nucOffset, type.fields[i].nucLength);
}

nw_container *append_row(nw_container *table, nwrfc::RFC_ERROR_INFO *info) {
    unsigned long long end = static_cast<unsigned long long>(table->row_count + 1) * table->line_length;
    if (table->line_length == 0 || end > standin_container_bytes) {
        set_error(info, RFC_MEMORY_INSUFFICIENT, EXTERNAL_RUNTIME_FAILURE, "stand-in table rows full");
        return nullptr;
    }
    nw_container *cursor = table->children[0];
    table->current = table->row_count++;
    cursor->bytes = table->bytes + static_cast<size_t>(table->current) * table->line_length;
    cursor->marks = table->marks + static_cast<size_t>(table->current) * table->line_length;
    set_initial_record(*table->type, cursor->bytes);
    memset(cursor->marks, 0, table->line_length);
    return cursor;
}

bool move_to_row(nw_container *table, unsigned index, nwrfc::RFC_ERROR_INFO *info) {
    if (index >= table->row_count) {
        set_error(info, RFC_TABLE_MOVE_EOF, EXTERNAL_RUNTIME_FAILURE, "no row at that index");
        return false;
    }
    table->current = index;
    table->children[0]->bytes = table->bytes + static_cast<size_t>(index) * table->line_length;
    table->children[0]->marks = table->marks + static_cast<size_t>(index) * table->line_length;
    return true;
}

void narrow_text(const char16_t *text, char *out, unsigned capacity) {
    unsigned i = 0;
    for (; text != nullptr && text[i] != 0 && i + 1 < capacity; ++i)
        out[i] = text[i] < 0x100 ? static_cast<char>(text[i]) : '?';
    out[i] = '\0';
}

void set_error(nwrfc::RFC_ERROR_INFO *info, nwrfc::RFC_RC code, RFC_ERROR_GROUP group, const char *message, const char *key) {
    if (info == nullptr) return;
    memset(info, 0, sizeof *info);
    info->code = code;
    info->group = group;
    for (unsigned i = 0; message[i] != '\0' && i < 511; ++i) info->message[i] = static_cast<unsigned char>(message[i]);
    for (unsigned i = 0; key[i] != '\0' && i < 127; ++i) info->key[i] = static_cast<unsigned char>(key[i]);
}

RFC_TYPE_DESC_HANDLE new_type(const char16_t *name, nwrfc::RFC_ERROR_INFO *info) {
    for (nw_type &type : types) {
        if (type.used) continue;
        memset(&type, 0, sizeof type);
        type.used = true;
        narrow_text(name, type.name, sizeof type.name);
        return reinterpret_cast<RFC_TYPE_DESC_HANDLE>(&type);
    }
    set_error(info, RFC_MEMORY_INSUFFICIENT, EXTERNAL_RUNTIME_FAILURE, "stand-in type pool full");
    return nullptr;
}

nw_type *type_of(RFC_TYPE_DESC_HANDLE handle) { return entry_of(types, handle); }
void free_type(nw_type *type) { type->used = false; }

bool type_in_use(const nw_type *type) {
    for (const nw_function &function : functions) {
        if (!function.used) continue;
        for (unsigned i = 0; i < function.count; ++i)
            if (function.parameters[i].typeDescHandle == reinterpret_cast<RFC_TYPE_DESC_HANDLE>(const_cast<nw_type *>(type)))
                return true;
    }
    return false;
}

RFC_FUNCTION_DESC_HANDLE new_function(const char16_t *name, nwrfc::RFC_ERROR_INFO *info) {
    for (nw_function &function : functions) {
        if (function.used) continue;
        memset(&function, 0, sizeof function);
        function.used = true;
        narrow_text(name, function.name, sizeof function.name);
        return reinterpret_cast<RFC_FUNCTION_DESC_HANDLE>(&function);
    }
    set_error(info, RFC_MEMORY_INSUFFICIENT, EXTERNAL_RUNTIME_FAILURE, "stand-in function pool full");
    return nullptr;
}

nw_function *function_of(RFC_FUNCTION_DESC_HANDLE handle) { return entry_of(functions, handle); }
void free_function(nw_function *function) { function->used = false; }

RFC_FUNCTION_HANDLE new_function_container(nw_function *function, nwrfc::RFC_ERROR_INFO *info) {
    unsigned long long offset = 0;
    for (unsigned i = 0; i < function->count; ++i) {
        const RFC_PARAMETER_DESC &parameter = function->parameters[i];
        if (parameter.type != RFCTYPE_STRUCTURE && parameter.type != RFCTYPE_TABLE) offset += parameter.nucLength;
    }
    if (offset > standin_container_bytes) {
        set_error(info, RFC_MEMORY_INSUFFICIENT, EXTERNAL_RUNTIME_FAILURE, "parameters too large for the stand-in");
        return nullptr;
    }
    nw_container *container = take_container(info);
    if (container == nullptr) return nullptr;
    container->kind = container_function;
    container->function = function;
    offset = 0;
    for (unsigned i = 0; i < function->count; ++i) {
        const RFC_PARAMETER_DESC &parameter = function->parameters[i];
        if (parameter.type != RFCTYPE_STRUCTURE && parameter.type != RFCTYPE_TABLE) {
            set_initial_value(parameter.type, container->bytes + offset, parameter.nucLength);
            offset += parameter.nucLength;
            continue;
        }
        nw_type *type = type_of(parameter.typeDescHandle);
        nw_container *child = type != nullptr ? take_container(info) : nullptr;
        nw_container *cursor = child != nullptr && parameter.type == RFCTYPE_TABLE ? take_container(info) : nullptr;
        if (child == nullptr || (parameter.type == RFCTYPE_TABLE && cursor == nullptr)) {
            if (type == nullptr) set_error(info, RFC_INVALID_HANDLE, EXTERNAL_RUNTIME_FAILURE, "type description destroyed");
            if (child != nullptr) child->used = false;
            free_container(container);
            return nullptr;
        }
        child->kind = parameter.type == RFCTYPE_TABLE ? container_table : container_structure;
        child->type = type;
        child->parent = container;
        if (cursor != nullptr) {
            cursor->kind = container_structure;
            cursor->type = type;
            cursor->parent = child;
            child->children[0] = cursor;
            child->line_length = record_length(*type);
        } else {
            set_initial_record(*type, child->bytes);
        }
        container->children[i] = child;
    }
    return reinterpret_cast<RFC_FUNCTION_HANDLE>(container);
}

nw_container *container_of(DATA_CONTAINER_HANDLE handle) { return entry_of(containers, handle); }

void free_container(nw_container *container) {
    for (nw_container *child : container->children)
        if (child != nullptr) free_container(child);
    container->used = false;
}

bool find_value(nw_container *container, const char16_t *name, nw_value &value, nwrfc::RFC_ERROR_INFO *info) {
    value = nw_value{};
    if (container->kind == container_function) {
        unsigned offset = 0;
        for (unsigned i = 0; i < container->function->count; ++i) {
            const RFC_PARAMETER_DESC &parameter = container->function->parameters[i];
            bool nested = parameter.type == RFCTYPE_STRUCTURE || parameter.type == RFCTYPE_TABLE;
            if (same_name(parameter.name, name)) {
                value.type = nested ? static_cast<unsigned>(TYPTABH) : static_cast<unsigned>(parameter.type);
                value.length = parameter.nucLength;
                value.decimals = parameter.decimals;
                value.bytes = container->bytes + offset;
                value.marks = container->marks + offset;
                value.child = container->children[i];
                return true;
            }
            if (!nested) offset += parameter.nucLength;
        }
    } else if (container->kind == container_structure && container->type != nullptr) {
        for (unsigned i = 0; i < container->type->count; ++i) {
            const RFC_FIELD_DESC &field = container->type->fields[i];
            if (!same_name(field.name, name)) continue;
            value.type = field.type;
            value.length = field.nucLength;
            value.decimals = field.decimals;
            value.bytes = container->bytes + field.nucOffset;
            value.marks = container->marks + field.nucOffset;
            return true;
        }
    }
    refuse_unknown_name(info, "field or parameter", name);
    return false;
}

bool same_name(const char16_t *a, const char16_t *b) {
    size_t i = 0;
    for (; a[i] != 0 && b[i] != 0; ++i)
        if (a[i] != b[i]) return false;
    return a[i] == b[i];
}

void refuse_unknown_name(nwrfc::RFC_ERROR_INFO *info, const char *what, const char16_t *name) {
    char shown[31];
    narrow_text(name, shown, sizeof shown);
    bounded_text<80> message;
    message.format("no %s %s", what, shown);
    set_error(info, RFC_INVALID_PARAMETER, EXTERNAL_RUNTIME_FAILURE, message.c_str());
}
