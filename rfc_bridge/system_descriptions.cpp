// What counts as a refused description follows SAP's return codes: the serialization
// and conversion failures of its library, never a failure the system reported (an ABAP
// exception, a runtime failure, a communication failure), which a second call would only
// repeat.
#include "rfc_bridge/system_descriptions.h"

#include "rfc_bridge/bridge_fields.h"
#include "rfc_bridge/text_conversion.h"

#include <cstring>

using namespace nwrfc;

namespace {

// The classic type code of a flat NetWeaver type; false for any other.
bool classic_type_of(RFCTYPE type, unsigned &classic) {
    switch (type) {
    case RFCTYPE_CHAR: classic = TYPC; return true;
    case RFCTYPE_DATE: classic = TYPDATE; return true;
    case RFCTYPE_BCD: classic = TYPP; return true;
    case RFCTYPE_TIME: classic = TYPTIME; return true;
    case RFCTYPE_BYTE: classic = TYPX; return true;
    case RFCTYPE_NUM: classic = TYPNUM; return true;
    case RFCTYPE_FLOAT: classic = TYPFLOAT; return true;
    case RFCTYPE_INT: classic = TYPINT; return true;
    case RFCTYPE_INT2: classic = TYPINT2; return true;
    case RFCTYPE_INT1: classic = TYPINT1; return true;
    default: return false;
    }
}

bool mentions_length(const nwrfc::RFC_ERROR_INFO &info) {
    char message[512];
    utf16_to_latin1_text(info.message, message, sizeof message);
    for (char *c = message; *c != '\0'; ++c)
        if (*c >= 'A' && *c <= 'Z') *c = static_cast<char>(*c + 32);
    return strstr(message, "length") != nullptr;
}

}  // namespace

bool refused_for_description(nwrfc::RFC_RC rc, const nwrfc::RFC_ERROR_INFO &info) {
    if (rc == RFC_SERIALIZATION_FAILURE || rc == RFC_CONVERSION_FAILURE) return true;
    bool from_system = rc == RFC_COMMUNICATION_FAILURE || rc == RFC_LOGON_FAILURE || rc == RFC_ABAP_RUNTIME_FAILURE ||
                       rc == RFC_ABAP_MESSAGE || rc == RFC_ABAP_EXCEPTION || rc == nwrfc::RFC_CLOSED || rc == RFC_CANCELED ||
                       rc == nwrfc::RFC_TIMEOUT || rc == RFC_MEMORY_INSUFFICIENT;
    return rc != nwrfc::RFC_OK && !from_system && info.group == EXTERNAL_RUNTIME_FAILURE && mentions_length(info);
}

RFC_FUNCTION_DESC_HANDLE looked_up_description_of(const bridge_state &state, const bridge_connection &connection,
                                                  const char *function) {
    for (int i = 0; i < state.looked_up_count; ++i) {
        const looked_up_description &known = state.looked_up[i];
        if (known.function.equals(function) && known.partner.equals(connection.partner.c_str())) return known.handle;
    }
    return nullptr;
}

RFC_FUNCTION_DESC_HANDLE look_up_description(bridge_state &state, bridge_connection &connection, const char *function,
                                             nwrfc::RFC_ERROR_INFO &info) {
    char16_t name[31];
    latin1_to_utf16_text(function, name, 31);
    RFC_FUNCTION_DESC_HANDLE handle = state.nw.RfcGetFunctionDesc(connection.nw, name, &info);
    if (handle == nullptr) {
        if (info.code == nwrfc::RFC_OK) set_own_error(info, RFC_UNKNOWN_ERROR, "no description and no error");
        // After a runtime failure SAP's library has closed the connection itself.
        if (info.code == RFC_ABAP_RUNTIME_FAILURE || info.code == RFC_COMMUNICATION_FAILURE ||
            info.code == RFC_ABAP_MESSAGE) {
            connection.nw = nullptr;
            connection.closed_by_library = true;
        }
        // The lookup runs the system's dictionary function modules: without the rights
        // for them, say which rights, first, where the sensor's diagnosis shows it. The
        // call fails as an RFC failure: it is the bridge that cannot carry it, not the
        // called function module that failed.
        if (info.code == RFC_ABAP_RUNTIME_FAILURE || info.group == ABAP_RUNTIME_FAILURE) {
            char said[512];
            utf16_to_latin1_text(info.message, said, sizeof said);
            bounded_text<511> message;
            // In the keyword lines of SAP's own texts: the first becomes the message,
            // the others stay in the trace block.
            message.format("\nERROR       no S_RFC for RFC_METADATA, SDIFRUNTIME, RFC1: %s not looked up"
                           "\nDETAIL      SAP's library refused the local description, the system its own: %s",
                           function, said);
            set_own_error(info, RFC_EXTERNAL_FAILURE, message.c_str());
        }
        return nullptr;
    }
    if (state.looked_up_count < bridge_max_looked_up) {
        looked_up_description &known = state.looked_up[state.looked_up_count++];
        known.function.assign(function);
        known.partner = connection.partner;
        known.handle = handle;
    }
    return handle;
}

bool layout_of_system_type(const nwrfc_functions &nw, RFC_TYPE_DESC_HANDLE type, classic_layout &layout,
                           bounded_text<200> &problem) {
    nwrfc::RFC_ERROR_INFO info = {};
    unsigned count = 0, nuc = 0, uc = 0;
    layout.count = 0;
    if (nw.RfcGetFieldCount(type, &count, &info) != nwrfc::RFC_OK || nw.RfcGetTypeLength(type, &nuc, &uc, &info) != nwrfc::RFC_OK) {
        problem.assign("the system's description of a structure cannot be read");
        return false;
    }
    if (count == 0 || count > classic_layout_max_fields) {
        problem.format("the system's structure has %u fields (1 to %u carried)", count, classic_layout_max_fields);
        return false;
    }
    for (unsigned i = 0; i < count; ++i) {
        RFC_FIELD_DESC field = {};
        if (nw.RfcGetFieldDescByIndex(type, i, &field, &info) != nwrfc::RFC_OK) {
            problem.format("field %u of the system's structure cannot be read", i);
            return false;
        }
        char name[31];
        utf16_to_latin1_text(field.name, name, sizeof name);
        classic_field &out = layout.fields[layout.count++];
        out.name.assign(name);
        unsigned long long end = static_cast<unsigned long long>(field.nucOffset) + field.nucLength;
        // A field of a type the classic record never had may lie beyond what the caller
        // installed; it is refused only when a call would have to carry it.
        if (!classic_type_of(field.type, out.type)) out.type = classic_type_not_carried;
        if (field.nucLength == 0 || end > nuc) {
            problem.format("field %.30s of the system's structure: type %u, %u bytes at %u of %u", name,
                           static_cast<unsigned>(field.type), field.nucLength, field.nucOffset, nuc);
            return false;
        }
        out.length = field.nucLength;
        out.decimals = field.decimals;
        out.offset = field.nucOffset;
        out.uc_length = field.ucLength;
        out.uc_offset = field.ucOffset;
    }
    layout.length = nuc;
    layout.uc_length = uc;
    return true;
}

void describe_looked_up(const bridge_state &state, bounded_text<120> &note) {
    note.clear();
    for (int i = 0; i < state.looked_up_count; ++i)
        note.append_format("%s%s", i == 0 ? "" : ", ", state.looked_up[i].function.c_str());
    if (!note.empty()) note.append(" with the system's descriptions");
}
