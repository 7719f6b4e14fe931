// The bridge's operations against a fake NetWeaver library that records what it is
// given and answers as a small SAP system would: logon translation and timing,
// descriptions built locally, records and tables filled, outcomes mapped, and the
// trace the sensor's diagnosis reads.
#include "rfc_bridge/bridge_calls.h"
#include "rfc_bridge/bridge_logon.h"
#include "rfc_bridge/bridge_report.h"

#include "rfc/failure_report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace nwrfc;

namespace {

std::string narrow(const SAP_UC *text) {
    std::string out;
    for (; *text != 0; ++text) out += *text < 0x100 ? static_cast<char>(*text) : '?';
    return out;
}

// What the fake system answers and what it was given.
struct fake_system {
    nwrfc::RFC_RC open_rc = nwrfc::RFC_OK;
    RFC_ERROR_GROUP open_group = OK;
    std::u16string open_message;
    nwrfc::RFC_RC invoke_rc = nwrfc::RFC_OK;
    RFC_ERROR_GROUP invoke_group = OK;
    std::u16string invoke_key, invoke_message;
    std::map<std::string, std::string> logon;          // parameters of the last open
    std::string function;                              // name of the last description
    std::vector<std::string> parameters;               // "NAME dir type nuc/uc"
    std::vector<std::string> fields;                   // "TYPE.NAME type nucOff/ucOff"
    std::map<std::string, std::u16string> characters;  // answers of RfcGetChars
    std::map<std::string, std::string> bytes;          // answers of RfcGetBytes; what RfcSetBytes was given
    std::vector<std::string> getters;                  // "RfcGetBytes NAME length" of every byte read
    std::map<std::string, int> integers;
    unsigned table_rows = 0;
    bool refuse_local = false;                         // RfcInvoke refuses a locally built description
    nwrfc::RFC_RC lookup_rc = nwrfc::RFC_OK;           // what RfcGetFunctionDesc answers
    int lookups = 0;
    std::vector<std::string> invoked_with;             // "local" or "system", one per RfcInvoke
    int invokes = 0;
    int closes = 0;
    int types_destroyed = 0;
};
fake_system fake;
_RFC_CONNECTION_HANDLE connection_token;
_RFC_FUNCTION_DESC_HANDLE description_token, system_description_token;
RFC_FUNCTION_DESC_HANDLE created_from = nullptr;
RFC_DATA_CONTAINER container_token;
_RFC_TYPE_DESC_HANDLE type_tokens[8];
std::string type_names[8];
int type_count = 0;

void fail(nwrfc::RFC_ERROR_INFO *info, nwrfc::RFC_RC rc, RFC_ERROR_GROUP group, const std::u16string &key,
          const std::u16string &message) {
    memset(info, 0, sizeof *info);
    info->code = rc;
    info->group = group;
    std::char_traits<char16_t>::copy(info->key, key.c_str(), key.size() + 1);
    std::char_traits<char16_t>::copy(info->message, message.c_str(), message.size() + 1);
}

RFC_CONNECTION_HANDLE SAP_API fake_open(const RFC_CONNECTION_PARAMETER *list, unsigned count, nwrfc::RFC_ERROR_INFO *info) {
    fake.logon.clear();
    for (unsigned i = 0; i < count; ++i) fake.logon[narrow(list[i].name)] = narrow(list[i].value);
    if (fake.open_rc != nwrfc::RFC_OK) {
        fail(info, fake.open_rc, fake.open_group, u"", fake.open_message);
        return nullptr;
    }
    return &connection_token;
}
nwrfc::RFC_RC SAP_API fake_close(RFC_CONNECTION_HANDLE, nwrfc::RFC_ERROR_INFO *) {
    ++fake.closes;
    return nwrfc::RFC_OK;
}
nwrfc::RFC_RC SAP_API fake_destroy_type(RFC_TYPE_DESC_HANDLE, nwrfc::RFC_ERROR_INFO *) {
    ++fake.types_destroyed;
    return nwrfc::RFC_OK;
}
nwrfc::RFC_RC SAP_API fake_invoke(RFC_CONNECTION_HANDLE, RFC_FUNCTION_HANDLE, nwrfc::RFC_ERROR_INFO *info) {
    ++fake.invokes;
    bool local = created_from == &description_token;
    fake.invoked_with.push_back(local ? "local" : "system");
    if (local && fake.refuse_local) {
        fail(info, RFC_SERIALIZATION_FAILURE, EXTERNAL_RUNTIME_FAILURE, u"",
             u"RFCSI_EXPORT: received RFCSI of length 245 does not fit the description's length 200");
        return RFC_SERIALIZATION_FAILURE;
    }
    if (fake.invoke_rc != nwrfc::RFC_OK) fail(info, fake.invoke_rc, fake.invoke_group, fake.invoke_key, fake.invoke_message);
    return fake.invoke_rc;
}
RFC_FUNCTION_DESC_HANDLE SAP_API fake_create_description(const SAP_UC *name, nwrfc::RFC_ERROR_INFO *) {
    fake.function = narrow(name);
    fake.parameters.clear();
    return &description_token;
}
nwrfc::RFC_RC SAP_API fake_add_parameter(RFC_FUNCTION_DESC_HANDLE, const RFC_PARAMETER_DESC *p, nwrfc::RFC_ERROR_INFO *) {
    std::string type = narrow(p->name) + " " + std::to_string(p->direction) + " " + std::to_string(p->type) + " " +
                       std::to_string(p->nucLength) + "/" + std::to_string(p->ucLength);
    for (int i = 0; i < type_count; ++i)
        if (p->typeDescHandle == &type_tokens[i]) type += " " + type_names[i];
    fake.parameters.push_back(type);
    return nwrfc::RFC_OK;
}
nwrfc::RFC_RC SAP_API fake_destroy_description(RFC_FUNCTION_DESC_HANDLE, nwrfc::RFC_ERROR_INFO *) { return nwrfc::RFC_OK; }
RFC_TYPE_DESC_HANDLE SAP_API fake_create_type(const SAP_UC *name, nwrfc::RFC_ERROR_INFO *) {
    type_names[type_count] = narrow(name);
    return &type_tokens[type_count++];
}
nwrfc::RFC_RC SAP_API fake_add_field(RFC_TYPE_DESC_HANDLE type, const RFC_FIELD_DESC *f, nwrfc::RFC_ERROR_INFO *) {
    std::string owner = type_names[type - type_tokens];
    fake.fields.push_back(owner + "." + narrow(f->name) + " " + std::to_string(f->type) + " " +
                          std::to_string(f->nucOffset) + "/" + std::to_string(f->ucOffset) + " " +
                          std::to_string(f->decimals));
    return nwrfc::RFC_OK;
}
nwrfc::RFC_RC SAP_API fake_set_length(RFC_TYPE_DESC_HANDLE type, unsigned nuc, unsigned uc, nwrfc::RFC_ERROR_INFO *) {
    fake.fields.push_back(type_names[type - type_tokens] + " length " + std::to_string(nuc) + "/" + std::to_string(uc));
    return nwrfc::RFC_OK;
}
RFC_FUNCTION_HANDLE SAP_API fake_create_function(RFC_FUNCTION_DESC_HANDLE description, nwrfc::RFC_ERROR_INFO *) {
    created_from = description;
    return &container_token;
}
RFC_FUNCTION_DESC_HANDLE SAP_API fake_get_function_desc(RFC_CONNECTION_HANDLE, const SAP_UC *, nwrfc::RFC_ERROR_INFO *info) {
    ++fake.lookups;
    if (fake.lookup_rc == nwrfc::RFC_OK) return &system_description_token;
    fail(info, fake.lookup_rc, ABAP_RUNTIME_FAILURE, u"RFC_NO_AUTHORITY",
         u"User MONITOR has no RFC authorization for function module RFC_METADATA_GET");
    return nullptr;
}
nwrfc::RFC_RC SAP_API fake_destroy_function(RFC_FUNCTION_HANDLE, nwrfc::RFC_ERROR_INFO *) { return nwrfc::RFC_OK; }
nwrfc::RFC_RC SAP_API fake_get_structure(DATA_CONTAINER_HANDLE, const SAP_UC *, RFC_STRUCTURE_HANDLE *s, nwrfc::RFC_ERROR_INFO *) {
    *s = &container_token;
    return nwrfc::RFC_OK;
}
nwrfc::RFC_RC SAP_API fake_get_table(DATA_CONTAINER_HANDLE, const SAP_UC *, RFC_TABLE_HANDLE *t, nwrfc::RFC_ERROR_INFO *) {
    *t = &container_token;
    return nwrfc::RFC_OK;
}
nwrfc::RFC_RC SAP_API fake_row_count(RFC_TABLE_HANDLE, unsigned *count, nwrfc::RFC_ERROR_INFO *) {
    *count = fake.table_rows;
    return nwrfc::RFC_OK;
}
nwrfc::RFC_RC SAP_API fake_move_to(RFC_TABLE_HANDLE, unsigned, nwrfc::RFC_ERROR_INFO *) { return nwrfc::RFC_OK; }
RFC_STRUCTURE_HANDLE SAP_API fake_current_row(RFC_TABLE_HANDLE, nwrfc::RFC_ERROR_INFO *) { return &container_token; }
nwrfc::RFC_RC SAP_API fake_get_chars(DATA_CONTAINER_HANDLE, const SAP_UC *name, RFC_CHAR *buffer, unsigned length,
                              nwrfc::RFC_ERROR_INFO *) {
    std::u16string value = fake.characters[narrow(name)];
    for (unsigned i = 0; i < length; ++i) buffer[i] = i < value.size() ? value[i] : u' ';
    return nwrfc::RFC_OK;
}
nwrfc::RFC_RC SAP_API fake_get_date(DATA_CONTAINER_HANDLE h, const SAP_UC *name, RFC_DATE date, nwrfc::RFC_ERROR_INFO *info) {
    return fake_get_chars(h, name, date, 8, info);
}
nwrfc::RFC_RC SAP_API fake_get_time(DATA_CONTAINER_HANDLE h, const SAP_UC *name, RFC_TIME time, nwrfc::RFC_ERROR_INFO *info) {
    return fake_get_chars(h, name, time, 6, info);
}
nwrfc::RFC_RC SAP_API fake_get_bytes(DATA_CONTAINER_HANDLE, const SAP_UC *name, SAP_RAW *buffer, unsigned length,
                              nwrfc::RFC_ERROR_INFO *) {
    std::string value = fake.bytes[narrow(name)];
    fake.getters.push_back("RfcGetBytes " + narrow(name) + " " + std::to_string(length));
    for (unsigned i = 0; i < length; ++i) buffer[i] = i < value.size() ? static_cast<SAP_RAW>(value[i]) : 0;
    return nwrfc::RFC_OK;
}
nwrfc::RFC_RC SAP_API fake_set_bytes(DATA_CONTAINER_HANDLE, const SAP_UC *name, const SAP_RAW *value, unsigned length,
                              nwrfc::RFC_ERROR_INFO *) {
    fake.bytes[narrow(name)] = std::string(reinterpret_cast<const char *>(value), length);
    return nwrfc::RFC_OK;
}
nwrfc::RFC_RC SAP_API fake_get_int(DATA_CONTAINER_HANDLE, const SAP_UC *name, RFC_INT *value, nwrfc::RFC_ERROR_INFO *) {
    *value = fake.integers[narrow(name)];
    return nwrfc::RFC_OK;
}
const SAP_UC *SAP_API fake_version(unsigned *major, unsigned *minor, unsigned *patch) {
    *major = 7500;
    *minor = 0;
    *patch = 12;
    return u"7500.0.12";
}

class BridgeCalls : public ::testing::Test {
protected:
    void SetUp() override {
        remove("Dev_Rfc.Trc");
        fake = fake_system{};
        type_count = 0;
        bridge_state &state = the_bridge();
        state = bridge_state{};
        state.load_tried = true;
        state.library = &fake;
        state.origin.assign("RFC bridge librfc32 over sapnwrfc 7500,0,12");
        state.nw.RfcOpenConnection = fake_open;
        state.nw.RfcCloseConnection = fake_close;
        state.nw.RfcInvoke = fake_invoke;
        state.nw.RfcGetVersion = fake_version;
        state.nw.RfcCreateFunctionDesc = fake_create_description;
        state.nw.RfcAddParameter = fake_add_parameter;
        state.nw.RfcDestroyFunctionDesc = fake_destroy_description;
        state.nw.RfcCreateTypeDesc = fake_create_type;
        state.nw.RfcAddTypeField = fake_add_field;
        state.nw.RfcSetTypeLength = fake_set_length;
        state.nw.RfcDestroyTypeDesc = fake_destroy_type;
        state.nw.RfcCreateFunction = fake_create_function;
        state.nw.RfcGetFunctionDesc = fake_get_function_desc;
        state.nw.RfcDestroyFunction = fake_destroy_function;
        state.nw.RfcGetStructure = fake_get_structure;
        state.nw.RfcGetTable = fake_get_table;
        state.nw.RfcGetRowCount = fake_row_count;
        state.nw.RfcMoveTo = fake_move_to;
        state.nw.RfcGetCurrentRow = fake_current_row;
        state.nw.RfcGetChars = fake_get_chars;
        state.nw.RfcGetDate = fake_get_date;
        state.nw.RfcGetTime = fake_get_time;
        state.nw.RfcGetBytes = fake_get_bytes;
        state.nw.RfcSetBytes = fake_set_bytes;
        state.nw.RfcGetInt = fake_get_int;
    }
    void TearDown() override {
        close_connections(the_bridge(), 0);
        remove("Dev_Rfc.Trc");
    }

    RFC_HANDLE open_demo(const char *language) {
        static char host[] = "sapdemo", dest[] = "DEMO", client[] = "100", user[] = "MONITOR     ",
                    password[] = "Monitor#2024";
        static char lang[8];
        snprintf(lang, sizeof lang, "%s", language);
        static RFC_CONNOPT_R3ONLY r3;
        r3 = RFC_CONNOPT_R3ONLY{host, 0, nullptr, nullptr};
        static RFC_OPTIONS options;
        options = RFC_OPTIONS{dest, RFC_MODE_R3ONLY, &r3, client, user, password, lang, 0};
        return open_by_options(the_bridge(), &options);
    }

    // The sensor's trace diagnosis of the Dev_Rfc.Trc the bridge wrote.
    static std::string diagnosis() {
        FILE *trace = fopen("Dev_Rfc.Trc", "r");
        if (trace == nullptr) return "<no trace file>";
        run_record run{};
        append_diagnosis_from(run, trace);
        fclose(trace);
        return run.output_buffer.c_str();
    }
};

RFC_TYPE_ELEMENT element(const char *name, unsigned type, unsigned length, unsigned decimals = 0) {
    return RFC_TYPE_ELEMENT{const_cast<char *>(name), type, length, decimals, 0};
}

}  // namespace

TEST_F(BridgeCalls, LogonIsTranslatedAndARefusalAnswersTheFirstCall) {
    RFC_ERROR_INFO_EX handed{};
    EXPECT_EQ(hand_out_last_error_ex(the_bridge(), &handed), 1) << "no error yet";
    RFC_HANDLE handle = open_demo("ES");
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(fake.logon["user"], "MONITOR");
    EXPECT_EQ(fake.logon["passwd"], "Monitor#2024");
    EXPECT_EQ(fake.logon["lang"], "E");
    EXPECT_EQ(fake.logon["sysnr"], "00");
    close_connections(the_bridge(), handle);

    // A refused logon: the open succeeds, the first call fails with the refusal.
    fake.open_rc = RFC_LOGON_FAILURE;
    fake.open_group = LOGON_FAILURE;
    fake.open_message = u"Name or password is incorrect (repeat logon)";
    handle = open_demo("EN");
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(diagnosis(), "<no trace file>");
    char function[] = "RFC_SYSTEM_INFO";
    RFC_PARAMETER none[] = {{nullptr, 0, 0, 0, nullptr}};
    RFC_TABLE no_tables[] = {{nullptr, 0, 0, 0, nullptr, 0, 0}};
    EXPECT_EQ(send_call(the_bridge(), handle, function, none, no_tables), 1);
    EXPECT_EQ(fake.invokes, 0);
    EXPECT_EQ(diagnosis(), " - Name or password is incorrect (repeat logon)");
    EXPECT_STREQ(the_bridge().last_error.key.c_str(), "RFC_ERROR_LOGON_FAILURE");
    // The sensor counts a system failed by this group; the error is handed out once.
    ASSERT_EQ(hand_out_last_error_ex(the_bridge(), &handed), 0);
    EXPECT_EQ(handed.group, RFC_ERROR_LOGON_FAILURE);
    EXPECT_STREQ(handed.key, "RFC_ERROR_LOGON_FAILURE");
    EXPECT_STREQ(handed.message, "Name or password is incorrect (repeat logon)");
    EXPECT_EQ(hand_out_last_error_ex(the_bridge(), &handed), 1);
    EXPECT_EQ(handed.group, 0);
    EXPECT_EQ(hand_out_last_error_ex(the_bridge(), nullptr), 1);

    // Through a connect string the refusal comes at once.
    char connect[] = "ASHOST=sapdemo SYSNR=00 CLIENT=100 USER=MONITOR PASSWD=Monitor#2024 LANG=D";
    RFC_ERROR_INFO_EX error{};
    EXPECT_EQ(open_by_connect_string(the_bridge(), connect, &error), 0u);
    EXPECT_EQ(error.group, 103);
    EXPECT_STREQ(error.key, "RFC_ERROR_LOGON_FAILURE");
    EXPECT_EQ(hand_out_last_error_ex(the_bridge(), &handed), 1) << "RfcOpenEx's record handed it out";
    // A connect string the bridge cannot read is the program's error, group 101.
    char unreadable[] = "ASHOST=sapdemo BOGUS=1";
    EXPECT_EQ(open_by_connect_string(the_bridge(), unreadable, &error), 0u);
    EXPECT_EQ(error.group, RFC_ERROR_PROGRAM);

    // No trace line or last error ever shows the password.
    FILE *trace = fopen("Dev_Rfc.Trc", "r");
    ASSERT_NE(trace, nullptr);
    char line[512];
    while (fgets(line, sizeof line, trace) != nullptr) EXPECT_EQ(strstr(line, "Monitor#2024"), nullptr) << line;
    fclose(trace);
}

TEST_F(BridgeCalls, RecordsAndTablesComeBackInClassicForm) {
    RFC_TYPE_ELEMENT rows[] = {element("HOST", TYPC, 8), element("DAY", TYPDATE, 8), element("COUNT", TYPINT, 4),
                               element("ASP_P", TYPP, 8, 5), element("ASP_S", TYPP, 6, 1)};
    RFC_TYPEHANDLE record_type = 0, again = 0;
    ASSERT_EQ(install_structure(the_bridge(), const_cast<char *>("INFO"), rows, 5, &record_type), 0);
    ASSERT_EQ(install_structure(the_bridge(), const_cast<char *>("INFO"), rows, 5, &again), 0);
    EXPECT_EQ(again, record_type);
    RFC_TYPE_ELEMENT line_rows[] = {element("NAME", TYPC, 40)};
    RFC_TYPEHANDLE line_type = 0;
    ASSERT_EQ(install_structure(the_bridge(), const_cast<char *>("MISSOBJ"), line_rows, 1, &line_type), 0);

    fake.characters["HOST"] = u"s\u00e4p\u20ac";  // a-umlaut is ISO-8859-1, the euro sign is not
    fake.characters["DAY"] = u"20261210";
    fake.integers["COUNT"] = 0x01020304;
    // Packed bytes pass as they are: SAP's second minus sign B and a digit half-byte
    // above 9 reach the caller untouched, as from the classic library.
    fake.bytes["ASP_P"] = std::string("\x00\x00\x00\x00\x87\x12\x34\x5B", 8);
    fake.bytes["ASP_S"] = std::string("\x00\x01\x2A\x45\x67\x8D", 6);
    fake.characters["NAME"] = u"ZTABLE";
    fake.table_rows = 2;

    RFC_HANDLE handle = open_demo("E");
    ASSERT_NE(handle, 0u);
    ITAB_H table = create_table(the_bridge(), "MISS_TABLES", 40);
    ASSERT_NE(table, nullptr);
    unsigned char record[36];
    memset(record, 0xEE, sizeof record);
    int code = 0;
    RFC_PARAMETER importing[] = {{const_cast<char *>("CODE"), 4, TYPINT, 4, &code},
                                 {const_cast<char *>("INFO_EXPORT"), 11, record_type, 36, record},
                                 {nullptr, 0, 0, 0, nullptr}};
    RFC_TABLE tables[] = {{const_cast<char *>("MISS_TABLES"), 11, line_type, 40, table, 0, 0},
                          {nullptr, 0, 0, 0, nullptr, 0, 0}};
    RFC_PARAMETER none[] = {{nullptr, 0, 0, 0, nullptr}};
    ASSERT_EQ(send_call(the_bridge(), handle, const_cast<char *>("Z_INFO"), none, tables), 0);
    char *exception = nullptr;
    fake.integers["CODE"] = 7;
    ASSERT_EQ(receive_call(the_bridge(), handle, importing, tables, &exception), 0) << diagnosis();

    // The description was built from the caller's lists, nothing fetched.
    EXPECT_EQ(fake.function, "Z_INFO");
    const std::vector<std::string> parameters = {"CODE 2 8 4/4", "INFO_EXPORT 2 17 36/52 INFO",
                                                 "MISS_TABLES 7 5 40/80 MISSOBJ"};
    EXPECT_EQ(fake.parameters, parameters);
    const std::vector<std::string> fields = {"INFO.HOST 0 0/0 0",    "INFO.DAY 1 8/16 0",   "INFO.COUNT 8 16/32 0",
                                             "INFO.ASP_P 2 20/36 5", "INFO.ASP_S 2 28/44 1", "INFO length 36/52",
                                             "MISSOBJ.NAME 0 0/0 0", "MISSOBJ length 40/80"};
    EXPECT_EQ(fake.fields, fields);

    EXPECT_EQ(code, 7);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(record), 8), "s\xe4p#    ");
    EXPECT_EQ(std::string(reinterpret_cast<char *>(record) + 8, 8), "20261210");
    const unsigned char count_bytes[] = {0x04, 0x03, 0x02, 0x01};
    EXPECT_EQ(memcmp(record + 16, count_bytes, 4), 0);
    const unsigned char asp_p[] = {0x00, 0x00, 0x00, 0x00, 0x87, 0x12, 0x34, 0x5B};
    EXPECT_EQ(memcmp(record + 20, asp_p, 8), 0);
    const unsigned char asp_s[] = {0x00, 0x01, 0x2A, 0x45, 0x67, 0x8D};
    EXPECT_EQ(memcmp(record + 28, asp_s, 6), 0);
    const std::vector<std::string> getters = {"RfcGetBytes ASP_P 8", "RfcGetBytes ASP_S 6"};
    EXPECT_EQ(fake.getters, getters) << "each packed field read as bytes of its installed length";
    EXPECT_EQ(record[34], 0xEE) << "the record's padding is the caller's";

    bridge_state &state = the_bridge();
    bridge_table *rows_kept = static_cast<bridge_table *>(table);
    ASSERT_EQ(rows_kept->row_count, 2u);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(rows_kept->rows), 6), "ZTABLE");
    EXPECT_EQ(delete_table(state, table), 0);
    EXPECT_EQ(state.row_arena_used, 0u);
    EXPECT_EQ(delete_table(state, table), 1);
}

TEST_F(BridgeCalls, PackedValuesAreSentAsTheirBytes) {
    // A packed scalar parameter goes to the library as the caller's bytes, of its
    // length, with the unsigned sign F and a digit half-byte the text route refused.
    RFC_HANDLE handle = open_demo("E");
    ASSERT_NE(handle, 0u);
    unsigned char amount[] = {0x01, 0xA3, 0x4F};
    RFC_PARAMETER exporting[] = {{const_cast<char *>("AMOUNT"), 6, TYPP, 3, amount}, {nullptr, 0, 0, 0, nullptr}};
    RFC_PARAMETER none[] = {{nullptr, 0, 0, 0, nullptr}};
    RFC_TABLE no_tables[] = {{nullptr, 0, 0, 0, nullptr, 0, 0}};
    ASSERT_EQ(send_call(the_bridge(), handle, const_cast<char *>("Z_F"), exporting, no_tables), 0);
    char *exception = nullptr;
    ASSERT_EQ(receive_call(the_bridge(), handle, none, no_tables, &exception), 0) << diagnosis();
    EXPECT_EQ(fake.bytes["AMOUNT"], std::string("\x01\xA3\x4F", 3));
    const std::vector<std::string> parameters = {"AMOUNT 1 2 3/3"};
    EXPECT_EQ(fake.parameters, parameters);
}

TEST_F(BridgeCalls, OutcomesBecomeClassicCodesWithTheirDiagnosis) {
    struct row {
        nwrfc::RFC_RC rc;
        RFC_ERROR_GROUP group;
        const char16_t *key;
        const char16_t *message;
        int classic;
        const char *exception;
        const char *diagnosis;
        int classic_group;  // what RfcLastErrorEx hands out
    } rows[] = {
        {RFC_ABAP_EXCEPTION, ABAP_APPLICATION_FAILURE, u"NOT_AUTHORIZED", u"NOT_AUTHORIZED", 2, "NOT_AUTHORIZED",
         " - NOT_AUTHORIZED", RFC_ERROR_APPLICATION_EXCEPTION},
        {RFC_ABAP_MESSAGE, ABAP_RUNTIME_FAILURE, u"", u"Table DB4TABLES is locked", 3, "SYSTEM_FAILURE",
         " - Table DB4TABLES is locked", RFC_ERROR_SYSTEM_FAILURE},
        {RFC_ABAP_RUNTIME_FAILURE, ABAP_RUNTIME_FAILURE, u"SYSTEM_FAILURE", u"Runtime error DBIF_RSQL", 3,
         "SYSTEM_FAILURE", " - Runtime error DBIF_RSQL", RFC_ERROR_SYSTEM_FAILURE},
        {RFC_COMMUNICATION_FAILURE, COMMUNICATION_FAILURE, u"", u"connection to partner broken", 1, nullptr,
         " - connection to partner broken", RFC_ERROR_COMMUNICATION},
        // SAP's library gives a runtime failure the dump's name as its key: the caller
        // gets SYSTEM_FAILURE, and the name stays in the message.
        {RFC_ABAP_RUNTIME_FAILURE, ABAP_RUNTIME_FAILURE, u"COMPUTE_INT_ZERODIVIDE", u"Division by 0 (type I or INT8)", 3,
         "SYSTEM_FAILURE", " - COMPUTE_INT_ZERODIVIDE: Division by 0 (type I or INT8)", RFC_ERROR_SYSTEM_FAILURE},
        {RFC_ABAP_RUNTIME_FAILURE, ABAP_RUNTIME_FAILURE, u"DBIF_RSQL_SQL_ERROR", u"Runtime error DBIF_RSQL_SQL_ERROR", 3,
         "SYSTEM_FAILURE", " - Runtime error DBIF_RSQL_SQL_ERROR", RFC_ERROR_SYSTEM_FAILURE},
        // Its communication failures span lines: the ERROR line is the message.
        {RFC_COMMUNICATION_FAILURE, COMMUNICATION_FAILURE, u"RFC_COMMUNICATION_FAILURE",
         u"\nLOCATION    CPIC (TCP/IP) on local host with Unicode\nERROR       partner 'sapdemo:sapgw00' not "
         u"reached\nTIME        Thu Dec 10 14:03:59 2026\nRELEASE     753\nCOUNTER     1\n",
         1, nullptr, " - partner 'sapdemo:sapgw00' not reached", RFC_ERROR_COMMUNICATION},
    };
    for (const row &r : rows) {
        remove("Dev_Rfc.Trc");
        RFC_HANDLE handle = open_demo("E");
        fake.invoke_rc = r.rc;
        fake.invoke_group = r.group;
        fake.invoke_key = r.key;
        fake.invoke_message = r.message;
        int value = 0;
        RFC_PARAMETER importing[] = {{const_cast<char *>("CODE"), 4, TYPINT, 4, &value}, {nullptr, 0, 0, 0, nullptr}};
        RFC_PARAMETER none[] = {{nullptr, 0, 0, 0, nullptr}};
        RFC_TABLE no_tables[] = {{nullptr, 0, 0, 0, nullptr, 0, 0}};
        ASSERT_EQ(send_call(the_bridge(), handle, const_cast<char *>("Z_F"), none, no_tables), 0);
        char *exception = nullptr;
        EXPECT_EQ(receive_call(the_bridge(), handle, importing, no_tables, &exception), r.classic);
        if (r.exception != nullptr) {
            ASSERT_NE(exception, nullptr);
            EXPECT_STREQ(exception, r.exception);
        } else {
            EXPECT_EQ(exception, nullptr);
        }
        EXPECT_EQ(diagnosis(), r.diagnosis);
        RFC_ERROR_INFO_EX handed{};
        EXPECT_EQ(hand_out_last_error_ex(the_bridge(), &handed), 0);
        EXPECT_EQ(handed.group, r.classic_group);
        EXPECT_EQ(strpbrk(handed.message, "\r\n"), nullptr) << "no line break ever reaches the sensor";
        EXPECT_EQ(std::string(" - ") + handed.message, r.diagnosis);
        close_connections(the_bridge(), handle);
    }
}

TEST_F(BridgeCalls, AConnectionSapsLibraryClosedIsNeverUsedAgain) {
    struct row {
        nwrfc::RFC_RC rc;
        RFC_ERROR_GROUP group;
        bool closed_by_library;
    } rows[] = {
        {RFC_COMMUNICATION_FAILURE, COMMUNICATION_FAILURE, true},
        {RFC_ABAP_RUNTIME_FAILURE, ABAP_RUNTIME_FAILURE, true},
        {RFC_ABAP_MESSAGE, ABAP_RUNTIME_FAILURE, true},
        {RFC_ABAP_EXCEPTION, ABAP_APPLICATION_FAILURE, false},
    };
    RFC_PARAMETER none[] = {{nullptr, 0, 0, 0, nullptr}};
    RFC_TABLE no_tables[] = {{nullptr, 0, 0, 0, nullptr, 0, 0}};
    for (const row &r : rows) {
        SCOPED_TRACE(r.rc);
        fake = fake_system{};
        RFC_HANDLE handle = open_demo("E");
        fake.invoke_rc = r.rc;
        fake.invoke_group = r.group;
        ASSERT_EQ(send_call(the_bridge(), handle, const_cast<char *>("Z_F"), none, no_tables), 0);
        char *exception = nullptr;
        EXPECT_NE(receive_call(the_bridge(), handle, none, no_tables, &exception), 0);
        // A later call on it fails without reaching the library.
        fake.invoke_rc = nwrfc::RFC_OK;
        EXPECT_EQ(send_call(the_bridge(), handle, const_cast<char *>("Z_F"), none, no_tables),
                  r.closed_by_library ? 1 : 0);
        if (r.closed_by_library) {
            EXPECT_EQ(diagnosis(), " - connection closed by SAP's library after a failure");
        }
        close_connections(the_bridge(), handle);
        EXPECT_EQ(fake.closes, r.closed_by_library ? 0 : 1);
        EXPECT_EQ(fake.invokes, 1);
    }
}

TEST_F(BridgeCalls, TypeDescriptionsGoWhenTheLastConnectionCloses) {
    RFC_TYPE_ELEMENT rows[] = {element("NAME", TYPC, 8)};
    RFC_TYPEHANDLE type = 0;
    ASSERT_EQ(install_structure(the_bridge(), const_cast<char *>("LINE"), rows, 1, &type), 0);
    RFC_HANDLE first = open_demo("E"), second = open_demo("E");
    unsigned char record[8];
    RFC_PARAMETER importing[] = {{const_cast<char *>("LINE"), 4, type, 8, record}, {nullptr, 0, 0, 0, nullptr}};
    RFC_PARAMETER none[] = {{nullptr, 0, 0, 0, nullptr}};
    RFC_TABLE no_tables[] = {{nullptr, 0, 0, 0, nullptr, 0, 0}};
    ASSERT_EQ(send_call(the_bridge(), first, const_cast<char *>("Z_F"), none, no_tables), 0);
    char *exception = nullptr;
    ASSERT_EQ(receive_call(the_bridge(), first, importing, no_tables, &exception), 0) << diagnosis();
    close_connections(the_bridge(), first);
    EXPECT_EQ(fake.types_destroyed, 0) << "another connection may still call";
    close_connections(the_bridge(), second);
    EXPECT_EQ(fake.types_destroyed, 1);
    EXPECT_EQ(the_bridge().structures[0].nw_type, nullptr);
    close_connections(the_bridge(), 0);
    EXPECT_EQ(fake.types_destroyed, 1) << "each destroyed once";
}

TEST_F(BridgeCalls, UnknownHandlesGoToTheErrorHandler) {
    static std::string handled;
    struct handler {
        static void LIBRFC32_API record(char *operation) { handled = operation; }
    };
    the_bridge().error_handler = handler::record;
    RFC_PARAMETER none[] = {{nullptr, 0, 0, 0, nullptr}};
    RFC_TABLE no_tables[] = {{nullptr, 0, 0, 0, nullptr, 0, 0}};
    EXPECT_EQ(send_call(the_bridge(), 99, const_cast<char *>("Z_F"), none, no_tables), 1);
    EXPECT_EQ(handled, "RfcCall: unknown handle 99");
    // A table the bridge did not create is a failure of the call, reported, not a crash.
    RFC_HANDLE handle = open_demo("E");
    int foreign = 0;
    RFC_TABLE tables[] = {{const_cast<char *>("T"), 1, 100, 40, &foreign, 0, 0}, {nullptr, 0, 0, 0, nullptr, 0, 0}};
    EXPECT_EQ(send_call(the_bridge(), handle, const_cast<char *>("Z_F"), none, tables), 1);
    EXPECT_EQ(diagnosis(), " - table T: not a table of ItCreate");
}

TEST_F(BridgeCalls, ARefusedLocalDescriptionIsCalledAgainWithTheSystemsOwnFromThenOn) {
    fake.refuse_local = true;
    fake.integers["CODE"] = 7;
    RFC_HANDLE handle = open_demo("E");
    int value = 0;
    RFC_PARAMETER importing[] = {{const_cast<char *>("CODE"), 4, TYPINT, 4, &value}, {nullptr, 0, 0, 0, nullptr}};
    RFC_PARAMETER none[] = {{nullptr, 0, 0, 0, nullptr}};
    RFC_TABLE no_tables[] = {{nullptr, 0, 0, 0, nullptr, 0, 0}};
    char *exception = nullptr;
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(send_call(the_bridge(), handle, const_cast<char *>("Z_F"), none, no_tables), 0);
        EXPECT_EQ(receive_call(the_bridge(), handle, importing, no_tables, &exception), 0) << round;
        EXPECT_EQ(value, 7);
    }
    // Refused once, looked up once; the second call goes with the system's description at once.
    EXPECT_EQ(fake.invoked_with, (std::vector<std::string>{"local", "system", "system"}));
    EXPECT_EQ(fake.lookups, 1);
    EXPECT_EQ(diagnosis(), "<no trace file>");
    char described[400] = "";
    describe_bridge(the_bridge(), described, sizeof described);
    EXPECT_NE(strstr(described, "; Z_F with the system's descriptions"), nullptr) << described;
}

TEST_F(BridgeCalls, ALookupTheSystemRefusesNamesTheRightsAndEndsTheConnection) {
    fake.refuse_local = true;
    fake.lookup_rc = RFC_ABAP_RUNTIME_FAILURE;
    RFC_HANDLE handle = open_demo("E");
    RFC_PARAMETER none[] = {{nullptr, 0, 0, 0, nullptr}};
    RFC_TABLE no_tables[] = {{nullptr, 0, 0, 0, nullptr, 0, 0}};
    char *exception = nullptr;
    ASSERT_EQ(send_call(the_bridge(), handle, const_cast<char *>("RFC_SYSTEM_INFO"), none, no_tables), 0);
    // An RFC failure (error 1014 to the sensor), not the system's exception.
    EXPECT_EQ(receive_call(the_bridge(), handle, none, no_tables, &exception), RFC_FAILURE);
    EXPECT_EQ(exception, nullptr);
    EXPECT_EQ(diagnosis(), " - no S_RFC for RFC_METADATA, SDIFRUNTIME, RFC1: RFC_SYSTEM_INFO not looked up");
    // SAP's library closed the connection: nothing more goes out on it, not even a close.
    EXPECT_EQ(send_call(the_bridge(), handle, const_cast<char *>("RFC_SYSTEM_INFO"), none, no_tables), 1);
    close_connections(the_bridge(), handle);
    EXPECT_EQ(fake.closes, 0);
}
