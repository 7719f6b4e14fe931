// The landscape file as administrators write it: record values arrive in the
// records byte for byte (packed decimals packed with the field's decimals, raw
// bytes laid over everything), and a line the library does not understand stops
// every logon with its line number, never with the value it held.
#include "rfc_standin/standin_fixture.h"

using namespace standin_test;

namespace {

struct Landscape : StandIn {
    // The DB02INFDB4 record DEMO answers with when `lines` are added to it.
    std::string db02_record(const std::string &lines) {
        demo_with(lines);
        RFC_HANDLE handle = open_r3();
        EXPECT_NE(handle, 0u);
        db4_info_call call;
        EXPECT_EQ(call.run(handle), RFC_OK);
        RfcClose(handle);
        return std::string(reinterpret_cast<const char *>(call.record), sizeof call.record);
    }
    std::string refusal(const std::string &landscape) {
        write_file("SapLandscape.txt", landscape);
        EXPECT_EQ(open_r3(), 0u);
        return trace_diagnosis(trace());
    }
};

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int value : values) out += static_cast<char>(value);
    return out;
}

}  // namespace

TEST_F(Landscape, PackedFieldsArePackedWithTheirDecimals) {
    struct {
        const char *line;
        unsigned offset;
        std::string expected;
    } cases[] = {
        {"db02.SYS_ASP_P = 100", 100, bytes({0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x0C})},
        {"db02.SYS_ASP_P = 0.99999", 100, bytes({0x00, 0x00, 0x00, 0x00, 0x00, 0x99, 0x99, 0x9C})},
        {"db02.SYS_ASP_P = +0.5", 100, bytes({0x00, 0x00, 0x00, 0x00, 0x00, 0x50, 0x00, 0x0C})},
        {"db02.SYS_ASP_P = 9999999999.99999", 100, bytes({0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x9C})},
        {"db02.SYS_ASP_S = -1.5", 108, bytes({0x00, 0x00, 0x00, 0x00, 0x01, 0x5D})},
        {"db02.ASP_TOT_S = 0007", 114, bytes({0x00, 0x00, 0x00, 0x00, 0x07, 0x0C})},
        {"db02.TAB_SIZE = 123456789012345", 44, bytes({0x12, 0x34, 0x56, 0x78, 0x90, 0x12, 0x34, 0x5C})},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(db02_record(std::string(c.line) + "\n").substr(c.offset, c.expected.size()), c.expected);
    }
}

TEST_F(Landscape, IntegerTextAndRawValuesLandInPlace) {
    std::string record = db02_record(
        "db02.raw.100 = 00 00 00 00 01 23 45 6F\n"  // given before the field it overlays: raw still wins
        "db02.SYS_ASP_P = 5\n"
        "db02.TAB_CNT = -5\n"
        "db02.VIE_MIS_DD = 2147483647\n"
        "db02.DBSYS = DB4 V7\n"
        "db02.raw.24=41\n");
    int tab_cnt = 0, vie_mis_dd = 0;
    memcpy(&tab_cnt, record.data() + 32, 4);
    memcpy(&vie_mis_dd, record.data() + 96, 4);
    EXPECT_EQ(tab_cnt, -5);
    EXPECT_EQ(vie_mis_dd, 2147483647);
    EXPECT_EQ(record.substr(0, 10), "DB4 V7    ");
    EXPECT_EQ(record.substr(24, 8), "AEM     ");
    EXPECT_EQ(record.substr(100, 8), bytes({0x00, 0x00, 0x00, 0x00, 0x01, 0x23, 0x45, 0x6F}));
}

TEST_F(Landscape, RecordsStartWithInitialValues) {
    write_file("SapLandscape.txt", "[system BARE]\nhost = sapbare\nsysnr = 9\nclient = 100\nuser = U\npassword = P\n");
    RFC_HANDLE handle = open_r3("sapbare", 9, "100", "U", "P");
    ASSERT_NE(handle, 0u);
    db4_info_call call;
    ASSERT_EQ(call.run(handle), RFC_OK);
    std::string record(reinterpret_cast<const char *>(call.record), 120);
    EXPECT_EQ(record.substr(0, 32), "          00000000000000        ");
    EXPECT_EQ(record.substr(32, 12), std::string(12, '\0'));
    EXPECT_EQ(record.substr(108, 6), bytes({0, 0, 0, 0, 0, 0x0C}));
    EXPECT_EQ(call.api_rc, 0);
    system_info_call info;
    ASSERT_EQ(info.run(handle), RFC_OK);
    EXPECT_EQ(info.field(0, 200), std::string(200, ' '));
}

TEST_F(Landscape, RawBytesCanPutAZeroIntoAText) {
    demo_with("rfcsi.raw.48 = 00\n");
    RFC_HANDLE handle = open_r3();
    system_info_call call;
    ASSERT_EQ(call.run(handle), RFC_OK);
    EXPECT_EQ(call.field(45, 8), std::string("sap\0emo ", 8));
}

TEST_F(Landscape, CommentsBlanksAndWindowsLineEnds) {
    write_file("SapLandscape.txt",
               "# first comment\r\n\r\n   # indented comment\r\n[system  WIN ]\r\n\thost\t=\tsapwin  \r\n"
               "sysnr=4\r\nclient = 100\r\nuser = MONITOR\r\npassword = pass#word\r\nrfcsi.RFCDBSYS = DB4\r\n");
    RFC_HANDLE handle = open_r3("sapwin", 4, "100", "MONITOR", "pass#word");
    ASSERT_NE(handle, 0u);
    system_info_call call;
    ASSERT_EQ(call.run(handle), RFC_OK);
    EXPECT_EQ(call.field(101, 10), "DB4       ");
}

TEST_F(Landscape, LinesNotUnderstoodStopEveryLogon) {
    const std::string head = "[system DEMO]\nhost = sapdemo\nsysnr = 0\n";  // lines 1 to 3
    struct {
        std::string line;
        const char *reason;
    } cases[] = {
        {"hots = sapdemo", "unknown key"},
        {"just words", "not a key = value line"},
        {"= value", "key missing or too long"},
        {"sysnr = 100", "system number must be 0 to 99"},
        {"rfcsi.RFCHOST = sapdemo01", "text longer than the field"},
        {"rfcsi.NOFIELD = x", "no such field"},
        {"db02.SYS_ASP_S = 1.25", "not a decimal number that fits the packed field"},
        {"db02.SYS_ASP_S = 10000000000", "not a decimal number that fits the packed field"},
        {"db02.SYS_ASP_S = 1,5", "not a decimal number that fits the packed field"},
        {"db02.TAB_CNT = 2147483648", "not a 32-bit integer"},
        {"db02.raw.118 = 00 00 00", "raw bytes run past the end of the record"},
        {"db02.raw.120 = 00", "raw offset outside the record"},
        {"db02.raw.10 = 0", "raw bytes must be pairs of hex digits"},
        {"db02.raw.10 = 0G", "raw bytes must be pairs of hex digits"},
        {"api_rc = many", "not a 32-bit integer"},
        {"trace = verbose", "trace must be full, bare or off"},
        {"error_handler = sometimes", "error_handler must be faults or always"},
        {"fault = explode", "unknown fault kind"},
        {"fault = call_fails", "fault target missing or too long"},
        {"fault = exception RFC_SYSTEM_INFO", "fault name or code missing or too long"},
        {"fault = return_code RFC_SYSTEM_INFO soon", "return code is not an integer"},
        {"fault = unreachable now", "too many words in the fault"},
        {"fault = hang_on_call", "fault target missing or too long"},
        {"fault = crash_on_open RFC_SYSTEM_INFO", "too many words in the fault"},
        {"fault = exit_on_open", "exit status must be 0 to 255"},
        {"fault = exit_on_open 256", "exit status must be 0 to 255"},
        {"fault = exit_on_open 67 now", "too many words in the fault"},
        {"fault = exit_on_call RFC_SYSTEM_INFO -1", "exit status must be 0 to 255"},
        {"delay_open = soon", "delay must be 0 to 3600000 milliseconds"},
        {"delay_open = -1", "delay must be 0 to 3600000 milliseconds"},
        {"delay_open = 3600001", "delay must be 0 to 3600000 milliseconds"},
        {"delay_call =", "delay missing or too long"},
        {"delay_call = DB02_DB4_GET_INFO", "delay must be 0 to 3600000 milliseconds"},
        {"delay_call = DB02_DB4_GET_INFO 1.5", "delay must be 0 to 3600000 milliseconds"},
        {"delay_call = DB02_DB4_GET_INFO 700 ms", "too many words in the delay"},
        {"db02.table.DD03L = ZTABLE", "not a table of DB02_DB4_GET_INFO"},
        {"db02.table.MISS_TABLES = " + std::string(101, 'Z'), "value too long"},
        {"[system]", "a section must be [system NAME]"},
        {"[system DEMO", "a section line must end with ]"},
        {"[system ]", "the system has no name"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(refusal(head + c.line + "\nclient = 100\n"),
                  std::string("landscape SapLandscape.txt line 4: ") + c.reason);
    }
    EXPECT_EQ(refusal("host = sapdemo\n"), "landscape SapLandscape.txt line 1: a key before the first [system NAME]");
    EXPECT_EQ(refusal(head + "host = " + std::string(500, 'h') + "\n"), "landscape SapLandscape.txt line 4: line too long");
    std::string seventeen;
    for (int i = 0; i < 17; ++i) seventeen += "[system S" + std::to_string(i) + "]\n";
    EXPECT_EQ(refusal(seventeen), "landscape SapLandscape.txt line 17: more than 16 systems");
}

TEST_F(Landscape, ProblemsNeverShowThePassword) {
    const std::string secret = "Pw#" + std::string(45, 'x');
    std::string message = refusal("[system DEMO]\npassword = " + secret + "\n");
    EXPECT_EQ(message, "landscape SapLandscape.txt line 2: value too long");
    EXPECT_EQ(trace().find("Pw#"), std::string::npos);
}

TEST_F(Landscape, BundledDemoPlaysItsThreeSystems) {
    // The source tree is reached from the drive the tests started on (Z: under wine).
    std::string demo = previous.root_name().string() + KORVANEL_SOURCE_DIR "/demo/drives/C/PRTG/SapLandscape.txt";
    std::string content = read_file(demo.c_str());
    ASSERT_NE(content, "<missing>") << demo;
    write_file("SapLandscape.txt", content);

    RFC_HANDLE handle = open_r3("sapdemo", 0, "100", "MONITOR     ", "Monitor#2024");
    ASSERT_NE(handle, 0u);
    system_info_call info;
    ASSERT_EQ(info.run(handle), RFC_OK);
    EXPECT_EQ(info.field(45, 8), "sapdemo ");
    EXPECT_EQ(info.field(101, 10), "DB4       ");
    db4_info_call call;
    ASSERT_EQ(call.run(handle), RFC_OK);
    std::string record(reinterpret_cast<const char *>(call.record), 120);
    EXPECT_EQ(record.substr(0, 32), "DB4       20261210140359DEM     ");
    EXPECT_EQ(record.substr(100, 20), bytes({0x00, 0x00, 0x00, 0x00, 0x87, 0x12, 0x34, 0x5C, 0x00, 0x01, 0x23,
                                             0x45, 0x67, 0x8C, 0x00, 0x02, 0x34, 0x56, 0x78, 0x9C}));

    handle = open_r3("sapora", 1, "100", "MONITOR     ", "Monitor#2024");
    ASSERT_NE(handle, 0u);
    system_info_call other;
    ASSERT_EQ(other.run(handle), RFC_OK);
    EXPECT_EQ(other.field(101, 10), "ORACLE    ");

    handle = open_r3("saplck", 2, "100", "MONITOR     ", "Monitor#2024");
    ASSERT_NE(handle, 0u);
    system_info_call refused;
    EXPECT_EQ(refused.run(handle), RFC_FAILURE);
    EXPECT_EQ(trace_diagnosis(trace()), "Name or password is incorrect (repeat logon)");

    const char *gateways[][2] = {{"sapdemo", "sapgw00"}, {"sapora", "sapgw01"}};
    for (const auto &gateway : gateways) {
        RFC_CONNOPT_CPIC cpic = {const_cast<char *>(gateway[0]), const_cast<char *>(gateway[1])};
        RFC_OPTIONS options = {(char *)"X", RFC_MODE_CPIC, &cpic, (char *)"100", (char *)"MONITOR     ",
                               (char *)"Monitor#2024", (char *)"EN", 0};
        EXPECT_NE(RfcOpen(&options), 0u) << gateway[0];
    }
}
