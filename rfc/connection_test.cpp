// The logon records given to the library: copies, padding, the R/2 rule, absent
// texts, the system number and the ",HOST=" / ",NO=" options, kept between opens.
#include "rfc/connection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rfc/client_fixture.h"
#include "run/command_line.h"

namespace {

void fill_profile(run_record &run) {
    fill_demo_profile(run.profile_record);
    run.profile_record.password.assign("Secret#1");
}

void set_parameters(run_record &run, const char *parameters) {
    const char *arguments[] = {"Korvanel.exe", "DEMO", parameters};
    parse_command_line(run, 3, arguments);
}

std::string text(const char *value) { return value == nullptr ? "<absent>" : value; }

const RFC_CONNOPT_R3ONLY &r3_of(const run_record &run) {
    return *static_cast<const RFC_CONNOPT_R3ONLY *>(run.connection_options.options.connopt);
}

}  // namespace

TEST(Connection, OptionsCopyAndPadTheProfile) {
    run_record run{};
    fill_profile(run);
    fill_connection_options(run);
    const RFC_OPTIONS &options = run.connection_options.options;
    EXPECT_EQ(text(options.destination), "DEMO");
    EXPECT_EQ(text(options.client), "100");
    EXPECT_EQ(text(options.user), "MONITOR     ");
    EXPECT_EQ(text(options.password), "Secret#1  ");
    EXPECT_EQ(text(options.language), "EN");
    EXPECT_EQ(options.mode, RFC_MODE_R3ONLY);
    EXPECT_EQ(options.trace, 0);
    ASSERT_EQ(options.connopt, &run.connection_options.r3);
    EXPECT_EQ(text(r3_of(run).hostname), "sapdemo");
    EXPECT_EQ(r3_of(run).sysnr, 0);
    EXPECT_EQ(text(r3_of(run).gateway_host), "sapdemo");
    EXPECT_EQ(text(r3_of(run).gateway_service), "sapgw00");
    // Pointers into the run record, never into the profile that a later read overwrites.
    EXPECT_NE(options.user, run.profile_record.user.data);
}

TEST(Connection, PaddingOfUserAndPassword) {
    struct {
        const char *user;
        const char *password;
        const char *passed_user;
        const char *passed_password;
    } cases[] = {
        {"ABC", "pw", "ABC         ", "pw        "},
        {"FIFTEEN_CHARS_X", "twelve_chars", "FIFTEEN_CHARS_X", "twelve_chars"},
        {"TWELVE_CHARS", "ten_chars_", "TWELVE_CHARS", "ten_chars_"},
        {"", "", "            ", "          "},
    };
    // One record for all: a longer user before must not leave characters behind.
    run_record run{};
    fill_profile(run);
    for (const auto &c : cases) {
        run.profile_record.user.assign(c.user);
        run.profile_record.password.assign(c.password);
        fill_connection_options(run);
        EXPECT_EQ(text(run.connection_options.options.user), c.passed_user) << c.user;
        EXPECT_EQ(text(run.connection_options.options.password), c.passed_password) << c.user;
    }
}

TEST(Connection, OnlyExactlyR2SelectsCpic) {
    struct {
        const char *mode;
        int expected;
    } cases[] = {{"R/2", RFC_MODE_CPIC}, {"R/3", RFC_MODE_R3ONLY}, {"r/2", RFC_MODE_R3ONLY},
                 {"R/2 ", RFC_MODE_R3ONLY}, {"", RFC_MODE_R3ONLY}, {"R/20", RFC_MODE_R3ONLY}};
    run_record run{};
    for (const auto &c : cases) {
        fill_profile(run);
        run.profile_record.mode.assign(c.mode);
        fill_connection_options(run);
        const RFC_OPTIONS &options = run.connection_options.options;
        EXPECT_EQ(options.mode, c.expected) << c.mode;
        if (c.expected == RFC_MODE_CPIC) {
            ASSERT_EQ(options.connopt, &run.connection_options.cpic);
            EXPECT_EQ(text(run.connection_options.cpic.gateway_host), "sapdemo");
            EXPECT_EQ(text(run.connection_options.cpic.gateway_service), "sapgw00");
        } else {
            EXPECT_EQ(options.connopt, &run.connection_options.r3) << c.mode;
        }
    }
}

TEST(Connection, EmptyTextsArePassedAsAbsent) {
    run_record run{};
    fill_profile(run);
    run.profile_record.hostname.clear();
    run.profile_record.gwhost.clear();
    run.profile_record.gwservice.clear();
    fill_connection_options(run);
    EXPECT_EQ(r3_of(run).hostname, nullptr);
    EXPECT_EQ(r3_of(run).gateway_host, nullptr);
    EXPECT_EQ(r3_of(run).gateway_service, nullptr);

    run.profile_record.mode.assign("R/2");
    fill_connection_options(run);
    EXPECT_EQ(run.connection_options.cpic.gateway_host, nullptr);
    EXPECT_EQ(run.connection_options.cpic.gateway_service, nullptr);
    // Texts that are always passed stay texts, even when empty.
    run.profile_record.language.clear();
    fill_connection_options(run);
    EXPECT_EQ(text(run.connection_options.options.language), "");
}

TEST(Connection, SystemNumberAndItsOverride) {
    struct {
        const char *sysnr;
        const char *parameters;
        int expected;
    } steps[] = {
        {"00", "", 0},
        {"07", "", 7},
        {"7A", "", 7},
        {"", "", 7},           // empty: the value of the last open stays
        {"A7", "", 0},         // no leading digit
        {"12", "", 12},
        {"05", ",NO=", 12},    // the option without a value: the profile's is not used, the last one stays
        {"05", "x,no=42", 42},  // found in any letter case
        {"05", ",NO=3,HOST=h", 3},
        {"05", ",NO=99999999999999", 2147483647},
        {"", ",NO=", 2147483647},
    };
    run_record run{};
    fill_profile(run);
    for (const auto &s : steps) {
        set_parameters(run, s.parameters);
        run.profile_record.sysnr.assign(s.sysnr);
        fill_connection_options(run);
        EXPECT_EQ(r3_of(run).sysnr, s.expected) << "sysnr " << s.sysnr << " parameters " << s.parameters;
    }
}

TEST(Connection, HostOverride) {
    struct {
        const char *parameters;
        const char *expected;
    } cases[] = {
        {"", "sapdemo"},
        {"GIGABYTE", "sapdemo"},
        {",HOST=", "<absent>"},  // the option alone leaves no host
        {",HOST=sapapp2", "sapapp2"},
        {"Gigabyte,host=SapApp2,NO=1", "SapApp2"},  // value in its own letter case, up to the comma
        {",HOST=sapapp3 #", "sapapp3"},
        {"HOST=ignored", "sapdemo"},  // the comma belongs to the option
    };
    run_record run{};
    fill_profile(run);
    for (const auto &c : cases) {
        set_parameters(run, c.parameters);
        fill_connection_options(run);
        EXPECT_EQ(text(r3_of(run).hostname), c.expected) << c.parameters;
    }
}

TEST(Connection, ConnectStringUsesProfileValuesAsTheyStand) {
    run_record run{};
    fill_profile(run);
    run.profile_record.language.assign("EN");
    bounded_text<255> connect_string;
    ASSERT_TRUE(build_connect_string(run, connect_string));
    EXPECT_STREQ(connect_string.c_str(), "CLIENT=100 USER=MONITOR PASSWD=Secret#1 LANG=D DEST=DEMO");
}

// The library splits the string at blanks: a value with a blank must not spill into
// settings of its own (a password "x ASHOST=elsewhere" would send the logon elsewhere).
TEST(Connection, ConnectStringQuotesValuesWithBlanks) {
    struct {
        const char *password;
        const char *client;
        const char *expected;  // null: no connect string can be built
    } cases[] = {
        {"my pass", "100", "CLIENT=100 USER=MONITOR PASSWD=\"my pass\" LANG=D DEST=DEMO"},
        {"x ASHOST=elsewhere", "100", "CLIENT=100 USER=MONITOR PASSWD=\"x ASHOST=elsewhere\" LANG=D DEST=DEMO"},
        {"100 ", "100 ", "CLIENT=\"100 \" USER=MONITOR PASSWD=\"100 \" LANG=D DEST=DEMO"},
        {"ab\"cd", "100", "CLIENT=100 USER=MONITOR PASSWD=ab\"cd LANG=D DEST=DEMO"},  // a quote inside is plain
        {"\"abc", "100", nullptr},    // an opening quote would be read as quoting
        {"a \"b\"", "100", nullptr},  // needs quotes and holds one
    };
    // Failures name the case by its number: the texts hold passwords.
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        run_record run{};
        fill_profile(run);
        run.profile_record.password.assign(cases[i].password);
        run.profile_record.client.assign(cases[i].client);
        bounded_text<255> connect_string;
        bool built = build_connect_string(run, connect_string);
        EXPECT_EQ(built, cases[i].expected != nullptr) << "case " << i;
        if (built && cases[i].expected != nullptr) {
            EXPECT_TRUE(connect_string.equals(cases[i].expected)) << "case " << i;
        }
    }
}

// --- opening over the stand-in ----------------------------------------------------

using ConnectionOpen = RfcClient;

TEST_F(ConnectionOpen, DirectRouteWithTheProfilesLogonData) {
    RFC_HANDLE handle = logon();
    EXPECT_NE(handle, 0u);
    std::vector<std::string> opens = calls("RfcOpen");
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_TRUE(holds_all(opens[0], {"RfcOpen ", " mode=0 ", " dest=DEMO ", " client=100 ", " user=\"MONITOR     \" ",
                                     " password=<12 chars> ", " lang=EN ", " host=sapdemo ", " sysnr=0 ",
                                     " gwhost=sapdemo ", " gwservice=sapgw00 ", " trace=0 "}))
        << opens[0];
    EXPECT_EQ(standin_test::read_file("SapRfc.ini"), "<missing>");
}

TEST_F(ConnectionOpen, IniFileRouteCopiesTheDestinationFileByteForByte) {
    // CR LF, a lone CR, a byte above 127 and no line end at the close all survive the copy.
    const std::string destination_file = "DEST=DEMO\r\nTYPE=A\r\nASHOST=sapdemo\nSYSNR=00\n# \xE4\x1A\r end";
    standin_test::write_file("SapRfc.DEMO", destination_file);
    run.profile_record.language.assign("EN");
    run.profile_record.hostname.assign("not used");
    // The console line is a trace line: only in trace mode, where it stands among the others.
    for (bool trace : {false, true}) {
        run.trace_mode = trace;
        testing::internal::CaptureStdout();
        RFC_HANDLE handle = logon();
        fflush(stdout);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), trace ? "* SapRfc.Ini.......: DEMO<\n" : "") << trace;
        if (handle != 0) RfcClose(handle);
    }
    RfcClose(0);
    run.trace_mode = false;
    RFC_HANDLE handle = logon();
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(standin_test::read_file("SapRfc.ini"), destination_file);
    std::vector<std::string> opens = calls("RfcOpen");
    ASSERT_EQ(opens.size(), 3u);
    EXPECT_EQ(opens[0].rfind("RfcOpenEx ", 0), 0u) << opens[0];
    EXPECT_NE(opens[0].find("CLIENT=100 USER=MONITOR PASSWD=<12 chars> LANG=D DEST=DEMO"), std::string::npos)
        << opens[0];
}

TEST_F(ConnectionOpen, IniFileThatCannotBeWrittenOpensNothing) {
    standin_test::write_file("SapRfc.DEMO", "DEST=DEMO\nTYPE=A\nASHOST=sapdemo\nSYSNR=00\n");
    std::filesystem::create_directory("SapRfc.ini");
    EXPECT_EQ(open_connection(run), 0u);
    EXPECT_TRUE(calls("RfcOpen").empty());
}

TEST_F(ConnectionOpen, WrongPasswordOpensTheDirectRouteButNotTheDestinationFile) {
    // RfcOpen leaves the logon to the first call; RfcOpenEx checks it at once.
    run.profile_record.password.assign("wrong");
    RFC_HANDLE direct = open_connection(run);
    EXPECT_NE(direct, 0u);
    RfcClose(direct);
    standin_test::write_file("SapRfc.DEMO", "DEST=DEMO\nTYPE=A\nASHOST=sapdemo\nSYSNR=00\n");
    testing::internal::CaptureStdout();
    EXPECT_EQ(open_connection(run), 0u);
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");  // the destination-file line is a trace line
    EXPECT_EQ(standin_test::trace_diagnosis(trace()), "Name or password is incorrect (repeat logon)");
}
