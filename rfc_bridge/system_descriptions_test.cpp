// Which failures of a call mean that SAP's library refused the description the bridge
// built (so the system's own is worth a second call), and which are the system's
// answer, which a second call would only repeat.
#include "rfc_bridge/system_descriptions.h"

#include "rfc_bridge/text_conversion.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace nwrfc;

TEST(BridgeSystemDescriptions, OnlyTheLibrarysRefusalOfTheDescriptionCallsForTheSystemsOwn) {
    struct {
        nwrfc::RFC_RC code;
        RFC_ERROR_GROUP group;
        const char *message;
        bool refused;
    } cases[] = {
        {RFC_SERIALIZATION_FAILURE, EXTERNAL_RUNTIME_FAILURE, "cannot deserialize RFCSI_EXPORT", true},
        {RFC_CONVERSION_FAILURE, EXTERNAL_RUNTIME_FAILURE, "field RFCSI_RESV", true},
        {RFC_INVALID_PARAMETER, EXTERNAL_RUNTIME_FAILURE, "Structure RFCSI: LENGTH 200 received 245", true},
        {RFC_INVALID_PARAMETER, EXTERNAL_RUNTIME_FAILURE, "parameter ZZ unknown", false},
        // The system answered: a second call would get the same answer.
        {RFC_ABAP_EXCEPTION, ABAP_APPLICATION_FAILURE, "length of the list", false},
        {RFC_ABAP_RUNTIME_FAILURE, ABAP_RUNTIME_FAILURE, "Wrong length of structure", false},
        {RFC_COMMUNICATION_FAILURE, COMMUNICATION_FAILURE, "length of the packet", false},
        {nwrfc::RFC_TIMEOUT, EXTERNAL_RUNTIME_FAILURE, "length of the wait", false},
        {nwrfc::RFC_OK, OK, "", false},
    };
    for (const auto &c : cases) {
        nwrfc::RFC_ERROR_INFO info = {};
        info.code = c.code;
        info.group = c.group;
        latin1_to_utf16_text(c.message, info.message, 512);
        EXPECT_EQ(refused_for_description(c.code, info), c.refused) << c.code << " " << c.message;
    }
}
