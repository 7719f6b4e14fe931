// NetWeaver outcomes as the classic caller sees them.
#include "rfc_bridge/return_codes.h"

#include "core/librfc32.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(BridgeReturnCodes, ClassicCodeAndKey) {
    using namespace nwrfc;
    struct row {
        nwrfc::RFC_RC code;
        RFC_ERROR_GROUP group;
        int classic;
        const char *key;
    } rows[] = {
        {nwrfc::RFC_OK, OK, ::RFC_OK, nullptr},
        {RFC_ABAP_EXCEPTION, ABAP_APPLICATION_FAILURE, RFC_EXCEPTION, "RFC_ERROR_APPLICATION"},
        {RFC_ABAP_MESSAGE, ABAP_RUNTIME_FAILURE, RFC_SYS_EXCEPTION, "RFC_ERROR_SYSTEM_FAILURE"},
        {RFC_ABAP_RUNTIME_FAILURE, ABAP_RUNTIME_FAILURE, RFC_SYS_EXCEPTION, "RFC_ERROR_SYSTEM_FAILURE"},
        {RFC_COMMUNICATION_FAILURE, COMMUNICATION_FAILURE, RFC_FAILURE, "RFC_ERROR_COMMUNICATION"},
        {RFC_LOGON_FAILURE, LOGON_FAILURE, RFC_FAILURE, "RFC_ERROR_LOGON_FAILURE"},
        {nwrfc::RFC_TIMEOUT, COMMUNICATION_FAILURE, RFC_FAILURE, "RFC_ERROR_COMMUNICATION"},
        {RFC_INVALID_PARAMETER, EXTERNAL_RUNTIME_FAILURE, RFC_FAILURE, "RFC_ERROR_PROGRAM"},
        {RFC_MEMORY_INSUFFICIENT, EXTERNAL_RUNTIME_FAILURE, RFC_FAILURE, "RFC_ERROR_RESOURCE"},
    };
    for (const row &r : rows) {
        EXPECT_EQ(classic_return_code(r.code, r.group), r.classic) << r.code;
        if (r.key != nullptr) {
            EXPECT_STREQ(classic_error_key(r.code, r.group), r.key) << r.code;
        }
    }
    EXPECT_STREQ(classic_return_code_name(RFC_EXCEPTION), "RFC_EXCEPTION");
    EXPECT_STREQ(classic_return_code_name(42), "RFC_RC");
}
