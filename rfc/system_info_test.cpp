// RFC_SYSTEM_INFO over the stand-in: what the program keeps from the answer, the
// texts of every failing return code, and RFCSI installed once per process.
#include "rfc/system_info.h"

#include <gtest/gtest.h>

#include <string>

#include "rfc/client_fixture.h"
#include "rfc/failure_report.h"

using SystemInfo = RfcClient;

TEST_F(SystemInfo, KeepsHostAndDatabaseWithTheirBlanks) {
    RFC_HANDLE handle = logon();
    run.run_status.assign("ERR");
    EXPECT_EQ(identify_system(run, handle), RFC_OK);
    EXPECT_STREQ(run.run_status.c_str(), "OK");
    EXPECT_STREQ(run.display_host.c_str(), "sapdemo ");
    EXPECT_STREQ(run.database_system.c_str(), "DB4       ");
    EXPECT_STREQ(run.output_buffer.c_str(), "");
    EXPECT_EQ(calls("RfcReceive").size(), 1u);
}

TEST_F(SystemInfo, FieldsEndAtANulByte) {
    // RFCHOST at offset 45, RFCDBSYS at 101.
    demo_with("rfcsi.raw.45 = 73 61 70 00 41 41 41 41\nrfcsi.raw.101 = 44 42 34 00 58 58 58 58 58 58\n");
    RFC_HANDLE handle = logon();
    ASSERT_EQ(identify_system(run, handle), RFC_OK);
    EXPECT_STREQ(run.display_host.c_str(), "sap");
    EXPECT_STREQ(run.database_system.c_str(), "DB4");
}

TEST_F(SystemInfo, FailingCallsAppendTheirReturnCodeText) {
    struct {
        const char *fault;
        RFC_RC code;
        const char *text;
    } cases[] = {
        {"call_fails RFC_SYSTEM_INFO", 1, "Error 1014: RFC-Failure raised !"},
        {"exception RFC_SYSTEM_INFO NOT_AUTHORIZED", 2, "Error 1012: Exception.: NOT_AUTHORIZED"},
        {"sys_exception RFC_SYSTEM_INFO SYSTEM_FAILURE", 3, "Error 1013: Sys-Exception raised !"},
        {"return_code RFC_SYSTEM_INFO 23", 23, "Error 1015: Other Failure raised !"},
    };
    for (const auto &c : cases) {
        demo_with(std::string("fault = ") + c.fault + "\n");
        RFC_HANDLE handle = logon();
        run.output_buffer.assign("kept|");
        run.run_status.assign("ERR");
        run.display_host.assign("profile host");
        EXPECT_EQ(identify_system(run, handle), c.code) << c.fault;
        EXPECT_EQ(std::string(run.output_buffer.c_str()), std::string("kept|") + c.text) << c.fault;
        EXPECT_STREQ(run.run_status.c_str(), "ERR") << c.fault;
        EXPECT_STREQ(run.display_host.c_str(), "profile host") << c.fault;
        RfcClose(handle);
    }
    // A call that could not be sent is not received.
    EXPECT_EQ(calls("RfcReceive").size(), 3u);
}

TEST_F(SystemInfo, RfcsiIsInstalledOncePerProcess) {
    for (int connection = 0; connection < 2; ++connection) {
        RFC_HANDLE handle = logon();
        EXPECT_EQ(identify_system(run, handle), RFC_OK);
        RfcClose(handle);
    }
    std::vector<std::string> installs = calls("RfcInstallStructure");
    ASSERT_EQ(installs.size(), 1u);
    EXPECT_TRUE(holds_all(installs[0], {" RFCSI ", " entries=18 ", " -> 0"})) << installs[0];
    EXPECT_NE(run.structure_handles.rfcsi, 0u);
}

TEST_F(SystemInfo, RefusedLogonIsToldApartFromOtherFailuresByItsGroup) {
    // Both fail the identification with return code 1; only the library's error
    // group says that the system refused the logon.
    struct {
        const char *what, *landscape, *password;
        bool refused;
    } cases[] = {
        {"wrong password", "", "wrong", true},
        {"fault logon_refused", "fault = logon_refused\n", "Monitor#2024", true},
        {"wrong client", "client = 200\n", "Monitor#2024", true},
        {"broken connection", "fault = call_fails RFC_SYSTEM_INFO\n", "Monitor#2024", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        demo_with(c.landscape);
        run.profile_record.password.assign(c.password);
        RFC_HANDLE handle = logon();
        run.output_buffer.clear();
        EXPECT_EQ(identify_system(run, handle), RFC_FAILURE);
        EXPECT_STREQ(run.output_buffer.c_str(), "Error 1014: RFC-Failure raised !");
        EXPECT_EQ(logon_was_refused(), c.refused);
        EXPECT_FALSE(logon_was_refused());  // the library hands each error out once
        RfcClose(handle);
    }
}
