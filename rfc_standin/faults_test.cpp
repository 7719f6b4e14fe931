// Faults on demand: each kind a landscape can give a system shows up at the call
// it names, with the return code, exception name and trace message a real failure
// of that kind brings, and nowhere else.
#include "rfc_standin/standin_fixture.h"

using namespace standin_test;

namespace {

struct Faults : StandIn {};

// What the registered error handler saw.
std::vector<std::string> handled;
std::string key_seen_by_handler;

void LIBRFC32_API record_handler(char *operation) {
    handled.push_back(operation);
    RFC_ERROR_INFO info;
    memset(&info, 0, sizeof info);
    RfcLastError(&info);
    key_seen_by_handler = info.key;
    RfcClose(0);  // as the sensor's handler does before it ends the process
}

void register_handler() {
    handled.clear();
    key_seen_by_handler.clear();
    RFC_ENV environment = {record_handler, nullptr};
    RfcEnvironment(&environment);
}

}  // namespace

TEST_F(Faults, CallFaultsGiveTheirCodeNameAndMessage) {
    struct {
        const char *fault;
        int rc;
        const char *exception;  // null: none returned
        const char *message;
    } cases[] = {
        {"call_fails RFC_SYSTEM_INFO", RFC_FAILURE, nullptr, "connection to partner 'sapdemo' broken"},
        {"exception RFC_SYSTEM_INFO NOT_AUTHORIZED", RFC_EXCEPTION, "NOT_AUTHORIZED",
         "Function module RFC_SYSTEM_INFO raised the exception NOT_AUTHORIZED"},
        {"sys_exception rfc_system_info COMMUNICATION_FAILURE", RFC_SYS_EXCEPTION, "COMMUNICATION_FAILURE",
         "System failure in RFC_SYSTEM_INFO: COMMUNICATION_FAILURE"},
        {"return_code RFC_SYSTEM_INFO 23", RFC_TIMEOUT, nullptr, "RFC_SYSTEM_INFO ends with return code 23"},
        {"return_code RFC_SYSTEM_INFO 6", RFC_CLOSED, nullptr, "RFC_SYSTEM_INFO ends with return code 6"},
        {"return_code RFC_SYSTEM_INFO 0", RFC_OK, nullptr, ""},
        {"exception DB02_DB4_GET_INFO NOT_FOUND", RFC_OK, nullptr, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.fault);
        std::filesystem::remove("Dev_Rfc.Trc");
        demo_with(std::string("fault = ") + c.fault + "\n");
        RFC_HANDLE handle = open_r3();
        system_info_call call;
        EXPECT_EQ(call.run(handle), c.rc);
        if (c.exception == nullptr) {
            EXPECT_EQ(call.exception, nullptr);
        } else {
            ASSERT_NE(call.exception, nullptr);
            EXPECT_STREQ(call.exception, c.exception);
        }
        EXPECT_EQ(trace_diagnosis(trace()), c.message);
        EXPECT_EQ(call.field(101, 10), c.rc == RFC_OK ? "DB4       " : std::string(10, '?'));
        RfcClose(handle);
    }
}

TEST_F(Faults, StructureAndTableFaultsFollowTheSystemLoggedOnLast) {
    demo_with("fault = install_fails DB02INFDB4\nfault = itcreate_fails MISS_TABLES\nfault = itdelete_fails ADDTL_VIEWS\n");
    RFC_TYPEHANDLE handle = 0;
    // Before any logon there is no system whose faults could apply.
    EXPECT_EQ(RfcInstallStructure((char *)"DB02INFDB4", db02infdb4_rows, 21, &handle), RFC_OK);
    ITAB_H before = ItCreate((char *)"MISS_TABLES", 40, 0, 0);
    EXPECT_NE(before, nullptr);
    EXPECT_EQ(ItDelete(before), 0);

    ASSERT_NE(open_r3(), 0u);
    handle = 0;
    EXPECT_EQ(RfcInstallStructure((char *)"DB02INFDB4", db02infdb4_rows, 21, &handle), RFC_FAILURE);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(trace_diagnosis(trace()), "structure DB02INFDB4: installation refused");
    EXPECT_EQ(RfcInstallStructure((char *)"MISSOBJ", missobj_rows, 1, &handle), RFC_OK);

    EXPECT_EQ(ItCreate((char *)"MISS_TABLES", 40, 0, 0), nullptr);
    EXPECT_EQ(trace_diagnosis(trace()), "ItCreate MISS_TABLES: no memory for the table");
    ITAB_H views = ItCreate((char *)"ADDTL_VIEWS", 40, 0, 0);
    ITAB_H index = ItCreate((char *)"ADDTL_INDEX", 40, 0, 0);
    ASSERT_NE(views, nullptr);
    ASSERT_NE(index, nullptr);
    EXPECT_EQ(ItDelete(views), 1);
    EXPECT_EQ(trace_diagnosis(trace()), "ItDelete ADDTL_VIEWS: table is locked");
    EXPECT_EQ(ItDelete(index), 0);
    EXPECT_EQ(ItDelete(index), 1);  // deleted already
    EXPECT_EQ(trace_diagnosis(trace()), "ItDelete: not a table handle of this library");

    // The next logon, to a system without faults, lets the table go.
    write_file("SapLandscape.txt", base_landscape);
    ASSERT_NE(open_r3(), 0u);
    EXPECT_EQ(ItDelete(views), 0);
}

TEST_F(Faults, ErrorHandlerIsCalledDuringTheOpen) {
    demo_with("fault = handler_on_open\n");
    register_handler();
    EXPECT_EQ(open_r3(), 0u);  // the handler returned, so the open fails
    ASSERT_EQ(handled.size(), 1u);
    EXPECT_EQ(handled[0], "RfcOpen");
    EXPECT_EQ(key_seen_by_handler, "RFC_ERROR_COMMUNICATION");
    EXPECT_EQ(trace_diagnosis(trace()), "connection to partner 'DEMO' broken during logon");

    EXPECT_EQ(RfcOpenEx((char *)"ASHOST=sapdemo SYSNR=00 CLIENT=100 USER=MONITOR PASSWD=Monitor#2024", nullptr), 0u);
    ASSERT_EQ(handled.size(), 2u);
    EXPECT_EQ(handled[1], "RfcOpenEx");

    RFC_ENV none = {nullptr, nullptr};
    RfcEnvironment(&none);
    EXPECT_EQ(open_r3(), 0u);  // no handler: just a failed open
    EXPECT_EQ(handled.size(), 2u);
}

TEST_F(Faults, ErrorHandlerIsCalledDuringTheNamedCall) {
    demo_with("fault = handler_on_call DB02_DB4_GET_INFO\n");
    register_handler();
    RFC_HANDLE handle = open_r3();
    ASSERT_NE(handle, 0u);
    system_info_call info;
    EXPECT_EQ(info.run(handle), RFC_OK);
    EXPECT_TRUE(handled.empty());
    db4_info_call call;
    EXPECT_EQ(call.run(handle), RFC_FAILURE);
    ASSERT_EQ(handled.size(), 1u);
    EXPECT_EQ(handled[0], "RfcCall");
    EXPECT_EQ(trace_diagnosis(trace()), "connection to partner 'DEMO' broken during the call of DB02_DB4_GET_INFO");
}

TEST_F(Faults, ErrorHandlerAlwaysTakesEveryFailureOfTheSystem) {
    // error_handler = always: the library hands every failure of the system to the
    // handler, as SAP documents RfcEnvironment; an exception the module raises is its
    // answer, not a failure of the library.
    struct {
        const char *what;
        const char *landscape;
        const char *password;
        const char *operation;  // null: the handler is not called
        const char *key;
    } cases[] = {
        {"refused logon, at the first call", "", "wrong", "RfcCall", "RFC_ERROR_LOGON_FAILURE"},
        {"system unreachable", "fault = unreachable\n", "Monitor#2024", "RfcOpen", "RFC_ERROR_COMMUNICATION"},
        {"broken call", "fault = call_fails RFC_SYSTEM_INFO\n", "Monitor#2024", "RfcCall", "RFC_ERROR_COMMUNICATION"},
        {"system exception", "fault = sys_exception RFC_SYSTEM_INFO X\n", "Monitor#2024", "RfcReceive",
         "RFC_ERROR_SYSTEM_FAILURE"},
        {"timeout", "fault = return_code RFC_SYSTEM_INFO 23\n", "Monitor#2024", "RfcReceive", "RFC_ERROR_COMMUNICATION"},
        {"structure refused", "fault = install_fails RFCSI\n", "Monitor#2024", "RfcInstallStructure", "RFC_ERROR_PROGRAM"},
        {"exception of the module", "fault = exception RFC_SYSTEM_INFO NOT_AUTHORIZED\n", "Monitor#2024", nullptr, ""},
        {"no failure", "", "Monitor#2024", nullptr, ""},
    };
    set_variable("KORVANEL_RFC_CALL_LOG", "calls.log");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        demo_with(std::string("error_handler = always\n") + c.landscape);
        std::filesystem::remove("calls.log");
        register_handler();
        RFC_HANDLE handle = open_r3("sapdemo", 0, "100", "MONITOR     ", c.password);
        if (handle != 0) {
            RFC_TYPEHANDLE rfcsi = 0;
            if (RfcInstallStructure((char *)"RFCSI", rfcsi_rows, 18, &rfcsi) == RFC_OK) {
                system_info_call call;
                call.run(handle);
            }
        }
        if (c.operation == nullptr) {
            EXPECT_TRUE(handled.empty());
        } else {
            ASSERT_EQ(handled.size(), 1u);
            EXPECT_EQ(handled[0], c.operation);
            EXPECT_EQ(key_seen_by_handler, c.key);
            EXPECT_NE(read_file("calls.log").find(std::string("\n") + c.operation), std::string::npos);
            EXPECT_NE(read_file("calls.log").find(" -> error handler\n"), std::string::npos);
        }
        RfcClose(0);
    }
    // The key belongs to its system: another system's failures keep today's answers.
    write_file("SapLandscape.txt", std::string(base_landscape) +
                                       "[system OTHER]\nhost = sapother\nsysnr = 1\nclient = 100\nuser = U\n"
                                       "password = P\nerror_handler = always\n");
    register_handler();
    RFC_HANDLE handle = open_r3("sapdemo", 0, "100", "MONITOR", "wrong");
    system_info_call call;
    EXPECT_EQ(call.run(handle), RFC_FAILURE);
    EXPECT_TRUE(handled.empty());
}

TEST_F(Faults, LogonFaultsComeBeforeTheCredentials) {
    // With the right password: unreachable fails every open; logon_refused fails the
    // connect string's open and, after RfcOpen, the first call.
    const char *connect = "ASHOST=sapdemo SYSNR=00 CLIENT=100 USER=MONITOR PASSWD=Monitor#2024";
    demo_with("fault = unreachable\n");
    EXPECT_EQ(open_r3(), 0u);
    EXPECT_EQ(trace_diagnosis(trace()), "partner not reached (host sapdemo, service 3300)");
    EXPECT_EQ(RfcOpenEx(const_cast<char *>(connect), nullptr), 0u);

    demo_with("fault = logon_refused\n");
    EXPECT_EQ(RfcOpenEx(const_cast<char *>(connect), nullptr), 0u);
    EXPECT_EQ(trace_diagnosis(trace()), "Name or password is incorrect (repeat logon)");
    RFC_HANDLE handle = open_r3();
    ASSERT_NE(handle, 0u);
    system_info_call call;
    EXPECT_EQ(call.run(handle), RFC_FAILURE);
    EXPECT_EQ(trace_diagnosis(trace()), "Name or password is incorrect (repeat logon)");
}

TEST_F(Faults, TraceLevelBareLeavesNoMessageAndOffWritesNothing) {
    demo_with("trace = bare\nfault = call_fails RFC_SYSTEM_INFO\n");
    RFC_HANDLE handle = open_r3();
    system_info_call call;
    EXPECT_EQ(call.run(handle), RFC_FAILURE);
    std::vector<std::string> lines = lines_of(trace());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("**** ERROR file opened at ", 0), 0u);
    EXPECT_EQ(lines[1], "T:1234 <* RfcCall [" + std::to_string(handle) + "] : returns 1:RFC_FAILURE");
    EXPECT_EQ(trace_diagnosis(trace()), "");
    RfcClose(handle);

    std::filesystem::remove("Dev_Rfc.Trc");
    demo_with("trace = off\nfault = call_fails RFC_SYSTEM_INFO\n");
    handle = open_r3();
    EXPECT_EQ(call.run(handle), RFC_FAILURE);
    EXPECT_EQ(trace(), "<missing>");
    RFC_ERROR_INFO info;
    RfcLastError(&info);
    EXPECT_STREQ(info.message, "connection to partner 'sapdemo' broken");  // still known to RfcLastError
}
