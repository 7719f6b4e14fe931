// The classic error keys ("RFC_ERROR_COMMUNICATION", ...) and the groups that
// RfcLastErrorEx gives for them: one table for every librfc32 of ours (the stand-in
// and the bridge), so both answer a key with the same group.
#pragma once

#include <cstring>

#include "core/librfc32.h"

/// The classic error group of error key `key`; 0 for a key without one (or null).
/// "RFC_ERROR_APPLICATION" is the key our libraries write for an application exception.
inline int classic_error_group_of_key(const char *key) {
    static const struct {
        const char *key;
        int group;
    } groups[] = {
        {"RFC_ERROR_PROGRAM", RFC_ERROR_PROGRAM},
        {"RFC_ERROR_COMMUNICATION", RFC_ERROR_COMMUNICATION},
        {"RFC_ERROR_LOGON_FAILURE", RFC_ERROR_LOGON_FAILURE},
        {"RFC_ERROR_SYSTEM_FAILURE", RFC_ERROR_SYSTEM_FAILURE},
        {"RFC_ERROR_APPLICATION", RFC_ERROR_APPLICATION_EXCEPTION},
        {"RFC_ERROR_RESOURCE", RFC_ERROR_RESOURCE},
    };
    for (const auto &entry : groups)
        if (key != nullptr && strcmp(entry.key, key) == 0) return entry.group;
    return 0;
}
