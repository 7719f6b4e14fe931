// SAP's NetWeaver records as the 32-bit bridge lays them out, read back at run time
// field by field against the offsets of SAP's sapnwrfc.h (SDK 7.50; two-byte
// characters, 4-byte pointers and enums): what the compile-time pins promise, seen
// in the bridge that ships.
#include "core/layout_readback.h"
#include "nwrfc/sapnwrfc_api.h"

#include <gtest/gtest.h>

namespace {

using namespace nwrfc;

struct expected_field {
    const char *name;
    field_readback (*read)();
    size_t offset;
};

#define FIELD(record, field, offset) \
    { #record "." #field, [] { return read_back_field(&record::field, offset); }, offset }

const expected_field netweaver_fields[] = {
    FIELD(RFC_ERROR_INFO, code, 0),              FIELD(RFC_ERROR_INFO, group, 4),
    FIELD(RFC_ERROR_INFO, key, 8),               FIELD(RFC_ERROR_INFO, message, 264),
    FIELD(RFC_ERROR_INFO, abapMsgClass, 1288),   FIELD(RFC_ERROR_INFO, abapMsgType, 1330),
    FIELD(RFC_ERROR_INFO, abapMsgNumber, 1334),  FIELD(RFC_ERROR_INFO, abapMsgV1, 1342),
    FIELD(RFC_ERROR_INFO, abapMsgV2, 1444),      FIELD(RFC_ERROR_INFO, abapMsgV3, 1546),
    FIELD(RFC_ERROR_INFO, abapMsgV4, 1648),
    FIELD(RFC_CONNECTION_PARAMETER, name, 0),    FIELD(RFC_CONNECTION_PARAMETER, value, 4),
    FIELD(RFC_FIELD_DESC, name, 0),              FIELD(RFC_FIELD_DESC, type, 64),
    FIELD(RFC_FIELD_DESC, nucLength, 68),        FIELD(RFC_FIELD_DESC, nucOffset, 72),
    FIELD(RFC_FIELD_DESC, ucLength, 76),         FIELD(RFC_FIELD_DESC, ucOffset, 80),
    FIELD(RFC_FIELD_DESC, decimals, 84),         FIELD(RFC_FIELD_DESC, typeDescHandle, 88),
    FIELD(RFC_FIELD_DESC, extendedDescription, 92),
    FIELD(RFC_PARAMETER_DESC, name, 0),          FIELD(RFC_PARAMETER_DESC, type, 64),
    FIELD(RFC_PARAMETER_DESC, direction, 68),    FIELD(RFC_PARAMETER_DESC, nucLength, 72),
    FIELD(RFC_PARAMETER_DESC, ucLength, 76),     FIELD(RFC_PARAMETER_DESC, decimals, 80),
    FIELD(RFC_PARAMETER_DESC, typeDescHandle, 84), FIELD(RFC_PARAMETER_DESC, defaultValue, 88),
    FIELD(RFC_PARAMETER_DESC, parameterText, 150), FIELD(RFC_PARAMETER_DESC, optional, 310),
    FIELD(RFC_PARAMETER_DESC, extendedDescription, 312),
};

TEST(NetWeaverLayout, EveryFieldSitsWhereThe32BitLibraryReadsIt) {
    if (sizeof(void *) != 4)
        GTEST_SKIP() << "SAP's 32-bit layouts; this build is " << sizeof(void *) * 8 << "-bit";
    for (const expected_field &field : netweaver_fields) {
        field_readback seen = field.read();
        EXPECT_TRUE(seen.at_offset && seen.alone)
            << field.name << ": expected at " << field.offset << ", landed at " << seen.found_at;
    }
}

TEST(NetWeaverLayout, RecordSizesOfThe32BitLibrary) {
    if (sizeof(void *) != 4)
        GTEST_SKIP() << "32-bit layouts";
    EXPECT_EQ(1752u, sizeof(RFC_ERROR_INFO));
    EXPECT_EQ(8u, sizeof(RFC_CONNECTION_PARAMETER));
    EXPECT_EQ(96u, sizeof(RFC_FIELD_DESC));
    EXPECT_EQ(316u, sizeof(RFC_PARAMETER_DESC));
}

}  // namespace
