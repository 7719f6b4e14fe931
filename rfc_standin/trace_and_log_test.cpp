// What the library writes besides its answers: error blocks in Dev_Rfc.Trc in the
// shape of SAP's trace file, the error RfcLastError hands out, and the call log,
// in which a password shows only as its length.
#include "rfc_standin/standin_fixture.h"

#include <regex>

using namespace standin_test;

namespace {

struct Written : StandIn {};

void LIBRFC32_API ignore_error(char *) {}

}  // namespace

TEST_F(Written, ErrorBlocksHaveTheShapeOfSapsTraceFile) {
    EXPECT_EQ(RfcOpenEx((char *)"ASHOST=sapdemo SYSNR=00 CLIENT=100 USER=MONITOR PASSWD=wrong", nullptr), 0u);
    EXPECT_EQ(open_r3("saplck", 2), 0u);
    std::vector<std::string> lines = lines_of(trace());
    std::vector<std::string> expected = {
        "**** ERROR file opened at *",
        "T:1234 ======> Name or password is incorrect (repeat logon)",
        "T:1234 <* RfcOpenEx [0] : returns 0",
        "**** ERROR file opened at *",
        "T:1234 ======> Connect to SAP gateway failed",
        "LOCATION    CPIC (TCP/IP) on local host",
        "ERROR       partner not reached (host saplck, service 3302)",
        "COMPONENT   NI (network interface)",
        "T:1234 <* RfcOpen [0] : returns 0",
    };
    ASSERT_EQ(lines.size(), expected.size()) << trace();
    const std::regex header(R"(\*\*\*\* ERROR file opened at \d{8} \d{6} [^,]*, SAP-REL 640,0,0 RFC-VER 3 MT-SL)");
    for (size_t i = 0; i < lines.size(); ++i) {
        if (expected[i].back() == '*')
            EXPECT_TRUE(std::regex_match(lines[i], header)) << lines[i];
        else
            EXPECT_EQ(lines[i], expected[i]);
    }
    // The message a reader takes is the last block's most telling line.
    EXPECT_EQ(trace_diagnosis(trace()), "partner not reached (host saplck, service 3302)");
}

TEST_F(Written, LastErrorDescribesTheLatestFailure) {
    RFC_ERROR_INFO info;
    memset(&info, 'x', sizeof info);
    EXPECT_EQ(open_r3("saplck", 2), 0u);
    EXPECT_EQ(RfcLastError(&info), 0);
    EXPECT_STREQ(info.key, "RFC_ERROR_COMMUNICATION");
    EXPECT_STREQ(info.status, "Connect to SAP gateway failed");
    EXPECT_STREQ(info.message, "partner not reached (host saplck, service 3302)");
    EXPECT_STREQ(info.intstat, "RfcOpen [0] : returns 0");

    RFC_HANDLE handle = open_r3();
    system_info_call call;
    call.importing[4].leng = 100;
    EXPECT_EQ(call.run(handle), RFC_SYS_EXCEPTION);
    memset(&info, 'x', sizeof info);
    EXPECT_EQ(RfcLastError(&info), 0);
    EXPECT_STREQ(info.key, "RFC_ERROR_SYSTEM_FAILURE");
    EXPECT_STREQ(info.status, "Type conflict when calling a function module (field length)");
    EXPECT_STREQ(info.message, "RFCSI_EXPORT passed with length 100, needs 200");
    EXPECT_EQ(std::string(info.intstat), "RfcReceive [" + std::to_string(handle) + "] : returns 3:RFC_SYS_EXCEPTION");
    EXPECT_EQ(RfcLastError(nullptr), 1);
}

TEST_F(Written, CallLogShowsWhatWasPassedButNoPassword) {
    set_variable("KORVANEL_RFC_CALL_LOG", (std::filesystem::current_path() / "calls.log").string());
    RFC_ENV environment = {ignore_error, nullptr};
    RfcEnvironment(&environment);
    RFC_CONNOPT_R3ONLY r3 = {(char *)"sapdemo", 0, nullptr, (char *)"sapgw00"};
    RFC_OPTIONS options = {(char *)"DEMO", RFC_MODE_R3ONLY, &r3, (char *)"100", (char *)"MONITOR     ",
                           (char *)"Monitor#2024", (char *)"EN", 0};
    RFC_HANDLE handle = RfcOpen(&options);
    ASSERT_NE(handle, 0u);
    system_info_call call;  // installs RFCSI
    RFC_TYPEHANDLE rfcsi = call.importing[4].type;
    ASSERT_EQ(call.run(handle), RFC_OK);
    ITAB_H table = ItCreate((char *)"ADDTL_INDEX", 40, 0, 0);
    ItDelete(table);
    RfcOpenEx((char *)"CLIENT=100 USER=MONITOR PASSWD=Monitor#2024 LANG=D DEST=DEMO", nullptr);
    RfcOpenEx((char *)"CLIENT=100 passwd=\"Monitor#2024 USER=MONITOR", nullptr);
    RfcOpenEx((char *)"CLIENT=100 PASSWD=\"Monitor#2024\" USER=MONITOR ASHOST=sapdemo SYSNR=00", nullptr);
    RFC_ERROR_INFO info;
    RfcLastError(&info);
    RfcClose(0);

    std::string h = std::to_string(handle), s = std::to_string(rfcsi);
    std::vector<std::string> lines = lines_of(read_file("calls.log"));
    std::vector<std::string> expected = {
        "RfcEnvironment errorhandler=set allocate=none",
        "RfcOpen mode=0 dest=DEMO client=100 user=\"MONITOR     \" password=<12 chars> lang=EN host=sapdemo sysnr=0 "
        "gwhost=<null> gwservice=sapgw00 trace=0 -> " + h,
        "RfcInstallStructure RFCSI entries=18 -> 0 handle=" + s,
        "RfcCall handle=" + h + " RFC_SYSTEM_INFO exporting={} tables={} -> 0",
        "RfcReceive handle=" + h + " importing={CURRENT_RESOURCES/17 INT 4, DIALOG_USER_TYPE/16 CHAR 1, "
        "MAXIMAL_RESOURCES/17 INT 4, RECOMMENDED_DELAY/17 INT 4, RFCSI_EXPORT/12 RFCSI#" + s + " 200, "
        "RFC_LOGIN_COMPLETE/18 CHAR 1} tables={} -> 0",
        "ItCreate ADDTL_INDEX leng=40 occu=0 memo=0 -> T*",
        "ItDelete T* ADDTL_INDEX -> 0",
        "RfcOpenEx CLIENT=100 USER=MONITOR PASSWD=<12 chars> LANG=D DEST=DEMO -> 0",
        "RfcOpenEx CLIENT=100 passwd=<unterminated quote> -> 0",
        "RfcOpenEx CLIENT=100 PASSWD=<12 chars> USER=MONITOR ASHOST=sapdemo SYSNR=00 -> " + std::to_string(handle + 1),
        "RfcLastError -> 0 key=RFC_ERROR_PROGRAM",
        "RfcClose handle=0",
    };
    ASSERT_EQ(lines.size(), expected.size()) << read_file("calls.log");
    for (size_t i = 0; i < lines.size(); ++i) {
        size_t star = expected[i].find('*');
        if (star == std::string::npos)
            EXPECT_EQ(lines[i], expected[i]);
        else
            EXPECT_EQ(lines[i].substr(0, star), expected[i].substr(0, star));
    }
    EXPECT_EQ(read_file("calls.log").find("Monitor#2024"), std::string::npos);
    EXPECT_EQ(trace().find("Monitor#2024"), std::string::npos);
}

TEST_F(Written, CallLogMarksTheErrorHandlerAndTheDb4Lists) {
    set_variable("KORVANEL_RFC_CALL_LOG", "calls.log");
    demo_with("fault = handler_on_call DB02_DB4_GET_INFO\n");
    RFC_ENV environment = {ignore_error, nullptr};
    RfcEnvironment(&environment);
    RFC_HANDLE handle = open_r3();
    db4_info_call call;
    EXPECT_EQ(call.run(handle), RFC_FAILURE);
    std::vector<std::string> lines = lines_of(read_file("calls.log"));
    ASSERT_FALSE(lines.empty());
    const std::string &last = lines.back();
    EXPECT_NE(last.find(" DB02_DB4_GET_INFO exporting={} tables={ADDTL_INDEX/11 MISSOBJ#"), std::string::npos)
        << last;
    EXPECT_NE(last.find(", MISS_VIEWS/10 MISSOBJ#"), std::string::npos) << last;
    EXPECT_EQ(last.substr(last.size() - 17), " -> error handler");
}
