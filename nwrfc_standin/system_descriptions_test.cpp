// The systems' own descriptions as the NetWeaver stand-in gives them to RfcGetFunctionDesc
// (RFCSI of 245 characters, MISSOBJ lines of 60, kept in the library's cache), and what
// each kind of library does with a caller's shorter description: cut, refuse, or refuse
// and deny the lookup.
#include "nwrfc_standin/nwrfc_fixture.h"

namespace nwrfc_test {
namespace {

struct SystemDescriptions : NwStandIn {
    RFC_FUNCTION_DESC_HANDLE look_up(RFC_CONNECTION_HANDLE connection, const char16_t *name, RFC_ERROR_INFO &info) {
        memset(&info, 0, sizeof info);
        return RfcGetFunctionDesc(connection, name, &info);
    }
    RFC_FIELD_DESC field(RFC_TYPE_DESC_HANDLE type, unsigned index) {
        RFC_FIELD_DESC out = {};
        RFC_ERROR_INFO info;
        EXPECT_EQ(RfcGetFieldDescByIndex(type, index, &out, &info), RFC_OK) << index;
        return out;
    }
};

}  // namespace

TEST_F(SystemDescriptions, TheSystemsRecordsAreLongerAndBeginWithTheOlderRecords) {
    demo_with("rfcsi.RFCSI_RESV = sapdemo.example.com\n"
              "db02.table.MISS_TABLES = Z123456789_123456789_123456789_123456789_123456789\n");
    RFC_CONNECTION_HANDLE connection = open_demo();
    RFC_ERROR_INFO info;
    RFC_FUNCTION_DESC_HANDLE system_info = look_up(connection, u"RFC_SYSTEM_INFO", info);
    ASSERT_NE(system_info, nullptr) << narrow(info.message);
    RFC_PARAMETER_DESC parameter = {};
    ASSERT_EQ(RfcGetParameterDescByName(system_info, u"RFCSI_EXPORT", &parameter, &info), RFC_OK);
    EXPECT_EQ(parameter.type, RFCTYPE_STRUCTURE);
    EXPECT_EQ(parameter.nucLength, 245u);
    EXPECT_EQ(parameter.ucLength, 490u);
    unsigned count = 0, nuc = 0, uc = 0;
    ASSERT_EQ(RfcGetFieldCount(parameter.typeDescHandle, &count, &info), RFC_OK);
    ASSERT_EQ(RfcGetTypeLength(parameter.typeDescHandle, &nuc, &uc, &info), RFC_OK);
    EXPECT_EQ(count, 20u);
    EXPECT_EQ(nuc, 245u);
    EXPECT_EQ(uc, 490u);
    // Where the older record had a 44-character RFCSI_RESV at 156.
    struct {
        unsigned index;
        const char *name;
        unsigned length, offset, uc_offset;
    } expected[] = {{16, "RFCKERNRL", 4, 152, 304}, {17, "RFCHOST2", 32, 156, 312}, {18, "RFCSI_RESV", 12, 188, 376},
                    {19, "RFCIPV6ADDR", 45, 200, 400}};
    for (const auto &e : expected) {
        RFC_FIELD_DESC f = field(parameter.typeDescHandle, e.index);
        EXPECT_EQ(narrow(f.name), e.name);
        EXPECT_EQ(f.nucLength, e.length) << e.name;
        EXPECT_EQ(f.nucOffset, e.offset) << e.name;
        EXPECT_EQ(f.ucOffset, e.uc_offset) << e.name;
    }
    RFC_FIELD_DESC beyond = {};
    EXPECT_EQ(RfcGetFieldDescByIndex(parameter.typeDescHandle, 20, &beyond, &info), RFC_INVALID_PARAMETER);

    // Called with it, the first 200 characters are what the older record held; the rest is initial.
    RFC_FUNCTION_HANDLE function = create_function(system_info, info);
    ASSERT_NE(function, nullptr) << narrow(info.message);
    ASSERT_EQ(RfcInvoke(connection, function, &info), RFC_OK) << narrow(info.message);
    RFC_STRUCTURE_HANDLE rfcsi = nullptr;
    ASSERT_EQ(RfcGetStructure(function, u"RFCSI_EXPORT", &rfcsi, &info), RFC_OK);
    EXPECT_EQ(chars_of(rfcsi, "RFCDBSYS", 10), "DB4       ");
    EXPECT_EQ(chars_of(rfcsi, "RFCHOST2", 32), "sapdemo.example.com" + std::string(13, ' '));
    EXPECT_EQ(chars_of(rfcsi, "RFCSI_RESV", 12), std::string(12, ' '));
    EXPECT_EQ(chars_of(rfcsi, "RFCIPV6ADDR", 45), std::string(45, ' '));

    // The table lines are 60 characters: a line of 50 arrives whole.
    RFC_FUNCTION_DESC_HANDLE db4_info = look_up(connection, u"DB02_DB4_GET_INFO", info);
    ASSERT_NE(db4_info, nullptr) << narrow(info.message);
    function = create_function(db4_info, info);
    ASSERT_NE(function, nullptr) << narrow(info.message);
    ASSERT_EQ(RfcInvoke(connection, function, &info), RFC_OK) << narrow(info.message);
    // DB02INFDB4 goes on after the older 120 bytes, which hold what they always held.
    ASSERT_EQ(RfcGetParameterDescByName(db4_info, u"DB02_DISPLAYED_INFO", &parameter, &info), RFC_OK);
    EXPECT_EQ(parameter.nucLength, 132u);
    RFC_FIELD_DESC tail = field(parameter.typeDescHandle, 22);
    EXPECT_EQ(narrow(tail.name), "IASP_TOT_S");
    EXPECT_EQ(tail.nucOffset, 124u);
    EXPECT_EQ(tail.ucOffset, 156u);  // only the characters take twice the bytes there
    RFC_STRUCTURE_HANDLE db02 = nullptr;
    ASSERT_EQ(RfcGetStructure(function, u"DB02_DISPLAYED_INFO", &db02, &info), RFC_OK);
    EXPECT_EQ(packed_of(db02, "SYS_ASP_S"), "1234567.8");
    EXPECT_EQ(packed_of(db02, "IASP_TOT_S"), "0.0");
    RFC_TABLE_HANDLE tables = nullptr;
    ASSERT_EQ(RfcGetTable(function, u"MISS_TABLES", &tables, &info), RFC_OK);
    ASSERT_EQ(RfcMoveTo(tables, 0, &info), RFC_OK);
    EXPECT_EQ(chars_of(RfcGetCurrentRow(tables, &info), "NAME", 60),
              "Z123456789_123456789_123456789_123456789_123456789" + std::string(10, ' '));
}

TEST_F(SystemDescriptions, ALookedUpDescriptionIsTheCachesAndCannotBeDestroyed) {
    RFC_CONNECTION_HANDLE connection = open_demo();
    RFC_ERROR_INFO info;
    RFC_FUNCTION_DESC_HANDLE first = look_up(connection, u"RFC_SYSTEM_INFO", info);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(look_up(connection, u"RFC_SYSTEM_INFO", info), first);
    EXPECT_EQ(RfcDestroyFunctionDesc(first, &info), RFC_ILLEGAL_STATE);
    RFC_PARAMETER_DESC parameter = {};
    ASSERT_EQ(RfcGetParameterDescByName(first, u"RFCSI_EXPORT", &parameter, &info), RFC_OK);
    EXPECT_EQ(RfcDestroyTypeDesc(parameter.typeDescHandle, &info), RFC_ILLEGAL_STATE);
    EXPECT_EQ(RfcGetParameterDescByName(first, u"NO_SUCH", &parameter, &info), RFC_INVALID_PARAMETER);
    EXPECT_EQ(look_up(connection, u"Z_UNKNOWN", info), nullptr);
    EXPECT_EQ(info.code, RFC_NOT_FOUND);
}

TEST_F(SystemDescriptions, EachKindOfLibraryHandlesTheCallersShorterDescriptionItsWay) {
    struct {
        const char *landscape;   // the system's own setting
        const char *default_to;  // $KORVANEL_NWRFC_DESCRIPTIONS
        RFC_RC local_call;       // RfcInvoke with the description built from the installed structures
        RFC_RC lookup;           // RfcGetFunctionDesc after it
    } cases[] = {
        {"", "", RFC_OK, RFC_OK},
        {"netweaver.descriptions = cut\n", "refuse", RFC_OK, RFC_OK},
        {"netweaver.descriptions = refuse\n", "", RFC_SERIALIZATION_FAILURE, RFC_OK},
        {"", "refuse", RFC_SERIALIZATION_FAILURE, RFC_OK},
        {"netweaver.descriptions = refuse-lookup\n", "", RFC_SERIALIZATION_FAILURE, RFC_ABAP_RUNTIME_FAILURE},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.landscape) + " / " + c.default_to);
        demo_with(c.landscape);
        set_variable("KORVANEL_NWRFC_DESCRIPTIONS", c.default_to);
        RFC_CONNECTION_HANDLE connection = open_demo();
        RFC_ERROR_INFO info;
        RFC_FUNCTION_HANDLE local = create_function(system_info_function(), info);
        ASSERT_NE(local, nullptr);
        memset(&info, 0, sizeof info);
        EXPECT_EQ(RfcInvoke(connection, local, &info), c.local_call);
        if (c.local_call != RFC_OK) {
            EXPECT_EQ(narrow(info.message),
                      "RFCSI_EXPORT: received RFCSI of length 245 does not fit the description's length 200");
        }
        RFC_FUNCTION_DESC_HANDLE system = look_up(connection, u"RFC_SYSTEM_INFO", info);
        EXPECT_EQ(info.code, c.lookup);
        if (c.lookup == RFC_OK) {
            // The connection survived the refusal: the system's description works on it.
            ASSERT_NE(system, nullptr);
            RFC_FUNCTION_HANDLE function = create_function(system, info);
            EXPECT_EQ(RfcInvoke(connection, function, &info), RFC_OK) << narrow(info.message);
        } else {
            EXPECT_EQ(system, nullptr);
            EXPECT_EQ(info.group, ABAP_RUNTIME_FAILURE);
            EXPECT_EQ(narrow(info.key), "RFC_NO_AUTHORITY");
            EXPECT_EQ(narrow(info.message), "User MONITOR has no RFC authorization for function module RFC_METADATA_GET");
            // SAP's library closed the connection after the runtime failure.
            EXPECT_EQ(RfcInvoke(connection, local, &info), RFC_INVALID_HANDLE);
        }
    }
    set_variable("KORVANEL_NWRFC_DESCRIPTIONS", "");
}

}  // namespace nwrfc_test
