// SAP's NetWeaver records as the 32-bit bridge lays them out, read back at run time
// field by field against the offsets of SAP's sapnwrfc.h (SDK 7.50; two-byte
// characters, 4-byte pointers and enums): what the compile-time pins promise, seen
// in the bridge that ships.
#include "core/layout_fixture.h"
#include "nwrfc/sapnwrfc_api.h"

// Only the 32-bit builds have these layouts; the 64-bit ones are pinned where declared.
#if defined(__i386__) || defined(_M_IX86)

namespace {

using namespace nwrfc;

const expected_field netweaver_fields[] = {
    LAYOUT_FIELD(RFC_ERROR_INFO, code, 0),              LAYOUT_FIELD(RFC_ERROR_INFO, group, 4),
    LAYOUT_FIELD(RFC_ERROR_INFO, key, 8),               LAYOUT_FIELD(RFC_ERROR_INFO, message, 264),
    LAYOUT_FIELD(RFC_ERROR_INFO, abapMsgClass, 1288),   LAYOUT_FIELD(RFC_ERROR_INFO, abapMsgType, 1330),
    LAYOUT_FIELD(RFC_ERROR_INFO, abapMsgNumber, 1334),  LAYOUT_FIELD(RFC_ERROR_INFO, abapMsgV1, 1342),
    LAYOUT_FIELD(RFC_ERROR_INFO, abapMsgV2, 1444),      LAYOUT_FIELD(RFC_ERROR_INFO, abapMsgV3, 1546),
    LAYOUT_FIELD(RFC_ERROR_INFO, abapMsgV4, 1648),
    LAYOUT_FIELD(RFC_CONNECTION_PARAMETER, name, 0),    LAYOUT_FIELD(RFC_CONNECTION_PARAMETER, value, 4),
    LAYOUT_FIELD(RFC_FIELD_DESC, name, 0),              LAYOUT_FIELD(RFC_FIELD_DESC, type, 64),
    LAYOUT_FIELD(RFC_FIELD_DESC, nucLength, 68),        LAYOUT_FIELD(RFC_FIELD_DESC, nucOffset, 72),
    LAYOUT_FIELD(RFC_FIELD_DESC, ucLength, 76),         LAYOUT_FIELD(RFC_FIELD_DESC, ucOffset, 80),
    LAYOUT_FIELD(RFC_FIELD_DESC, decimals, 84),         LAYOUT_FIELD(RFC_FIELD_DESC, typeDescHandle, 88),
    LAYOUT_FIELD(RFC_FIELD_DESC, extendedDescription, 92),
    LAYOUT_FIELD(RFC_PARAMETER_DESC, name, 0),          LAYOUT_FIELD(RFC_PARAMETER_DESC, type, 64),
    LAYOUT_FIELD(RFC_PARAMETER_DESC, direction, 68),    LAYOUT_FIELD(RFC_PARAMETER_DESC, nucLength, 72),
    LAYOUT_FIELD(RFC_PARAMETER_DESC, ucLength, 76),     LAYOUT_FIELD(RFC_PARAMETER_DESC, decimals, 80),
    LAYOUT_FIELD(RFC_PARAMETER_DESC, typeDescHandle, 84), LAYOUT_FIELD(RFC_PARAMETER_DESC, defaultValue, 88),
    LAYOUT_FIELD(RFC_PARAMETER_DESC, parameterText, 150), LAYOUT_FIELD(RFC_PARAMETER_DESC, optional, 310),
    LAYOUT_FIELD(RFC_PARAMETER_DESC, extendedDescription, 312),
};

TEST(NetWeaverLayout, EveryFieldSitsWhereThe32BitLibraryReadsIt) {
    expect_fields_in_place(netweaver_fields);
}

TEST(NetWeaverLayout, RecordSizesOfThe32BitLibrary) {
    EXPECT_EQ(1752u, sizeof(RFC_ERROR_INFO));
    EXPECT_EQ(8u, sizeof(RFC_CONNECTION_PARAMETER));
    EXPECT_EQ(96u, sizeof(RFC_FIELD_DESC));
    EXPECT_EQ(316u, sizeof(RFC_PARAMETER_DESC));
}

}  // namespace

#endif
