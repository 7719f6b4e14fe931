// Classic logons turned into NetWeaver connection parameters: RfcOpen's options,
// connect strings, and destination blocks, with every refusal naming its cause.
#include "rfc_bridge/logon_translation.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string listed(const logon_parameters &parameters) {
    std::string text;
    for (int i = 0; i < parameters.count; ++i) {
        if (!text.empty()) text += ' ';
        text += parameters.pairs[i].id.c_str();
        text += '=';
        text += parameters.pairs[i].value.c_str();
    }
    return text;
}

connect_pairs pairs_of(const char *text) {
    connect_pairs pairs;
    logon_problem problem;
    EXPECT_TRUE(parse_connect_pairs(text, pairs, problem)) << problem.c_str();
    return pairs;
}

// The connect string translated, with the destination's saprfc.ini block when given.
bool translate(const char *connect_string, const char *ini_block, logon_parameters &out, logon_problem &problem) {
    connect_pairs given = pairs_of(connect_string);
    connect_pairs block{};
    if (ini_block != nullptr) block = pairs_of(ini_block);
    return translate_connect_string(given, ini_block != nullptr ? &block : nullptr, out, problem);
}

}  // namespace

TEST(BridgeLogonTranslation, OptionsBecomeParameters) {
    char host[] = "sapdemo", gwhost[] = "sapgw", gwserv[] = "sapgw00";
    char dest[] = "DEMO", client[] = "100", user[] = "MONITOR     ", password[] = "Monitor#1 ", lang[] = "ES";
    RFC_CONNOPT_R3ONLY r3 = {host, 7, gwhost, gwserv};
    RFC_OPTIONS options = {dest, RFC_MODE_R3ONLY, &r3, client, user, password, lang, 0};
    logon_parameters out;
    logon_problem problem;
    ASSERT_TRUE(translate_options(options, out, problem)) << problem.c_str();
    // Padding gone, system number two digits, only the language's first character.
    EXPECT_EQ(listed(out), "ashost=sapdemo sysnr=07 gwhost=sapgw gwserv=sapgw00 client=100 user=MONITOR "
                           "passwd=Monitor#1 lang=E trace=0");

    // Absent host and gateway are left out, not passed empty; an empty language too.
    RFC_CONNOPT_R3ONLY bare = {nullptr, 0, nullptr, nullptr};
    char empty[] = "";
    RFC_OPTIONS minimal = {dest, RFC_MODE_R3ONLY, &bare, client, user, password, empty, 1};
    ASSERT_TRUE(translate_options(minimal, out, problem));
    EXPECT_EQ(listed(out), "sysnr=00 client=100 user=MONITOR passwd=Monitor#1 trace=1");
}

TEST(BridgeLogonTranslation, OptionsTheBridgeRefuses) {
    char gwhost[] = "sapgw", gwserv[] = "sapgw00", dest[] = "R2", client[] = "100", user[] = "U", password[] = "P";
    RFC_CONNOPT_CPIC cpic = {gwhost, gwserv};
    RFC_OPTIONS options = {dest, RFC_MODE_CPIC, &cpic, client, user, password, nullptr, 0};
    logon_parameters out;
    logon_problem problem;
    EXPECT_FALSE(translate_options(options, out, problem));
    EXPECT_NE(problem.find("CPIC mode (R/2)"), -1) << problem.c_str();
    options.mode = 5;
    EXPECT_FALSE(translate_options(options, out, problem));
    EXPECT_NE(problem.find("invalid mode 5"), -1);
    options.mode = RFC_MODE_R3ONLY;
    options.connopt = nullptr;
    EXPECT_FALSE(translate_options(options, out, problem));
}

TEST(BridgeLogonTranslation, ConnectStringAndDestination) {
    struct row {
        const char *connect_string;
        const char *ini_block;  // null: no DEST
        const char *expected;
    } rows[] = {
        {"ASHOST=h SYSNR=0 CLIENT=100 USER=U PASSWD=p LANG=D TRACE=1", nullptr,
         "ashost=h sysnr=00 client=100 user=U passwd=p lang=D trace=1"},
        {"TYPE=3 MSHOST=ms R3NAME=PRD GROUP=SPACE CLIENT=1", nullptr, "mshost=ms sysid=PRD group=SPACE client=1"},
        // The sensor's ini-file route: the block gives the server, the string the logon.
        {"CLIENT=100 USER=U PASSWD=p LANG=D DEST=BIN", "TYPE=A ASHOST=sapbin SYSNR=00 GWHOST=g GWSERV=sapgw00",
         "ashost=sapbin sysnr=00 gwhost=g gwserv=sapgw00 client=100 user=U passwd=p lang=D"},
        {"CLIENT=1 DEST=LB", "TYPE=B MSHOST=ms R3NAME=PRD GROUP=PUBLIC RFC_TRACE=0",
         "mshost=ms sysid=PRD group=PUBLIC trace=0 client=1"},
        // Without R3NAME and GROUP: the destination's name and PUBLIC, as SAP documents TYPE=B.
        {"CLIENT=1 DEST=PRD", "TYPE=B MSHOST=ms", "mshost=ms sysid=PRD group=PUBLIC client=1"},
        {"CLIENT=1 DEST=LB GROUP=SPACE", "TYPE=B MSHOST=ms R3NAME=QAS", "mshost=ms sysid=QAS client=1 group=SPACE"},
        {"DEST=S", "TYPE=A ASHOST=h SYSNR=01 SNC_MODE=1 SNC_PARTNERNAME=p:CN=S SNC_QOP=9",
         "ashost=h sysnr=01 snc_mode=1 snc_partnername=p:CN=S snc_qop=9"},
        // The connect string's values win over the destination's.
        {"ASHOST=mine DEST=S", "TYPE=A ASHOST=theirs SYSNR=2", "ashost=mine sysnr=02"},
    };
    for (const row &r : rows) {
        logon_parameters out;
        logon_problem problem;
        ASSERT_TRUE(translate(r.connect_string, r.ini_block, out, problem)) << r.connect_string << ": " << problem.c_str();
        EXPECT_EQ(listed(out), r.expected) << r.connect_string;
    }
}

TEST(BridgeLogonTranslation, KeysThatCannotApplyToASensorAreDroppedWithANote) {
    struct row {
        const char *connect_string;
        const char *ini_block;
        const char *expected;
        const char *notes;
    } rows[] = {
        // SAP's own example file switches these on; the logon goes on without them.
        {"CLIENT=1 DEST=S", "TYPE=A ASHOST=h SYSNR=00 ABAP_DEBUG=1 USE_SAPGUI=1 RFC_TRACE=0",
         "ashost=h sysnr=00 trace=0 client=1",
         "ABAP_DEBUG=1 dropped: no ABAP debugger starts from a probe's service; USE_SAPGUI=1 dropped: no SAP GUI "
         "starts from a probe's service"},
        // Switched off, nothing to note.
        {"ASHOST=h ABAP_DEBUG=0 USE_SAPGUI=0", nullptr, "ashost=h", ""},
        {"DEST=S", "TYPE=A ASHOST=h PCS=2 TPHOST=t", "ashost=h",
         "PCS=2 dropped: SAP's NetWeaver library finds the partner's character size itself; TPHOST=t dropped: it "
         "belongs to a started program (TYPE=E)"},
        // SNC with a password: single sign-on off, so the profile's user logs on.
        {"CLIENT=1 USER=U PASSWD=p DEST=S", "TYPE=A ASHOST=h SNC_MODE=1 SNC_PARTNERNAME=p:CN=S",
         "ashost=h snc_mode=1 snc_partnername=p:CN=S client=1 user=U passwd=p snc_sso=0", ""},
        {"CLIENT=1 DEST=S", "TYPE=A ASHOST=h SNC_MODE=1", "ashost=h snc_mode=1 client=1", ""},
    };
    for (const row &r : rows) {
        connect_pairs given = pairs_of(r.connect_string);
        connect_pairs block{};
        if (r.ini_block != nullptr) block = pairs_of(r.ini_block);
        logon_parameters out;
        logon_problem problem;
        logon_notes notes;
        notes.assign("left over");
        ASSERT_TRUE(translate_connect_string(given, r.ini_block != nullptr ? &block : nullptr, out, problem, &notes))
            << problem.c_str();
        EXPECT_EQ(listed(out), r.expected) << r.connect_string;
        EXPECT_STREQ(notes.c_str(), r.notes);
    }
}

TEST(BridgeLogonTranslation, UntranslatedKeysFailByName) {
    struct row {
        const char *connect_string;
        const char *ini_block;
        const char *problem_part;
    } rows[] = {
        {"ASHOST=h X509CERT=abc", nullptr, "connect string ID X509CERT is not translated"},
        {"TYPE=2 GWHOST=g", nullptr, "TYPE=2 is not an R/3 logon"},
        {"TYPE=E TPNAME=x", nullptr, "TYPE=E is not an R/3 logon"},
        {"DEST=S", "TYPE=A ASHOST=h MYSAPSSO2=ticket", "saprfc.ini key MYSAPSSO2 is not translated"},
        {"DEST=S", "TYPE=R PROGID=x GWHOST=g", "TYPE=R registers a server program"},
        {"DEST=S", "TYPE=E TPHOST=h TPNAME=/bin/x", "saprfc.ini TYPE=E is not translated"},
        {"DEST=LB", "TYPE=B R3NAME=PRD GROUP=PUBLIC", "TYPE=B needs MSHOST"},
    };
    for (const row &r : rows) {
        logon_parameters out;
        logon_problem problem;
        EXPECT_FALSE(translate(r.connect_string, r.ini_block, out, problem)) << r.connect_string;
        EXPECT_NE(problem.find(r.problem_part), -1) << problem.c_str();
    }
    EXPECT_TRUE(is_secret_parameter("passwd"));
    EXPECT_FALSE(is_secret_parameter("user"));
}
