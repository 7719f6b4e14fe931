// The group decides before the code: a library may report an ABAP exception under
// another code, but never under another group.
#include "rfc_bridge/return_codes.h"

#include "core/classic_error_groups.h"
#include "core/librfc32.h"

#include <cstring>

using namespace nwrfc;

int classic_return_code(nwrfc::RFC_RC code, RFC_ERROR_GROUP group) {
    if (code == nwrfc::RFC_OK) return ::RFC_OK;
    if (group == ABAP_APPLICATION_FAILURE || code == RFC_ABAP_EXCEPTION) return RFC_EXCEPTION;
    if (group == ABAP_RUNTIME_FAILURE || code == RFC_ABAP_MESSAGE || code == RFC_ABAP_RUNTIME_FAILURE ||
        code == RFC_ABAP_CLASS_EXCEPTION)
        return RFC_SYS_EXCEPTION;
    return RFC_FAILURE;
}

const char *classic_error_key(nwrfc::RFC_RC code, RFC_ERROR_GROUP group) {
    if (code == RFC_MEMORY_INSUFFICIENT) return "RFC_ERROR_RESOURCE";
    switch (group) {
    case ABAP_APPLICATION_FAILURE: return "RFC_ERROR_APPLICATION";
    case ABAP_RUNTIME_FAILURE: return "RFC_ERROR_SYSTEM_FAILURE";
    case LOGON_FAILURE: return "RFC_ERROR_LOGON_FAILURE";
    case COMMUNICATION_FAILURE: return "RFC_ERROR_COMMUNICATION";
    default: break;
    }
    if (code == RFC_LOGON_FAILURE) return "RFC_ERROR_LOGON_FAILURE";
    if (code == RFC_COMMUNICATION_FAILURE || code == nwrfc::RFC_CLOSED || code == nwrfc::RFC_TIMEOUT)
        return "RFC_ERROR_COMMUNICATION";
    return "RFC_ERROR_PROGRAM";
}

int classic_error_group(const char *key) {
    int group = classic_error_group_of_key(key);
    return group != 0 ? group : RFC_ERROR_PROGRAM;
}

const char *classic_return_code_name(int rc) {
    switch (rc) {
    case ::RFC_OK: return "RFC_OK";
    case RFC_FAILURE: return "RFC_FAILURE";
    case RFC_EXCEPTION: return "RFC_EXCEPTION";
    case RFC_SYS_EXCEPTION: return "RFC_SYS_EXCEPTION";
    default: return "RFC_RC";
    }
}
