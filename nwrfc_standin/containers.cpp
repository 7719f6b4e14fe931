// Fixed pools, handles being the addresses of pool entries: a handle from anywhere
// else is recognised and refused with RFC_INVALID_HANDLE, as SAP's library does.
#include "nwrfc_standin/containers.h"

#include "core/bounded_text.h"

#include <cstring>

using namespace nwrfc;

namespace {

nw_type types[16];
nw_function functions[8];
nw_container containers[64];

template <typename T, size_t N>
T *entry_of(T (&pool)[N], const void *handle) {
    for (T &entry : pool)
        if (&entry == handle && entry.used) return &entry;
    return nullptr;
}

bool same_name(const char16_t *a, const char16_t *b) {
    size_t i = 0;
    for (; a[i] != 0 && b[i] != 0; ++i)
        if (a[i] != b[i]) return false;
    return a[i] == b[i];
}

nw_container *take_container(nwrfc::RFC_ERROR_INFO *info) {
    for (nw_container &container : containers) {
        if (container.used) continue;
        memset(&container, 0, sizeof container);
        container.used = true;
        container.bytes = container.own;
        return &container;
    }
    set_error(info, RFC_MEMORY_INSUFFICIENT, EXTERNAL_RUNTIME_FAILURE, "stand-in container pool full");
    return nullptr;
}

}  // namespace

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
    nw_container *container = take_container(info);
    if (container == nullptr) return nullptr;
    container->kind = container_function;
    container->function = function;
    unsigned offset = 0;
    for (unsigned i = 0; i < function->count; ++i) {
        const RFC_PARAMETER_DESC &parameter = function->parameters[i];
        if (parameter.type != RFCTYPE_STRUCTURE && parameter.type != RFCTYPE_TABLE) {
            offset += parameter.nucLength;
            continue;
        }
        nw_container *child = take_container(info);
        if (child == nullptr) {
            free_container(container);
            return nullptr;
        }
        child->kind = parameter.type == RFCTYPE_TABLE ? container_table : container_structure;
        child->type = type_of(parameter.typeDescHandle);
        child->parent = container;
        container->children[i] = child;
    }
    if (offset > standin_container_bytes) {
        free_container(container);
        set_error(info, RFC_MEMORY_INSUFFICIENT, EXTERNAL_RUNTIME_FAILURE, "parameters too large for the stand-in");
        return nullptr;
    }
    return reinterpret_cast<RFC_FUNCTION_HANDLE>(container);
}

nw_container *container_of(DATA_CONTAINER_HANDLE handle) { return entry_of(containers, handle); }

void free_container(nw_container *container) {
    for (nw_container *child : container->children)
        if (child != nullptr) child->used = false;
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
                value.child = container->children[i];
                return true;
            }
            if (!nested) offset += parameter.nucLength;
        }
    } else if (container->type != nullptr) {
        for (unsigned i = 0; i < container->type->count; ++i) {
            const RFC_FIELD_DESC &field = container->type->fields[i];
            if (!same_name(field.name, name)) continue;
            value.type = field.type;
            value.length = field.nucLength;
            value.decimals = field.decimals;
            value.bytes = container->bytes + field.nucOffset;
            return true;
        }
    }
    char shown[31];
    narrow_text(name, shown, sizeof shown);
    bounded_text<80> message;
    message.format("no field or parameter %s", shown);
    set_error(info, RFC_INVALID_PARAMETER, EXTERNAL_RUNTIME_FAILURE, message.c_str());
    return false;
}
