// The two simulated function modules through the library's own functions: the
// records arrive byte for byte as the landscape describes them, and every fault in
// the lists a caller passes is answered as a failure or a system failure that says
// what was wrong.
#include "rfc_standin/standin_fixture.h"

using namespace standin_test;

namespace {

struct Modules : StandIn {};

}  // namespace

TEST_F(Modules, SystemInfoFillsTheRecordBlankPadded) {
    RFC_HANDLE handle = open_r3();
    ASSERT_NE(handle, 0u);
    system_info_call call;
    ASSERT_EQ(call.run(handle), RFC_OK);
    EXPECT_EQ(call.field(45, 8), "sapdemo ");      // RFCHOST
    EXPECT_EQ(call.field(53, 8), "DEM     ");      // RFCSYSID
    EXPECT_EQ(call.field(101, 10), "DB4       ");  // RFCDBSYS
    EXPECT_EQ(call.field(0, 3), "   ");            // fields the landscape leaves out are blank
    EXPECT_EQ(call.field(156, 44), std::string(44, ' '));
    EXPECT_EQ(call.complete, 'X');
    EXPECT_EQ(call.maximal, 5);
    EXPECT_EQ(call.exception, nullptr);
    EXPECT_EQ(trace(), "<missing>");
}

TEST_F(Modules, Db4InfoFillsPackedFieldsAndInitialValues) {
    RFC_HANDLE handle = open_r3();
    ASSERT_NE(handle, 0u);
    db4_info_call call;
    ASSERT_EQ(call.run(handle), RFC_OK);
    const unsigned char *r = call.record;
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(r), 32), "DB4       20261210140359DEM     ");
    const unsigned char asp_p[8] = {0x00, 0x00, 0x00, 0x00, 0x87, 0x12, 0x34, 0x5C};
    const unsigned char asp_s[6] = {0x00, 0x01, 0x23, 0x45, 0x67, 0x8C};
    const unsigned char tot_s[6] = {0x00, 0x02, 0x34, 0x56, 0x78, 0x9C};
    EXPECT_EQ(memcmp(r + 100, asp_p, 8), 0);
    EXPECT_EQ(memcmp(r + 108, asp_s, 6), 0);
    EXPECT_EQ(memcmp(r + 114, tot_s, 6), 0);
    const unsigned char zero_packed[8] = {0, 0, 0, 0, 0, 0, 0, 0x0C};
    EXPECT_EQ(memcmp(r + 44, zero_packed, 8), 0);  // TAB_SIZE not given: packed zero
    int tab_cnt = -1;
    memcpy(&tab_cnt, r + 32, 4);
    EXPECT_EQ(tab_cnt, 0);
    EXPECT_EQ(call.api_rc, 7);
}

TEST_F(Modules, SystemInfoListsThatDoNotFitAreAnsweredWithTheirFault) {
    RFC_TYPEHANDLE rfcsi = install("RFCSI", rfcsi_rows, 18);
    RFC_TYPE_ELEMENT short_rows[18];
    memcpy(short_rows, rfcsi_rows, sizeof short_rows);
    short_rows[5].length = 7;  // RFCHOST one byte short: another structure
    RFC_TYPEHANDLE short_rfcsi = install("RFCSI", short_rows, 18);
    RFC_TYPEHANDLE seventeen = install("RFCSI", rfcsi_rows, 17);
    EXPECT_NE(short_rfcsi, rfcsi);
    EXPECT_NE(seventeen, rfcsi);
    struct {
        const char *what;
        void (*change)(system_info_call &, RFC_TYPEHANDLE, RFC_TYPEHANDLE);
        int rc;
        const char *message;
    } cases[] = {
        {"name length one short", [](system_info_call &c, RFC_TYPEHANDLE, RFC_TYPEHANDLE) { c.importing[0].nlen = 16; },
         RFC_SYS_EXCEPTION, "CURRENT_RESOURCES passed with name length 16, not 17"},
        {"unknown name", [](system_info_call &c, RFC_TYPEHANDLE, RFC_TYPEHANDLE) { c.importing[2].name = (char *)"MAXIMUM_RESOURCES"; },
         RFC_SYS_EXCEPTION, "MAXIMUM_RESOURCES is not a parameter of RFC_SYSTEM_INFO"},
        {"name longer than its length says",
         [](system_info_call &c, RFC_TYPEHANDLE, RFC_TYPEHANDLE) { c.importing[2].name = (char *)"MAXIMAL_RESOURCE"; },
         RFC_SYS_EXCEPTION, "MAXIMAL_RESOURCE passed with name length 17, not 16"},
        {"type code instead of the structure",
         [](system_info_call &c, RFC_TYPEHANDLE, RFC_TYPEHANDLE) { c.importing[4].type = TYPC; }, RFC_SYS_EXCEPTION,
         "RFCSI_EXPORT passed as CHAR, needs structure RFCSI"},
        {"record length", [](system_info_call &c, RFC_TYPEHANDLE, RFC_TYPEHANDLE) { c.importing[4].leng = 199; },
         RFC_SYS_EXCEPTION, "RFCSI_EXPORT passed with length 199, needs 200"},
        {"structure with a short field",
         [](system_info_call &c, RFC_TYPEHANDLE wrong, RFC_TYPEHANDLE) { c.importing[4].type = wrong; },
         RFC_SYS_EXCEPTION, "RFCSI_EXPORT: row 6 is RFCHOST CHAR(7,0), RFCSI has RFCHOST CHAR(8,0)"},
        {"structure with 17 rows",
         [](system_info_call &c, RFC_TYPEHANDLE, RFC_TYPEHANDLE seventeen_rows) { c.importing[4].type = seventeen_rows; },
         RFC_SYS_EXCEPTION, "RFCSI_EXPORT: 17 rows installed as RFCSI, RFCSI has 18"},
        {"integer passed as text", [](system_info_call &c, RFC_TYPEHANDLE, RFC_TYPEHANDLE) { c.importing[3].type = TYPC; },
         RFC_SYS_EXCEPTION, "RECOMMENDED_DELAY passed as CHAR, needs INT"},
        {"parameter left out",
         [](system_info_call &c, RFC_TYPEHANDLE, RFC_TYPEHANDLE) { c.importing[5] = c.importing[6]; }, RFC_SYS_EXCEPTION,
         "RFC_LOGIN_COMPLETE not passed"},
        {"parameter twice",
         [](system_info_call &c, RFC_TYPEHANDLE, RFC_TYPEHANDLE) { c.importing[1] = c.importing[0]; }, RFC_SYS_EXCEPTION,
         "CURRENT_RESOURCES passed twice"},
        {"type handle never installed",
         [](system_info_call &c, RFC_TYPEHANDLE, RFC_TYPEHANDLE) { c.importing[4].type = 4711; }, RFC_FAILURE,
         "parameter RFCSI_EXPORT: neither a type code nor an installed structure"},
        {"no address", [](system_info_call &c, RFC_TYPEHANDLE, RFC_TYPEHANDLE) { c.importing[0].addr = nullptr; },
         RFC_FAILURE, "parameter CURRENT_RESOURCES: no address to receive into"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        RFC_HANDLE handle = open_r3();
        system_info_call call;
        c.change(call, short_rfcsi, seventeen);
        EXPECT_EQ(call.run(handle), c.rc);
        EXPECT_EQ(trace_diagnosis(trace()), c.message);
        if (c.rc == RFC_SYS_EXCEPTION) {
            ASSERT_NE(call.exception, nullptr);
            EXPECT_STREQ(call.exception, "SYSTEM_FAILURE");
        }
        EXPECT_EQ(call.field(45, 8), std::string(8, '?'));  // nothing received
        RfcClose(handle);
    }
}

TEST_F(Modules, Db4InfoTablesAreChecked) {
    struct {
        const char *what;
        void (*change)(db4_info_call &);
        int call_rc, receive_rc;
        const char *message;
    } cases[] = {
        {"table name length", [](db4_info_call &c) { c.tables[3].nlen = 11; }, RFC_OK, RFC_SYS_EXCEPTION,
         "MISS_INDEX passed with name length 11, not 10"},
        {"line length declared", [](db4_info_call &c) { c.tables[0].leng = 80; }, RFC_FAILURE, -1,
         "table ADDTL_INDEX: line length 80, the table was created with 40"},
        {"line type is the record", [](db4_info_call &c) { c.tables[1].type = c.importing[1].type; }, RFC_OK,
         RFC_SYS_EXCEPTION, "ADDTL_TABLES: 21 rows installed as DB02INFDB4, MISSOBJ has 1"},
        {"table left out", [](db4_info_call &c) { c.tables[5] = c.tables[6]; }, RFC_OK, RFC_SYS_EXCEPTION,
         "MISS_VIEWS not passed"},
        {"table handle not from ItCreate", [](db4_info_call &c) { c.tables[2].ithandle = &c.api_rc; }, RFC_FAILURE, -1,
         "table ADDTL_VIEWS: not a table created with ItCreate"},
        {"record length", [](db4_info_call &c) { c.importing[1].leng = 119; }, RFC_OK, RFC_SYS_EXCEPTION,
         "DB02_DISPLAYED_INFO passed with length 119, needs 120"},
        {"packed field with other decimals",
         [](db4_info_call &c) {
             static RFC_TYPE_ELEMENT rows[21];
             memcpy(rows, db02infdb4_rows, sizeof rows);
             rows[19].decimals = 0;
             c.importing[1].type = install("DB02INFDB4", rows, 21);
         },
         RFC_OK, RFC_SYS_EXCEPTION,
         "DB02_DISPLAYED_INFO: row 20 is SYS_ASP_S BCD(6,0), DB02INFDB4 has SYS_ASP_S BCD(6,1)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        RFC_HANDLE handle = open_r3();
        db4_info_call call;
        c.change(call);
        int rc = RfcCall(handle, (char *)"DB02_DB4_GET_INFO", call.exporting, call.tables);
        EXPECT_EQ(rc, c.call_rc);
        if (rc == RFC_OK) {
            EXPECT_EQ(RfcReceive(handle, call.importing, call.tables, &call.exception), c.receive_rc);
        }
        EXPECT_EQ(trace_diagnosis(trace()), c.message);
        EXPECT_EQ(call.record[0], '?');
        RfcClose(handle);
    }
}

TEST_F(Modules, ReceiveAnswersOnlyTheCallSentBefore) {
    RFC_HANDLE handle = open_r3();
    db4_info_call call;
    EXPECT_EQ(RfcReceive(handle, call.importing, call.tables, &call.exception), RFC_FAILURE);
    EXPECT_EQ(trace_diagnosis(trace()), "no call to receive");

    ASSERT_EQ(RfcCall(handle, (char *)"DB02_DB4_GET_INFO", call.exporting, call.tables), RFC_OK);
    RFC_TABLE swapped[7];
    memcpy(swapped, call.tables, sizeof swapped);
    std::swap(swapped[0].ithandle, swapped[1].ithandle);
    EXPECT_EQ(RfcReceive(handle, call.importing, swapped, &call.exception), RFC_FAILURE);
    EXPECT_EQ(trace_diagnosis(trace()), "table list differs from the one passed to RfcCall");

    ASSERT_EQ(call.run(handle), RFC_OK);
    EXPECT_EQ(RfcReceive(handle, call.importing, call.tables, &call.exception), RFC_FAILURE);
}

TEST_F(Modules, UnknownModuleParameterAndMissingListsAreRefused) {
    RFC_HANDLE handle = open_r3();
    system_info_call call;
    int value = 0;
    RFC_PARAMETER exporting[2] = {{(char *)"DESTINATION", 11, TYPINT, 4, &value}, {nullptr, 0, 0, 0, nullptr}};
    ASSERT_EQ(RfcCall(handle, (char *)"RFC_SYSTEM_INFO", exporting, call.tables), RFC_OK);
    EXPECT_EQ(RfcReceive(handle, call.importing, call.tables, &call.exception), RFC_SYS_EXCEPTION);
    EXPECT_EQ(trace_diagnosis(trace()), "DESTINATION is not a parameter of RFC_SYSTEM_INFO");

    ASSERT_EQ(RfcCall(handle, (char *)"Z_NO_SUCH_MODULE", call.exporting, call.tables), RFC_OK);
    EXPECT_EQ(RfcReceive(handle, call.importing, call.tables, &call.exception), RFC_SYS_EXCEPTION);
    EXPECT_EQ(trace_diagnosis(trace()), "Function module \"Z_NO_SUCH_MODULE\" not found");

    EXPECT_EQ(RfcCall(handle, (char *)"RFC_SYSTEM_INFO", call.exporting, nullptr), RFC_FAILURE);
    EXPECT_EQ(trace_diagnosis(trace()), "table list missing (null)");
    EXPECT_EQ(RfcCall(handle, (char *)"RFC_SYSTEM_INFO", nullptr, call.tables), RFC_FAILURE);
    EXPECT_EQ(trace_diagnosis(trace()), "parameter list missing (null)");
    EXPECT_EQ(RfcCall(handle, nullptr, call.exporting, call.tables), RFC_FAILURE);
    EXPECT_EQ(trace_diagnosis(trace()), "no function module name");
}

TEST_F(Modules, StructuresAreInstalledOnceAndServeEveryConnection) {
    RFC_TYPEHANDLE first = install("RFCSI", rfcsi_rows, 18);
    EXPECT_EQ(install("RFCSI", rfcsi_rows, 18), first);
    EXPECT_GT(first, static_cast<RFC_TYPEHANDLE>(TYPINT1));  // never mistaken for a type code
    EXPECT_NE(install("MISSOBJ", missobj_rows, 1), first);
    RFC_HANDLE one = open_r3();
    RFC_HANDLE two = open_r3();
    system_info_call a, b;
    EXPECT_EQ(a.run(one), RFC_OK);
    EXPECT_EQ(b.run(two), RFC_OK);
}

TEST_F(Modules, RowsThatCannotDescribeAFieldAreNotInstalled) {
    struct {
        const char *what;
        RFC_TYPE_ELEMENT row;
        const char *message;
    } cases[] = {
        {"date of 6 bytes", {(char *)"D", TYPDATE, 6, 0, 0}, "structure ZROW: a row whose length does not suit its type"},
        {"integer of 2 bytes", {(char *)"I", TYPINT, 2, 0, 0}, "structure ZROW: a row whose length does not suit its type"},
        {"table type", {(char *)"T", TYPTABH, 8, 0, 0}, "structure ZROW: a row with an unknown type code"},
        {"type code 11", {(char *)"T", 11, 8, 0, 0}, "structure ZROW: a row with an unknown type code"},
        {"length 0", {(char *)"C", TYPC, 0, 0, 0}, "structure ZROW: a row of length 0"},
        {"packed with too many decimals", {(char *)"P", TYPP, 2, 4, 0},
         "structure ZROW: a packed row with more bytes or decimals than a packed field holds"},
        {"no name", {nullptr, TYPC, 4, 0, 0}, "structure ZROW: a row without a name"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        RFC_TYPE_ELEMENT rows[2] = {{(char *)"FIRST", TYPC, 4, 0, 0}, c.row};
        RFC_TYPEHANDLE handle = 0;
        EXPECT_EQ(RfcInstallStructure((char *)"ZROW", rows, 2, &handle), RFC_FAILURE);
        EXPECT_EQ(handle, 0u);
        EXPECT_EQ(trace_diagnosis(trace()), c.message);
    }
    // The fifth field is not an offset: the library places the fields and ignores it.
    RFC_TYPE_ELEMENT unused_field_set[2] = {{(char *)"FIRST", TYPC, 4, 0, 0}, {(char *)"SECOND", TYPP, 8, 2, 9}};
    RFC_TYPEHANDLE handle = 0;
    EXPECT_EQ(RfcInstallStructure((char *)"ZROW", unused_field_set, 2, &handle), RFC_OK);
}
