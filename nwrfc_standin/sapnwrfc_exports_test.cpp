// The NetWeaver stand-in playing a landscape: logons accepted and refused at the open
// as SAP's NetWeaver library refuses them, the two function modules answering with
// the landscape's values in UTF-16 and decimal texts, every failure the landscape can
// give with the error information the bridge translates, and the delays it plays.
#include "nwrfc_standin/nwrfc_fixture.h"

#include <algorithm>
#include <chrono>

namespace nwrfc_test {
namespace {

struct Exports : NwStandIn {
    /// RFC_SYSTEM_INFO invoked on `connection`; its return code, the function in `function`.
    RFC_RC system_info(RFC_CONNECTION_HANDLE connection, RFC_FUNCTION_HANDLE &function, RFC_ERROR_INFO &info) {
        function = create_function(system_info_function(), info);
        EXPECT_NE(function, nullptr) << narrow(info.message);
        memset(&info, 0, sizeof info);
        return RfcInvoke(connection, function, &info);
    }
    RFC_RC db4_info(RFC_CONNECTION_HANDLE connection, RFC_FUNCTION_HANDLE &function, RFC_ERROR_INFO &info) {
        function = create_function(db4_info_function(), info);
        EXPECT_NE(function, nullptr) << narrow(info.message);
        memset(&info, 0, sizeof info);
        return RfcInvoke(connection, function, &info);
    }
};

// What a reader of Dev_Rfc.Trc (the sensor's diagnosis) finds in its last error block.
std::string trace_message(const std::string &trace) { return standin_test::trace_diagnosis(trace); }

}  // namespace

TEST_F(Exports, ALogonIsCheckedAtTheOpenAndARefusalSaysWhyWithoutThePassword) {
    struct {
        const char *what;
        logon_spec logon;
        const char *landscape_extra;
        RFC_RC code;
        RFC_ERROR_GROUP group;
        const char *message;
    } cases[] = {
        {"accepted", demo_logon(), "", RFC_OK, OK, ""},
        {"user in another case", demo_logon("sapdemo", "00", "100", "monitor"), "", RFC_OK, OK, ""},
        {"by the gateway", demo_logon("", "", "100", "MONITOR", "Monitor#2024", "sapdemo", "sapgw00"), "", RFC_OK, OK, ""},
        {"wrong password", demo_logon("sapdemo", "00", "100", "MONITOR", "Monitor#2025"), "", RFC_LOGON_FAILURE, LOGON_FAILURE,
         "Name or password is incorrect (repeat logon)"},
        {"wrong client", demo_logon("sapdemo", "00", "200"), "", RFC_LOGON_FAILURE, LOGON_FAILURE,
         "Client 200 is not available in this system"},
        {"refused by the system", demo_logon(), "fault = logon_refused\n", RFC_LOGON_FAILURE, LOGON_FAILURE,
         "Name or password is incorrect (repeat logon)"},
        {"unknown host", demo_logon("sapnone"), "", RFC_COMMUNICATION_FAILURE, COMMUNICATION_FAILURE,
         "partner not reached (host sapnone, service 3300)"},
        {"wrong system number", demo_logon("sapdemo", "01"), "", RFC_COMMUNICATION_FAILURE, COMMUNICATION_FAILURE,
         "partner not reached (host sapdemo, service 3301)"},
        {"unreachable", demo_logon(), "fault = unreachable\n", RFC_COMMUNICATION_FAILURE, COMMUNICATION_FAILURE,
         "partner not reached (host sapdemo, service 3300)"},
        // The NetWeaver library has no error handler: the failure is the open's answer.
        {"broken during logon", demo_logon(), "fault = handler_on_open\n", RFC_COMMUNICATION_FAILURE,
         COMMUNICATION_FAILURE, "connection to partner 'DEMO' broken during logon"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove("Dev_Rfc.Trc");
        demo_with(c.landscape_extra);
        RFC_ERROR_INFO info;
        RFC_CONNECTION_HANDLE handle = open(c.logon, info);
        EXPECT_EQ(handle != nullptr, c.code == RFC_OK);
        EXPECT_EQ(info.code, c.code);
        EXPECT_EQ(info.group, c.group);
        // A communication failure's text spans lines, as SAP's library writes it.
        EXPECT_EQ(narrow(info.message)[0] == '\n', c.code == RFC_COMMUNICATION_FAILURE) << narrow(info.message);
        EXPECT_EQ(error_line(narrow(info.message)), c.message);
        EXPECT_EQ(narrow(info.message).find("Monitor#"), std::string::npos);
        std::string written = trace();
        EXPECT_EQ(written.find("Monitor#"), std::string::npos) << written;
        if (c.code != RFC_OK) {
            EXPECT_NE(written.find(c.message), std::string::npos) << written;
        }
    }
}

namespace {

/// DEMO through the message server: its ID and a logon group, the rest replaceable.
logon_spec balanced(const char *mshost = "sapmsdemo", const char *sysid = "DEM", const char *group = "PUBLIC",
                    const char *msserv = "") {
    logon_spec spec;
    spec.ashost = "";
    spec.sysnr = "";
    spec.mshost = mshost;
    spec.sysid = sysid;
    spec.group = group;
    spec.msserv = msserv;
    return spec;
}

}  // namespace

TEST_F(Exports, ALoadBalancedLogonFindsTheSystemByMessageServerIdAndGroup) {
    logon_spec wrong_password = balanced(), by_r3name = balanced("sapmsdemo", "");
    wrong_password.passwd = "Monitor#2025";
    by_r3name.extra_name = "R3NAME";
    by_r3name.extra_value = "DEM";
    const char *const groups = "mshost = sapmsdemo\nsysid = DEM\ngroups = PUBLIC MONITORING\n";
    struct {
        const char *what;
        logon_spec logon;
        const char *landscape_extra;
        RFC_RC code;
        const char *message;
    } cases[] = {
        {"accepted", balanced(), groups, RFC_OK, ""},
        {"letter case is no matter", balanced("SAPMSDEMO", "dem", "monitoring"), groups, RFC_OK, ""},
        {"the system's ID as R3NAME", by_r3name, groups, RFC_OK, ""},
        {"the service by its name", balanced("sapmsdemo", "DEM", "PUBLIC", "sapmsDEM"), groups, RFC_OK, ""},
        {"the service by its port", balanced("sapmsdemo", "DEM", "PUBLIC", "3600"), groups, RFC_OK, ""},
        {"SAP's default group", balanced(), "mshost = sapmsdemo\nsysid = DEM\n", RFC_OK, ""},
        {"another port", balanced("sapmsdemo", "DEM", "PUBLIC", "3601"), groups, RFC_COMMUNICATION_FAILURE,
         "partner 'sapmsdemo:3601' not reached"},
        {"unknown message server", balanced("sapmsnone"), groups, RFC_COMMUNICATION_FAILURE,
         "partner 'sapmsnone:sapmsDEM' not reached"},
        {"another system's ID", balanced("sapmsdemo", "QAS"), groups, RFC_COMMUNICATION_FAILURE,
         "partner 'sapmsdemo:sapmsQAS' not reached"},
        {"unknown group", balanced("sapmsdemo", "DEM", "SPACE"), groups, RFC_COMMUNICATION_FAILURE,
         "Group SPACE not found"},
        {"a group only the default lacks", balanced("sapmsdemo", "DEM", "MONITORING"), "mshost = sapmsdemo\nsysid = DEM\n",
         RFC_COMMUNICATION_FAILURE, "Group MONITORING not found"},
        {"the chosen server unreachable", balanced(), "mshost = sapmsdemo\nsysid = DEM\nfault = unreachable\n",
         RFC_COMMUNICATION_FAILURE, "partner not reached (host sapdemo, service 3300)"},
        {"wrong password", wrong_password, groups, RFC_LOGON_FAILURE, "Name or password is incorrect (repeat logon)"},
        {"no system ID", balanced("sapmsdemo", ""), groups, RFC_INVALID_PARAMETER,
         "Parameter SYSID is missing: a logon through the message server MSHOST needs it"},
        {"no group", balanced("sapmsdemo", "DEM", ""), groups, RFC_INVALID_PARAMETER,
         "Parameter GROUP is missing: a logon through the message server MSHOST needs it"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        demo_with(c.landscape_extra);
        RFC_ERROR_INFO info;
        RFC_CONNECTION_HANDLE handle = open(c.logon, info);
        EXPECT_EQ(handle != nullptr, c.code == RFC_OK);
        EXPECT_EQ(info.code, c.code);
        EXPECT_EQ(error_line(narrow(info.message)), c.message);
        EXPECT_EQ(info.group, c.code == RFC_OK                      ? OK
                              : c.code == RFC_COMMUNICATION_FAILURE ? COMMUNICATION_FAILURE
                              : c.code == RFC_LOGON_FAILURE         ? LOGON_FAILURE
                                                                    : EXTERNAL_RUNTIME_FAILURE);
    }
    // Given an application server, the logon goes there and the message server is not asked.
    logon_spec direct;
    direct.mshost = "sapmsnone";
    demo_with("");
    RFC_ERROR_INFO info;
    EXPECT_NE(open(direct, info), nullptr) << narrow(info.message);
}

TEST_F(Exports, ConnectionParametersItDoesNotKnowAreRefusedByName) {
    RFC_ERROR_INFO info;
    logon_spec logon;
    logon.extra_name = "X509CERT";
    logon.extra_value = "MIIB";
    EXPECT_EQ(open(logon, info), nullptr);
    EXPECT_EQ(info.code, RFC_INVALID_PARAMETER);
    EXPECT_EQ(narrow(info.message), "parameter X509CERT is not known to the stand-in");
    // SNC's parameters are taken; SNC with a password logs on as the SNC name unless
    // single sign-on is switched off.
    logon.extra_name = "SNC_QOP";
    logon.extra_value = "9";
    EXPECT_NE(open(logon, info), nullptr) << narrow(info.message);
    logon.extra_name = "snc_mode";
    logon.extra_value = "1";
    EXPECT_EQ(open(logon, info), nullptr);
    EXPECT_EQ(info.code, RFC_LOGON_FAILURE);
    // Names in any case, as SAP's library takes them; the language and trace are taken.
    logon.extra_name = "Trace";
    logon.extra_value = "0";
    EXPECT_NE(open(logon, info), nullptr) << narrow(info.message);
}

TEST_F(Exports, TheSystemInformationArrivesAsTheLandscapeGivesIt) {
    RFC_CONNECTION_HANDLE connection = open_demo();
    RFC_FUNCTION_HANDLE function;
    RFC_ERROR_INFO info;
    ASSERT_EQ(system_info(connection, function, info), RFC_OK) << narrow(info.message);
    RFC_STRUCTURE_HANDLE rfcsi = nullptr;
    ASSERT_EQ(RfcGetStructure(function, u"RFCSI_EXPORT", &rfcsi, &info), RFC_OK);
    EXPECT_EQ(chars_of(rfcsi, "RFCHOST", 8), "sapdemo ");
    EXPECT_EQ(chars_of(rfcsi, "RFCDBSYS", 10), "DB4       ");
    EXPECT_EQ(chars_of(rfcsi, "RFCSYSID", 8), "DEM     ");
    EXPECT_EQ(chars_of(function, "RFC_LOGIN_COMPLETE", 1), "X");

    // The same connection answers a second module.
    ASSERT_EQ(db4_info(connection, function, info), RFC_OK) << narrow(info.message);
    RFC_INT api_rc = 0;
    ASSERT_EQ(RfcGetInt(function, u"API_QWCRSSTS_RC", &api_rc, &info), RFC_OK);
    EXPECT_EQ(api_rc, 7);
    RFC_STRUCTURE_HANDLE db02 = nullptr;
    ASSERT_EQ(RfcGetStructure(function, u"DB02_DISPLAYED_INFO", &db02, &info), RFC_OK);
    EXPECT_EQ(packed_of(db02, "SYS_ASP_P"), "87.12345");
    EXPECT_EQ(packed_of(db02, "SYS_ASP_S"), "1234567.8");
    EXPECT_EQ(packed_of(db02, "ASP_TOT_S"), "2345678.9");
    EXPECT_EQ(packed_of(db02, "TAB_SIZE"), "0");
    char16_t date[8];
    ASSERT_EQ(RfcGetDate(db02, u"FS_A_DATE", date, &info), RFC_OK);
    EXPECT_EQ(narrow(date, 8), "20261210");
    // The system sends no rows of its own.
    RFC_TABLE_HANDLE table = nullptr;
    unsigned rows = 99;
    ASSERT_EQ(RfcGetTable(function, u"MISS_TABLES", &table, &info), RFC_OK);
    ASSERT_EQ(RfcGetRowCount(table, &rows, &info), RFC_OK);
    EXPECT_EQ(rows, 0u);
}

TEST_F(Exports, TextsAndNumbersTheClassicRecordCannotHoldArriveWhole) {
    // The landscape file is UTF-8: a euro sign (three bytes there) is one UTF-16 character,
    // and a negative packed value with five decimals keeps every digit.
    demo_with("db02.SYSID = D\xe2\x82\xacM\ndb02.SYS_ASP_P = -0.00001\nrfcsi.RFCHOST = s\xc3\xa4pdemo\n");
    RFC_CONNECTION_HANDLE connection = open_demo();
    RFC_FUNCTION_HANDLE function;
    RFC_ERROR_INFO info;
    ASSERT_EQ(db4_info(connection, function, info), RFC_OK) << narrow(info.message);
    RFC_STRUCTURE_HANDLE db02 = nullptr;
    ASSERT_EQ(RfcGetStructure(function, u"DB02_DISPLAYED_INFO", &db02, &info), RFC_OK);
    EXPECT_EQ(chars_of(db02, "SYSID", 8), "D{20AC}M     ");
    EXPECT_EQ(packed_of(db02, "SYS_ASP_P"), "-0.00001");
    ASSERT_EQ(system_info(connection, function, info), RFC_OK) << narrow(info.message);
    RFC_STRUCTURE_HANDLE rfcsi = nullptr;
    ASSERT_EQ(RfcGetStructure(function, u"RFCSI_EXPORT", &rfcsi, &info), RFC_OK);
    EXPECT_EQ(chars_of(rfcsi, "RFCHOST", 8), "s\xe4pdemo ");
}

TEST_F(Exports, EachCallFaultGivesTheErrorInformationOfItsKind) {
    struct {
        const char *fault;
        RFC_RC code;
        RFC_ERROR_GROUP group;
        const char *key;
        const char *message;
    } cases[] = {
        {"call_fails RFC_SYSTEM_INFO", RFC_COMMUNICATION_FAILURE, COMMUNICATION_FAILURE, "RFC_COMMUNICATION_FAILURE",
         "connection to partner 'sapdemo' broken"},
        {"exception RFC_SYSTEM_INFO NOT_AUTHORIZED", RFC_ABAP_EXCEPTION, ABAP_APPLICATION_FAILURE, "NOT_AUTHORIZED",
         "Function module RFC_SYSTEM_INFO raised the exception NOT_AUTHORIZED"},
        {"sys_exception RFC_SYSTEM_INFO SYSTEM_FAILURE", RFC_ABAP_RUNTIME_FAILURE, ABAP_RUNTIME_FAILURE,
         "SYSTEM_FAILURE", "System failure in RFC_SYSTEM_INFO: SYSTEM_FAILURE"},
        {"handler_on_call RFC_SYSTEM_INFO", RFC_COMMUNICATION_FAILURE, COMMUNICATION_FAILURE,
         "RFC_COMMUNICATION_FAILURE", nullptr},
        {"exception DB02_DB4_GET_INFO NOT_FOUND", RFC_OK, OK, "", ""},  // another module's fault
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.fault);
        std::filesystem::remove("Dev_Rfc.Trc");
        demo_with(std::string("fault = ") + c.fault + "\n");
        RFC_CONNECTION_HANDLE connection = open_demo();
        RFC_FUNCTION_HANDLE function;
        RFC_ERROR_INFO info;
        EXPECT_EQ(system_info(connection, function, info), c.code);
        EXPECT_EQ(info.code, c.code);
        EXPECT_EQ(info.group, c.group);
        EXPECT_EQ(narrow(info.key), c.key);
        if (c.message != nullptr) {
            EXPECT_EQ(error_line(narrow(info.message)), c.message);
        }
        // The classic trace carries the same message, so the sensor's diagnosis works unchanged.
        if (c.code != RFC_OK) {
            EXPECT_EQ(trace_message(trace()), error_line(narrow(info.message)));
        } else {
            EXPECT_EQ(trace(), "<missing>");
        }
    }
}

TEST_F(Exports, AConnectionOrFunctionUsedAfterItsEndIsRefused) {
    RFC_CONNECTION_HANDLE connection = open_demo();
    RFC_ERROR_INFO info;
    ASSERT_EQ(RfcCloseConnection(connection, &info), RFC_OK);
    EXPECT_EQ(RfcCloseConnection(connection, &info), RFC_INVALID_HANDLE);
    RFC_FUNCTION_HANDLE function;
    EXPECT_EQ(system_info(connection, function, info), RFC_INVALID_HANDLE);
    EXPECT_EQ(info.code, RFC_INVALID_HANDLE);
    EXPECT_EQ(trace(), "<missing>");  // a program's own mistake, not a system's failure

    RFC_CONNECTION_HANDLE again = open_demo();
    ASSERT_NE(again, nullptr);
    ASSERT_EQ(RfcDestroyFunction(function, &info), RFC_OK);
    EXPECT_EQ(RfcInvoke(again, function, &info), RFC_INVALID_HANDLE);
    ASSERT_EQ(system_info(again, function, info), RFC_OK) << narrow(info.message);
}

TEST_F(Exports, AFailureThatEndsTheConnectionLeavesItsHandleInvalid) {
    // A communication failure and a runtime failure close the connection inside the
    // library; an ABAP exception is an answer and leaves it open.
    struct {
        const char *fault;
        RFC_RC code;
        bool closed;
    } cases[] = {
        {"call_fails RFC_SYSTEM_INFO", RFC_COMMUNICATION_FAILURE, true},
        {"sys_exception RFC_SYSTEM_INFO ABAP_RUNTIME_ERROR", RFC_ABAP_RUNTIME_FAILURE, true},
        {"exception RFC_SYSTEM_INFO NOT_AUTHORIZED", RFC_ABAP_EXCEPTION, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.fault);
        demo_with(std::string("fault = ") + c.fault + "\n");
        RFC_CONNECTION_HANDLE connection = open_demo();
        RFC_FUNCTION_HANDLE function;
        RFC_ERROR_INFO info;
        ASSERT_EQ(system_info(connection, function, info), c.code);
        if (c.code == RFC_ABAP_RUNTIME_FAILURE) {
            EXPECT_EQ(narrow(info.key), "ABAP_RUNTIME_ERROR") << "the dump's name is the key";
        }
        RFC_RC expected = c.closed ? RFC_INVALID_HANDLE : RFC_ABAP_EXCEPTION;
        EXPECT_EQ(RfcInvoke(connection, function, &info), expected);
        EXPECT_EQ(RfcCloseConnection(connection, &info), c.closed ? RFC_INVALID_HANDLE : RFC_OK);
        // The next open gets another handle while one is free.
        RFC_CONNECTION_HANDLE next = open_demo();
        EXPECT_NE(next, c.closed ? connection : nullptr);
        EXPECT_EQ(RfcCloseConnection(next, &info), RFC_OK);
    }
}

TEST_F(Exports, ATypeDescriptionOutlivesTheFunctionDescriptionsThatUseIt) {
    RFC_TYPE_DESC_HANDLE line = make_type("LINE", {{"NAME", RFCTYPE_CHAR, 10, 0}});
    RFC_FUNCTION_DESC_HANDLE description = make_function("Z_F", {{"ROWS", RFC_TABLES, RFCTYPE_TABLE, 10, 0, line}});
    RFC_ERROR_INFO info;
    EXPECT_EQ(RfcDestroyTypeDesc(line, &info), RFC_ILLEGAL_STATE);
    ASSERT_EQ(RfcDestroyFunctionDesc(description, &info), RFC_OK);
    EXPECT_EQ(RfcDestroyTypeDesc(line, &info), RFC_OK);
    EXPECT_EQ(RfcDestroyTypeDesc(line, &info), RFC_INVALID_HANDLE);
}

TEST_F(Exports, ItsOwnTraceGoesWhereItWasToldInItsOwnFormat) {
    // The classic library's blocks, which share the working directory's file on Windows,
    // end their lines in CR LF there.
    auto text_of = [](const char *path) {
        std::string text = read_file(path);
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        return text;
    };
    demo_with("fault = unreachable\n");
    RFC_ERROR_INFO info;
    // Not told: into the working directory, as SAP's library writes it.
    set_trace_folder("");
    EXPECT_EQ(open(logon_spec{}, info), nullptr);
    std::string own = text_of("dev_rfc.trc");
#if defined(_WIN32)
    // Windows' names know no case: this is the classic library's Dev_Rfc.Trc too, whose
    // blocks may stand before SAP's own (the collision its own folder avoids).
    EXPECT_NE(own.find("\n**** Trace file opened at "), std::string::npos) << own;
#else
    EXPECT_EQ(own.rfind("\n**** Trace file opened at ", 0), 0u) << own;
#endif
    EXPECT_NE(own.find("\nERROR       partner not reached (host sapdemo, service 3300)\n"), std::string::npos) << own;
    EXPECT_EQ(own.find("Monitor#"), std::string::npos);
    // Told a folder: there, and appended to; nothing of SAP's in the working directory.
    std::filesystem::remove("dev_rfc.trc");
    set_trace_folder(directory / "sap-trace");
    EXPECT_EQ(open(logon_spec{}, info), nullptr);
    demo_with("");
    EXPECT_EQ(open(demo_logon("sapdemo", "00", "100", "MONITOR", "wrong"), info), nullptr);
    EXPECT_EQ(text_of("dev_rfc.trc").find("**** Trace file opened at"), std::string::npos);
    own = text_of("sap-trace/dev_rfc.trc");
    EXPECT_NE(own.find("\nERROR       partner not reached"), std::string::npos) << own;
    EXPECT_NE(own.find("\nERROR       Name or password is incorrect (repeat logon)\n"), std::string::npos) << own;
}

TEST_F(Exports, TheClassicLibrarysOwnStepsFaultsHaveNothingToHitHere) {
    // The NetWeaver library has no RfcInstallStructure, ItCreate or ItDelete: a landscape
    // that makes those classic steps fail leaves a NetWeaver call whole, and the trace clean.
    demo_with("fault = install_fails RFCSI\nfault = install_fails DB02INFDB4\n"
              "fault = itcreate_fails MISS_TABLES\nfault = itdelete_fails ADDTL_VIEWS\n");
    RFC_CONNECTION_HANDLE connection = open_demo();
    RFC_FUNCTION_HANDLE function;
    RFC_ERROR_INFO info;
    ASSERT_EQ(system_info(connection, function, info), RFC_OK) << narrow(info.message);
    ASSERT_EQ(db4_info(connection, function, info), RFC_OK) << narrow(info.message);
    RFC_STRUCTURE_HANDLE db02 = nullptr;
    ASSERT_EQ(RfcGetStructure(function, u"DB02_DISPLAYED_INFO", &db02, &info), RFC_OK);
    EXPECT_EQ(packed_of(db02, "SYS_ASP_P"), "87.12345");
    EXPECT_EQ(trace(), "<missing>");
}

TEST_F(Exports, TableRowsSentComeBackAsTheModuleLeavesThem) {
    RFC_CONNECTION_HANDLE connection = open_demo();
    RFC_ERROR_INFO info;
    RFC_FUNCTION_HANDLE function = create_function(db4_info_function(), info);
    ASSERT_NE(function, nullptr);
    RFC_TABLE_HANDLE table = nullptr;
    ASSERT_EQ(RfcGetTable(function, u"ADDTL_VIEWS", &table, &info), RFC_OK);
    // The second row's text looks like UTF-8 in ISO-8859-1 bytes: it comes back unchanged.
    for (const char16_t *name : {u"V_ONE", u"V\u00c3\u00a9WO"}) {
        RFC_STRUCTURE_HANDLE row = RfcAppendNewRow(table, &info);
        ASSERT_NE(row, nullptr);
        ASSERT_EQ(RfcSetChars(row, u"NAME", name, 5, &info), RFC_OK);
    }
    ASSERT_EQ(RfcInvoke(connection, function, &info), RFC_OK) << narrow(info.message);
    unsigned rows = 0;
    ASSERT_EQ(RfcGetRowCount(table, &rows, &info), RFC_OK);
    ASSERT_EQ(rows, 2u);
    ASSERT_EQ(RfcMoveTo(table, 1, &info), RFC_OK);
    EXPECT_EQ(chars_of(RfcGetCurrentRow(table, &info), "NAME", 6), "V\xc3\xa9WO ");
}

TEST_F(Exports, TheSystemsTableLinesReplaceWhatTheCallerSent) {
    demo_with("db02.table.MISS_TABLES = ZSALES\n"
              "db02.table.MISS_TABLES = Z123456789_123456789_123456789_123456789_LONGER\n"
              "db02.table.MISS_VIEWS = Z\xe2\x82\xac_\xc3\x9c" "BER\n");
    RFC_CONNECTION_HANDLE connection = open_demo();
    RFC_ERROR_INFO info;
    RFC_FUNCTION_HANDLE function = create_function(db4_info_function(), info);
    ASSERT_NE(function, nullptr);
    RFC_TABLE_HANDLE tables = nullptr, views = nullptr, index = nullptr;
    ASSERT_EQ(RfcGetTable(function, u"MISS_TABLES", &tables, &info), RFC_OK);
    ASSERT_EQ(RfcGetTable(function, u"MISS_VIEWS", &views, &info), RFC_OK);
    ASSERT_EQ(RfcGetTable(function, u"MISS_INDEX", &index, &info), RFC_OK);
    ASSERT_NE(RfcAppendNewRow(tables, &info), nullptr);  // the caller's row: the system's answer replaces it
    ASSERT_EQ(RfcInvoke(connection, function, &info), RFC_OK) << narrow(info.message);
    unsigned rows = 0;
    ASSERT_EQ(RfcGetRowCount(tables, &rows, &info), RFC_OK);
    EXPECT_EQ(rows, 2u);
    ASSERT_EQ(RfcMoveTo(tables, 0, &info), RFC_OK);
    EXPECT_EQ(chars_of(RfcGetCurrentRow(tables, &info), "NAME", 40), "ZSALES" + std::string(34, ' '));
    // A line longer than the table's is cut at its length.
    ASSERT_EQ(RfcMoveTo(tables, 1, &info), RFC_OK);
    EXPECT_EQ(chars_of(RfcGetCurrentRow(tables, &info), "NAME", 40), "Z123456789_123456789_123456789_123456789");
    // The system's characters arrive as characters, ISO-8859-1 or not.
    ASSERT_EQ(RfcGetRowCount(views, &rows, &info), RFC_OK);
    ASSERT_EQ(rows, 1u);
    ASSERT_EQ(RfcMoveTo(views, 0, &info), RFC_OK);
    char16_t name[8];
    ASSERT_EQ(RfcGetChars(RfcGetCurrentRow(views, &info), u"NAME", name, 7, &info), RFC_OK);
    EXPECT_EQ(std::u16string(name, 7), u"Z\u20ac_\u00dcBER");
    ASSERT_EQ(RfcGetRowCount(index, &rows, &info), RFC_OK);
    EXPECT_EQ(rows, 0u);
}

TEST_F(Exports, DelaysOfTheLandscapeLengthenTheOpenAndTheCall) {
    // Lower bounds only: a loaded machine may take longer, never shorter.
    demo_with("delay_open = 300\ndelay_call = RFC_SYSTEM_INFO 400\n");
    auto started = std::chrono::steady_clock::now();
    RFC_CONNECTION_HANDLE connection = open_demo();
    auto opened = std::chrono::steady_clock::now();
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(opened - started).count(), 300);
    RFC_FUNCTION_HANDLE function;
    RFC_ERROR_INFO info;
    ASSERT_EQ(system_info(connection, function, info), RFC_OK);
    auto called = std::chrono::steady_clock::now();
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(called - opened).count(), 400);
}

TEST_F(Exports, TheVersionNamesTheStandInNotSap) {
    unsigned major = 0, minor = 9, patch = 9;
    const SAP_UC *text = RfcGetVersion(&major, &minor, &patch);
    EXPECT_EQ(major, 7500u);
    EXPECT_NE(narrow(text).find("stand-in"), std::string::npos);
}

}  // namespace nwrfc_test
