// Logging on to the simulated systems: both RfcOpen modes and RfcOpenEx with and
// without SapRfc.ini, the comparisons a real logon makes (padding, letter case),
// and every way a logon is refused, each with the message the trace file carries.
#include "rfc_standin/standin_fixture.h"

using namespace standin_test;

namespace {

struct Logon : StandIn {
    std::string last_message() {
        RFC_ERROR_INFO info;
        memset(&info, 0, sizeof info);
        EXPECT_EQ(RfcLastError(&info), 0);
        return info.message;
    }
};

const char refused[] = "Name or password is incorrect (repeat logon)";

}  // namespace

TEST_F(Logon, R3LogonComparesLikeSap) {
    // RfcOpen only reaches the system; the system checks client, user and password
    // when the first call arrives, as SAP's library does.
    enum refused_at { nowhere, at_open, at_first_call };
    const char *client_refused = "Client 200 is not available in this system";
    struct {
        const char *what, *host;
        int sysnr;
        const char *client, *user, *password;
        refused_at where;
        const char *message;
    } cases[] = {
        {"as the sensor passes it", "sapdemo", 0, "100", "MONITOR     ", "Monitor#2024", nowhere, nullptr},
        {"host in capitals", "SAPDEMO", 0, "100", "MONITOR     ", "Monitor#2024", nowhere, nullptr},
        {"user unpadded, lower case", "sapdemo", 0, "100", "monitor", "Monitor#2024", nowhere, nullptr},
        {"password with padding", "sapdemo", 0, "100", "MONITOR", "Monitor#2024  ", nowhere, nullptr},
        {"password in another case", "sapdemo", 0, "100", "MONITOR", "monitor#2024", at_first_call, refused},
        {"password cut short", "sapdemo", 0, "100", "MONITOR", "Monitor#202", at_first_call, refused},
        {"other user", "sapdemo", 0, "100", "MONITOR2", "Monitor#2024", at_first_call, refused},
        {"no user", "sapdemo", 0, "100", nullptr, "Monitor#2024", at_first_call, refused},
        {"no password", "sapdemo", 0, "100", "MONITOR", nullptr, at_first_call, refused},
        {"other client", "sapdemo", 0, "200", "MONITOR", "Monitor#2024", at_first_call, client_refused},
        {"no client", "sapdemo", 0, nullptr, "MONITOR", "Monitor#2024", at_first_call,
         "Client <none> is not available in this system"},
        {"other system number", "sapdemo", 1, "100", "MONITOR", "Monitor#2024", at_open,
         "partner not reached (host sapdemo, service 3301)"},
        {"unknown host", "sapxyz", 0, "100", "MONITOR", "Monitor#2024", at_open,
         "partner not reached (host sapxyz, service 3300)"},
        {"no host", nullptr, 0, "100", "MONITOR", "Monitor#2024", at_open, "partner not reached (host <none>, service 3300)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        RFC_HANDLE handle = open_r3(c.host, c.sysnr, c.client, c.user, c.password);
        if (c.where == at_open) {
            EXPECT_EQ(handle, 0u);
        } else {
            ASSERT_NE(handle, 0u);
            system_info_call call;
            EXPECT_EQ(call.run(handle), c.where == nowhere ? RFC_OK : RFC_FAILURE);
        }
        if (c.where != nowhere) {
            EXPECT_EQ(last_message(), c.message);
            EXPECT_EQ(trace_diagnosis(trace()), c.message);
            RFC_ERROR_INFO_EX info;
            EXPECT_EQ(RfcLastErrorEx(&info), 0);
            EXPECT_EQ(info.group, c.where == at_open ? RFC_ERROR_COMMUNICATION : RFC_ERROR_LOGON_FAILURE);
        }
        RfcClose(handle);
    }
}

TEST_F(Logon, RefusedLogonEndsTheConnectionAtTheFirstCall) {
    demo_with("fault = logon_refused\n");
    RFC_HANDLE handle = open_r3();
    ASSERT_NE(handle, 0u);
    system_info_call first;
    EXPECT_EQ(first.run(handle), RFC_FAILURE);
    EXPECT_EQ(first.record[0], '?');  // nothing received
    std::vector<std::string> block = lines_of(trace());
    ASSERT_GE(block.size(), 3u);
    EXPECT_EQ(block[block.size() - 3], "T:1234 ======> Name or password is incorrect (repeat logon)");
    EXPECT_EQ(block[block.size() - 2], "LOCATION    SAP-Server sapdemo_DEMO_00 on host sapdemo");
    EXPECT_EQ(block.back(), "T:1234 <* RfcCall [" + std::to_string(handle) + "] : returns 1:RFC_FAILURE");
    // The system has ended the conversation: the handle is gone.
    system_info_call second;
    EXPECT_EQ(second.run(handle), RFC_FAILURE);
    EXPECT_EQ(last_message(), "invalid connection handle");
}

TEST_F(Logon, LastErrorExHandsEachErrorOutOnce) {
    // (The library's error lives for the process: "no error yet" cannot be shown here
    // when the tests share one process.)
    RFC_ERROR_INFO_EX info;
    EXPECT_EQ(RfcLastErrorEx(nullptr), 1);
    RFC_HANDLE handle = open_r3("sapdemo", 0, "100", "MONITOR", "wrong");
    system_info_call call;
    ASSERT_EQ(call.run(handle), RFC_FAILURE);
    memset(&info, 'x', sizeof info);
    EXPECT_EQ(RfcLastErrorEx(&info), 0);
    EXPECT_EQ(info.group, RFC_ERROR_LOGON_FAILURE);
    EXPECT_STREQ(info.key, "RFC_ERROR_LOGON_FAILURE");
    EXPECT_STREQ(info.message, refused);
    EXPECT_EQ(RfcLastErrorEx(&info), 1);  // the same error again
    EXPECT_EQ(info.group, 0);
    // RfcOpenEx hands its error out in its own record; RfcLastErrorEx then has none.
    RFC_ERROR_INFO_EX open_info;
    EXPECT_EQ(RfcOpenEx((char *)"ASHOST=nohost SYSNR=00 CLIENT=100 USER=MONITOR PASSWD=x", &open_info), 0u);
    EXPECT_EQ(open_info.group, RFC_ERROR_COMMUNICATION);
    EXPECT_EQ(RfcLastErrorEx(&info), 1);
    // A later failure is a new error.
    RFC_PARAMETER none[1] = {{nullptr, 0, 0, 0, nullptr}};
    RFC_TABLE no_tables[1] = {{nullptr, 0, 0, 0, nullptr, 0, 0}};
    EXPECT_EQ(RfcCall(99, (char *)"RFC_SYSTEM_INFO", none, no_tables), RFC_FAILURE);
    EXPECT_EQ(RfcLastErrorEx(&info), 0);
    EXPECT_EQ(info.group, RFC_ERROR_PROGRAM);
}

TEST_F(Logon, CpicLogonFindsTheSystemByGateway) {
    struct {
        const char *gwhost, *gwservice;
        bool reached;
    } cases[] = {
        {"sapdemo", "sapgw00", true},
        {"SAPDEMO", "SAPGW00", true},
        {"sapdemo", "sapgw01", false},
        {nullptr, "sapgw00", false},
        {"sapdemo", nullptr, false},
    };
    for (const auto &c : cases) {
        RFC_CONNOPT_CPIC cpic = {const_cast<char *>(c.gwhost), const_cast<char *>(c.gwservice)};
        RFC_OPTIONS options = {(char *)"DEMO", RFC_MODE_CPIC, &cpic, (char *)"100", (char *)"MONITOR     ",
                               (char *)"Monitor#2024", (char *)"EN", 0};
        RFC_HANDLE handle = RfcOpen(&options);
        EXPECT_EQ(handle != 0, c.reached) << (c.gwhost ? c.gwhost : "<null>") << " "
                                          << (c.gwservice ? c.gwservice : "<null>");
        if (!c.reached) {
            EXPECT_EQ(trace_diagnosis(trace()).rfind("partner not reached (host ", 0), 0u);
        }
        RfcClose(handle);
    }
}

TEST_F(Logon, OpenWithoutUsableOptionsFails) {
    EXPECT_EQ(RfcOpen(nullptr), 0u);
    RFC_OPTIONS no_connopt = {(char *)"DEMO", RFC_MODE_R3ONLY, nullptr, (char *)"100", (char *)"MONITOR",
                              (char *)"Monitor#2024", (char *)"EN", 0};
    EXPECT_EQ(RfcOpen(&no_connopt), 0u);
    EXPECT_EQ(last_message(), "no connection options");
    RFC_CONNOPT_R3ONLY r3 = {(char *)"sapdemo", 0, nullptr, nullptr};
    RFC_OPTIONS bad_mode = {(char *)"DEMO", 2, &r3, (char *)"100", (char *)"MONITOR", (char *)"Monitor#2024",
                            (char *)"EN", 0};
    EXPECT_EQ(RfcOpen(&bad_mode), 0u);
    EXPECT_EQ(last_message(), "invalid mode in RFC_OPTIONS");
}

TEST_F(Logon, ConnectStringRoutes) {
    write_file("SapRfc.ini",
               "* destinations of the test\r\n"
               "DEST=OTHER\r\nTYPE=A\r\nASHOST=sapora\r\nSYSNR=01\r\n"
               "DEST=DEMO\r\nTYPE=A\r\nASHOST=sapdemo\r\nSYSNR=00\r\nRFC_TRACE=0\r\n"
               "DEST=BEE\r\nTYPE=B\r\nMSHOST=sapdemo\r\n"
               "DEST=ERR\r\nTYPE=R\r\nPROGID=KORVANEL\r\n");
    struct {
        const char *connect;
        const char *message;  // null: the logon succeeds
    } cases[] = {
        {"CLIENT=100 USER=MONITOR PASSWD=Monitor#2024 LANG=D DEST=DEMO", nullptr},
        {"client=100 user=monitor passwd=\"Monitor#2024\" lang=D dest=demo", nullptr},
        {"  CLIENT=100   USER=MONITOR PASSWD=Monitor#2024 ASHOST=sapdemo SYSNR=00 TRACE=1 ", nullptr},
        {"CLIENT=100 USER=MONITOR PASSWD=Monitor#2024 GWHOST=sapdemo GWSERV=sapgw00", nullptr},
        {"CLIENT=100 USER=MONITOR PASSWD=Monitor#2024 LANG=D DEST=OTHER",
         "partner not reached (host sapora, service 3301)"},
        {"CLIENT=100 USER=MONITOR PASSWD=Monitor#2024 DEST=NOPE", "destination NOPE not found in SapRfc.ini"},
        // Without R3NAME the system's name is the destination's, as SAP documents it.
        {"CLIENT=100 USER=MONITOR PASSWD=Monitor#2024 DEST=BEE", "partner 'sapdemo:sapmsBEE' not reached"},
        {"CLIENT=100 USER=MONITOR PASSWD=Monitor#2024 DEST=ERR", "connection type R not supported, only TYPE=A and TYPE=B"},
        {"CLIENT=100 USER=MONITOR PASSWD=wrong DEST=DEMO", refused},
        {"CLIENT=100 USER=MONITOR PASSWD=\"Monitor#2024 DEST=DEMO", "value of PASSWD lacks its closing quote"},
        {"CLIENT=100 USER MONITOR DEST=DEMO", "connect string is not made of ID=value pairs"},
        {"CLIENT=100 USER=MONITOR PASSWD=Monitor#2024", "partner not reached (host <none>, service 3300)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.connect);
        RFC_ERROR_INFO_EX info;
        memset(&info, 'x', sizeof info);
        RFC_HANDLE handle = RfcOpenEx(const_cast<char *>(c.connect), &info);
        if (c.message == nullptr) {
            EXPECT_NE(handle, 0u);
            EXPECT_EQ(info.group, 0);
            EXPECT_STREQ(info.message, "");
        } else {
            EXPECT_EQ(handle, 0u);
            EXPECT_STREQ(info.message, c.message);
            EXPECT_EQ(trace_diagnosis(trace()), c.message);
        }
        RfcClose(handle);
    }
}

TEST_F(Logon, LoadBalancingFindsTheSystemByMessageServerIdAndLogonGroup) {
    demo_with("mshost = sapmsdemo\nsysid = DEM\ngroups = PUBLIC MONITORING\n");
    write_file("SapRfc.ini", "DEST=LB\r\nTYPE=B\r\nMSHOST=sapmsdemo\r\nR3NAME=DEM\r\nGROUP=MONITORING\r\n");
    struct {
        const char *where;
        const char *message;  // null: the logon succeeds
    } cases[] = {
        {"TYPE=B MSHOST=sapmsdemo R3NAME=DEM GROUP=PUBLIC", nullptr},
        {"MSHOST=SAPMSDEMO R3NAME=dem GROUP=monitoring", nullptr},  // letter case is no matter
        {"ASHOST=sapdemo SYSNR=00 MSHOST=sapmsnone", nullptr},      // an application server goes first
        {"DEST=LB", nullptr},
        {"TYPE=B MSHOST=sapmsnone R3NAME=DEM GROUP=PUBLIC", "partner 'sapmsnone:sapmsDEM' not reached"},
        {"TYPE=B MSHOST=sapmsdemo R3NAME=QAS GROUP=PUBLIC", "partner 'sapmsdemo:sapmsQAS' not reached"},
        {"TYPE=B MSHOST=sapmsdemo R3NAME=DEM GROUP=SPACE", "Group SPACE not found"},
        {"TYPE=B MSHOST=sapmsdemo R3NAME=DEM GROUP=PUBLI", "Group PUBLI not found"},
        {"TYPE=B MSHOST=sapmsdemo GROUP=PUBLIC", "load balancing (TYPE=B) needs R3NAME"},
        {"TYPE=B MSHOST=sapmsdemo R3NAME=DEM", nullptr},  // the logon group PUBLIC, as SAP documents it
        {"TYPE=B R3NAME=DEM GROUP=PUBLIC", "load balancing (TYPE=B) needs MSHOST"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.where);
        std::string connect = std::string("CLIENT=100 USER=MONITOR PASSWD=Monitor#2024 LANG=D ") + c.where;
        RFC_ERROR_INFO_EX info;
        memset(&info, 'x', sizeof info);
        RFC_HANDLE handle = RfcOpenEx(&connect[0], &info);
        EXPECT_EQ(handle != 0u, c.message == nullptr);
        EXPECT_STREQ(info.message, c.message == nullptr ? "" : c.message);
        if (c.message != nullptr) {
            EXPECT_EQ(trace_diagnosis(trace()), c.message);
        }
        RfcClose(handle);
    }
    // The system the message server chose checks the logon as any other.
    RFC_ERROR_INFO_EX info;
    EXPECT_EQ(RfcOpenEx((char *)"CLIENT=100 USER=MONITOR PASSWD=wrong DEST=LB", &info), 0u);
    EXPECT_STREQ(info.message, refused);
    // A system that names no logon group has SAP's default one.
    write_file("SapLandscape.txt", std::string(base_landscape) + "mshost = sapmsdemo\nsysid = DEM\n");
    EXPECT_NE(RfcOpenEx((char *)"CLIENT=100 USER=MONITOR PASSWD=Monitor#2024 MSHOST=sapmsdemo R3NAME=DEM GROUP=PUBLIC", &info), 0u);
    EXPECT_EQ(RfcOpenEx((char *)"CLIENT=100 USER=MONITOR PASSWD=Monitor#2024 DEST=LB", &info), 0u);
    EXPECT_STREQ(info.message, "Group MONITORING not found");
    RfcClose(0);
}

TEST_F(Logon, ConnectStringQuotesKeepBlanks) {
    demo_with("[system BLANK]\nhost = sapblank\nsysnr = 5\nclient = 001\nuser = ADMIN\npassword = two words\n");
    EXPECT_NE(RfcOpenEx((char *)"ASHOST=sapblank SYSNR=05 CLIENT=001 USER=ADMIN PASSWD=\"two words\"", nullptr), 0u);
    EXPECT_EQ(RfcOpenEx((char *)"ASHOST=sapblank SYSNR=05 CLIENT=001 USER=ADMIN PASSWD=two words", nullptr), 0u);
}

TEST_F(Logon, DestinationNeedsSapRfcIni) {
    RFC_ERROR_INFO_EX info;
    EXPECT_EQ(RfcOpenEx((char *)"CLIENT=100 USER=MONITOR PASSWD=Monitor#2024 LANG=D DEST=DEMO", &info), 0u);
    EXPECT_STREQ(info.message, "SapRfc.ini not found (destination DEMO)");
    EXPECT_STREQ(info.key, "RFC_ERROR_PROGRAM");
}

TEST_F(Logon, RefusalsFillTheExtendedErrorRecord) {
    RFC_ERROR_INFO_EX info;
    EXPECT_EQ(RfcOpenEx((char *)"ASHOST=sapdemo SYSNR=00 CLIENT=100 USER=MONITOR PASSWD=nope", &info), 0u);
    EXPECT_EQ(info.group, 103);
    EXPECT_STREQ(info.key, "RFC_ERROR_LOGON_FAILURE");
    EXPECT_STREQ(info.message, refused);
    EXPECT_EQ(RfcOpenEx((char *)"ASHOST=nohost SYSNR=00 CLIENT=100 USER=MONITOR PASSWD=nope", &info), 0u);
    EXPECT_EQ(info.group, 102);
    EXPECT_STREQ(info.key, "RFC_ERROR_COMMUNICATION");
}

TEST_F(Logon, LandscapeIsFoundByVariableAndReadAtEveryOpen) {
    std::filesystem::create_directory("elsewhere");
    write_file("elsewhere/other.txt", "[system X]\nhost = saptwo\nsysnr = 3\nclient = 300\nuser = U\npassword = P\n");
    set_variable("KORVANEL_RFC_LANDSCAPE", (std::filesystem::current_path() / "elsewhere" / "other.txt").string());
    EXPECT_EQ(open_r3(), 0u);
    EXPECT_NE(open_r3("saptwo", 3, "300", "U", "P"), 0u);

    set_variable("KORVANEL_RFC_LANDSCAPE", "");
    EXPECT_NE(open_r3(), 0u);
    write_file("SapLandscape.txt", "[system DEMO]\nhost = sapdemo\nsysnr = 0\nclient = 100\nuser = MONITOR\n"
                                   "password = Monitor#2024\nfault = unreachable\n");
    EXPECT_EQ(open_r3(), 0u);
    EXPECT_EQ(last_message(), "partner not reached (host sapdemo, service 3300)");

    std::filesystem::remove("SapLandscape.txt");
    EXPECT_EQ(open_r3(), 0u);
    EXPECT_EQ(last_message(), "landscape file SapLandscape.txt not found");
}

TEST_F(Logon, ConnectionsAreClosedOneByOneOrAllAtOnce) {
    RFC_HANDLE first = open_r3();
    RFC_HANDLE second = open_r3();
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, first);
    RFC_PARAMETER none[1] = {{nullptr, 0, 0, 0, nullptr}};
    RFC_TABLE no_tables[1] = {{nullptr, 0, 0, 0, nullptr, 0, 0}};
    RfcClose(first);
    EXPECT_EQ(RfcCall(first, (char *)"RFC_SYSTEM_INFO", none, no_tables), RFC_FAILURE);
    EXPECT_EQ(last_message(), "invalid connection handle");
    EXPECT_EQ(RfcCall(second, (char *)"RFC_SYSTEM_INFO", none, no_tables), RFC_OK);
    RfcClose(0);
    EXPECT_EQ(RfcCall(second, (char *)"RFC_SYSTEM_INFO", none, no_tables), RFC_FAILURE);
}

TEST_F(Logon, AtMostEightConnectionsAreOpen) {
    RFC_HANDLE handles[8];
    for (RFC_HANDLE &handle : handles) {
        handle = open_r3();
        ASSERT_NE(handle, 0u);
    }
    EXPECT_EQ(open_r3(), 0u);
    EXPECT_EQ(last_message(), "all 8 connections of this library are open");
    RfcClose(handles[3]);
    EXPECT_NE(open_r3(), 0u);
}
