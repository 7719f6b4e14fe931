// Test fixture for the NetWeaver stand-in, used through its exported functions as our
// declarations of SAP's interface give them: each test in a fresh working directory
// holding the classic stand-in's base landscape, with helpers that build function and
// type descriptions the way the bridge does and read UTF-16 values back as text.
#pragma once

#include "nwrfc/sapnwrfc_api.h"
#include "rfc_standin/standin_fixture.h"

#include <string>
#include <vector>

namespace nwrfc_test {

using namespace nwrfc;
// The classic interface has records and codes of the same names: within these tests
// the NetWeaver ones are meant.
using nwrfc::RFC_CLOSED;
using nwrfc::RFC_ERROR_GROUP;
using nwrfc::RFC_ERROR_INFO;
using nwrfc::RFC_OK;
using nwrfc::RFC_RC;
using nwrfc::RFC_TIMEOUT;
using standin_test::read_file;
using standin_test::set_variable;
using standin_test::write_file;

/// An ASCII or ISO-8859-1 text as UTF-16.
inline std::u16string wide(const std::string &text) {
    std::u16string out;
    for (unsigned char c : text) out += static_cast<char16_t>(c);
    return out;
}

/// `count` UTF-16 characters as ISO-8859-1, "{XXXX}" for each one outside it.
inline std::string narrow(const char16_t *text, size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        if (text[i] < 0x100) {
            out += static_cast<char>(text[i]);
        } else {
            char code[8];
            snprintf(code, sizeof code, "{%04X}", static_cast<unsigned>(text[i]));
            out += code;
        }
    }
    return out;
}

/// A terminated UTF-16 text as ISO-8859-1.
inline std::string narrow(const char16_t *text) {
    size_t count = 0;
    while (text[count] != 0) ++count;
    return narrow(text, count);
}

/// Descriptions and functions the helpers made, given back at the end of each test:
/// the stand-in's pools are fixed, and one test's leftovers must not fill them for the next.
inline std::vector<RFC_TYPE_DESC_HANDLE> made_types;
inline std::vector<RFC_FUNCTION_DESC_HANDLE> made_descriptions;
inline std::vector<RFC_FUNCTION_HANDLE> made_functions;

/// A function container of `description` (given back at the test's end); null with `info` filled.
inline RFC_FUNCTION_HANDLE create_function(RFC_FUNCTION_DESC_HANDLE description, RFC_ERROR_INFO &info) {
    RFC_FUNCTION_HANDLE function = RfcCreateFunction(description, &info);
    if (function != nullptr) made_functions.push_back(function);
    return function;
}

/// One field of a type description: name, NetWeaver type, bytes and decimals.
struct field_spec {
    const char *name;
    RFCTYPE type;
    unsigned length;
    unsigned decimals;
};

/// A type description with `fields` laid out as the classic library (and the bridge)
/// lays out a record: one after another, integers and floats aligned to their size.
inline RFC_TYPE_DESC_HANDLE make_type(const char *name, const std::vector<field_spec> &fields) {
    RFC_ERROR_INFO info;
    RFC_TYPE_DESC_HANDLE type = RfcCreateTypeDesc(wide(name).c_str(), &info);
    EXPECT_NE(type, nullptr) << name;
    if (type == nullptr) return nullptr;
    made_types.push_back(type);
    unsigned offset = 0, uc_offset = 0;
    for (const field_spec &spec : fields) {
        unsigned align = spec.type == RFCTYPE_INT || spec.type == RFCTYPE_FLOAT || spec.type == RFCTYPE_INT2 ? spec.length : 1;
        offset = (offset + align - 1) / align * align;
        bool characters = spec.type == RFCTYPE_CHAR || spec.type == RFCTYPE_NUM || spec.type == RFCTYPE_DATE ||
                          spec.type == RFCTYPE_TIME;
        unsigned uc_align = characters ? 2 : align;
        uc_offset = (uc_offset + uc_align - 1) / uc_align * uc_align;
        RFC_FIELD_DESC field = {};
        std::u16string field_name = wide(spec.name);
        field_name.copy(field.name, 30);
        field.type = spec.type;
        field.nucLength = spec.length;
        field.nucOffset = offset;
        field.ucLength = characters ? 2 * spec.length : spec.length;
        field.ucOffset = uc_offset;
        field.decimals = spec.decimals;
        EXPECT_EQ(RfcAddTypeField(type, &field, &info), RFC_OK) << spec.name << ": " << narrow(info.message);
        offset += spec.length;
        uc_offset += field.ucLength;
    }
    EXPECT_EQ(RfcSetTypeLength(type, offset, uc_offset > 2 * offset ? uc_offset : 2 * offset, &info), RFC_OK) << name;
    return type;
}

/// One parameter of a function description: name, direction, type (RFCTYPE_STRUCTURE
/// and RFCTYPE_TABLE with `line`), bytes and decimals.
struct parameter_spec {
    const char *name;
    RFC_DIRECTION direction;
    RFCTYPE type;
    unsigned length;
    unsigned decimals;
    RFC_TYPE_DESC_HANDLE line;
};

/// A function description with `parameters`; null (and a failed expectation) when refused.
inline RFC_FUNCTION_DESC_HANDLE make_function(const char *name, const std::vector<parameter_spec> &parameters) {
    RFC_ERROR_INFO info;
    RFC_FUNCTION_DESC_HANDLE function = RfcCreateFunctionDesc(wide(name).c_str(), &info);
    EXPECT_NE(function, nullptr) << name;
    made_descriptions.push_back(function);
    for (const parameter_spec &spec : parameters) {
        RFC_PARAMETER_DESC parameter = {};
        wide(spec.name).copy(parameter.name, 30);
        parameter.direction = spec.direction;
        parameter.type = spec.type;
        parameter.nucLength = spec.length;
        parameter.ucLength = spec.type == RFCTYPE_CHAR || spec.type == RFCTYPE_NUM || spec.type == RFCTYPE_DATE ||
                                     spec.type == RFCTYPE_TIME
                                 ? 2 * spec.length
                                 : spec.length;
        parameter.decimals = spec.decimals;
        parameter.typeDescHandle = spec.line;
        EXPECT_EQ(RfcAddParameter(function, &parameter, &info), RFC_OK) << spec.name << ": " << narrow(info.message);
    }
    return function;
}

/// RFCSI as the sensor installs it (and the bridge describes it).
inline RFC_TYPE_DESC_HANDLE rfcsi_type() {
    std::vector<field_spec> fields;
    for (const RFC_TYPE_ELEMENT &row : standin_test::rfcsi_rows)
        fields.push_back({row.name, static_cast<RFCTYPE>(row.type), row.length, row.decimals});
    return make_type("RFCSI", fields);
}

/// DB02INFDB4 and MISSOBJ as the sensor installs them.
inline RFC_TYPE_DESC_HANDLE db02_type() {
    std::vector<field_spec> fields;
    for (const RFC_TYPE_ELEMENT &row : standin_test::db02infdb4_rows)
        fields.push_back({row.name, static_cast<RFCTYPE>(row.type), row.length, row.decimals});
    return make_type("DB02INFDB4", fields);
}

/// RFC_SYSTEM_INFO's description as the bridge builds it from the sensor's lists.
inline RFC_FUNCTION_DESC_HANDLE system_info_function() {
    return make_function("RFC_SYSTEM_INFO", {
                                                {"CURRENT_RESOURCES", RFC_EXPORT, RFCTYPE_INT, 4, 0, nullptr},
                                                {"DIALOG_USER_TYPE", RFC_EXPORT, RFCTYPE_CHAR, 1, 0, nullptr},
                                                {"MAXIMAL_RESOURCES", RFC_EXPORT, RFCTYPE_INT, 4, 0, nullptr},
                                                {"RECOMMENDED_DELAY", RFC_EXPORT, RFCTYPE_INT, 4, 0, nullptr},
                                                {"RFCSI_EXPORT", RFC_EXPORT, RFCTYPE_STRUCTURE, 200, 0, rfcsi_type()},
                                                {"RFC_LOGIN_COMPLETE", RFC_EXPORT, RFCTYPE_CHAR, 1, 0, nullptr},
                                            });
}

/// DB02_DB4_GET_INFO's description as the bridge builds it, with its six tables.
inline RFC_FUNCTION_DESC_HANDLE db4_info_function() {
    RFC_TYPE_DESC_HANDLE missobj = make_type("MISSOBJ", {{"NAME", RFCTYPE_CHAR, 40, 0}});
    std::vector<parameter_spec> parameters = {
        {"API_QWCRSSTS_RC", RFC_EXPORT, RFCTYPE_INT, 4, 0, nullptr},
        {"DB02_DISPLAYED_INFO", RFC_EXPORT, RFCTYPE_STRUCTURE, 120, 0, db02_type()},
    };
    for (const char *name : {"ADDTL_INDEX", "ADDTL_TABLES", "ADDTL_VIEWS", "MISS_INDEX", "MISS_TABLES", "MISS_VIEWS"})
        parameters.push_back({name, RFC_TABLES, RFCTYPE_TABLE, 40, 0, missobj});
    return make_function("DB02_DB4_GET_INFO", parameters);
}

/// The connection parameters of the base landscape's DEMO system, each replaceable.
struct logon_spec {
    std::string ashost = "sapdemo", sysnr = "00", client = "100", user = "MONITOR", passwd = "Monitor#2024";
    std::string gwhost, gwserv, extra_name, extra_value;
    std::string mshost, msserv, sysid, group;  // a load-balanced logon
};

/// DEMO's parameters with the first ones replaced.
inline logon_spec demo_logon(const char *ashost = "sapdemo", const char *sysnr = "00", const char *client = "100",
                             const char *user = "MONITOR", const char *passwd = "Monitor#2024",
                             const char *gwhost = "", const char *gwserv = "") {
    logon_spec spec;
    spec.ashost = ashost;
    spec.sysnr = sysnr;
    spec.client = client;
    spec.user = user;
    spec.passwd = passwd;
    spec.gwhost = gwhost;
    spec.gwserv = gwserv;
    return spec;
}

/// Each test in a fresh working directory holding the base landscape; every
/// connection, function and description it opened is given back at its end.
struct NwStandIn : ::testing::Test {
    std::filesystem::path previous, directory;
    std::vector<RFC_CONNECTION_HANDLE> connections;

    void SetUp() override {
        previous = std::filesystem::current_path();
        const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::random_device random;
        std::error_code error;
        do {
            directory = previous / ("nwrfc-test-" + std::string(test->name()) + "-" + std::to_string(random()));
        } while (!std::filesystem::create_directory(directory, error) && !error);
        ASSERT_FALSE(error) << directory.string();
        std::filesystem::current_path(directory, error);
        ASSERT_FALSE(error) << directory.string();
        set_variable("KORVANEL_RFC_LANDSCAPE", "");
        set_variable("KORVANEL_RFC_CALL_LOG", "");
        set_variable("KORVANEL_NWRFC_DESCRIPTIONS", "");
        write_file("SapLandscape.txt", standin_test::base_landscape);
        // The library's own trace kept apart, as the bridge keeps it: where the file
        // system ignores letter case, dev_rfc.trc would be the classic trace's file.
        std::filesystem::create_directory(directory / "sap-trace", error);
        set_trace_folder(directory / "sap-trace");
    }
    static void set_trace_folder(const std::filesystem::path &folder) {
        std::u16string name = wide(folder.string().c_str());
        RFC_ERROR_INFO info;
        ASSERT_EQ(RfcSetTraceDir(&name[0], &info), RFC_OK);
    }
    void TearDown() override {
        RFC_ERROR_INFO ignored;
        for (RFC_CONNECTION_HANDLE connection : connections) RfcCloseConnection(connection, &ignored);
        // An entry the test gave back itself is refused here, harmlessly.
        for (auto f = made_functions.rbegin(); f != made_functions.rend(); ++f) RfcDestroyFunction(*f, &ignored);
        for (auto d = made_descriptions.rbegin(); d != made_descriptions.rend(); ++d) RfcDestroyFunctionDesc(*d, &ignored);
        for (auto t = made_types.rbegin(); t != made_types.rend(); ++t) RfcDestroyTypeDesc(*t, &ignored);
        made_functions.clear();
        made_descriptions.clear();
        made_types.clear();
        std::error_code error;
        std::filesystem::current_path(previous, error);
        std::filesystem::remove_all(directory, error);
    }

    /// The landscape with `extra` lines added to the DEMO system.
    void demo_with(const std::string &extra) {
        write_file("SapLandscape.txt", std::string(standin_test::base_landscape) + extra);
    }

    /// RfcOpenConnection with `spec`; the handle (closed at the test's end) or null with `info`.
    RFC_CONNECTION_HANDLE open(const logon_spec &spec, RFC_ERROR_INFO &info) {
        std::vector<std::pair<std::u16string, std::u16string>> pairs;
        auto add = [&](const char *name, const std::string &value) {
            if (!value.empty()) pairs.push_back({wide(name), wide(value)});
        };
        add("ASHOST", spec.ashost);
        add("SYSNR", spec.sysnr);
        add("GWHOST", spec.gwhost);
        add("GWSERV", spec.gwserv);
        add("MSHOST", spec.mshost);
        add("MSSERV", spec.msserv);
        add("SYSID", spec.sysid);
        add("GROUP", spec.group);
        add("CLIENT", spec.client);
        add("USER", spec.user);
        add("PASSWD", spec.passwd);
        add("LANG", "E");
        if (!spec.extra_name.empty()) pairs.push_back({wide(spec.extra_name), wide(spec.extra_value)});
        std::vector<RFC_CONNECTION_PARAMETER> list;
        for (const auto &pair : pairs) list.push_back({pair.first.c_str(), pair.second.c_str()});
        memset(&info, 0, sizeof info);
        RFC_CONNECTION_HANDLE handle = RfcOpenConnection(list.data(), static_cast<unsigned>(list.size()), &info);
        if (handle != nullptr) connections.push_back(handle);
        return handle;
    }
    RFC_CONNECTION_HANDLE open_demo() {
        RFC_ERROR_INFO info;
        RFC_CONNECTION_HANDLE handle = open(logon_spec{}, info);
        EXPECT_NE(handle, nullptr) << narrow(info.message);
        return handle;
    }
    std::string trace() const { return read_file("Dev_Rfc.Trc"); }
};

/// A character field's value as text ("{XXXX}" for characters outside ISO-8859-1);
/// "<rc N>" when the getter fails.
inline std::string chars_of(DATA_CONTAINER_HANDLE container, const char *name, unsigned length) {
    std::vector<char16_t> buffer(length + 1, u'~');
    RFC_ERROR_INFO info;
    RFC_RC rc = RfcGetChars(container, wide(name).c_str(), buffer.data(), length, &info);
    if (rc != RFC_OK) return "<rc " + std::to_string(rc) + ">";
    EXPECT_EQ(buffer[length], u'~') << name << ": written beyond the buffer";
    return narrow(buffer.data(), length);
}

/// The line a reader takes from an error text of SAP's library: of a text over
/// several lines (a communication failure's) the ERROR line's text, else the text.
inline std::string error_line(const std::string &text) {
    if (text.empty() || text[0] != '\n') return text;
    size_t at = text.find("\nERROR       ");
    if (at == std::string::npos) return "<no ERROR line>";
    at += 13;
    return text.substr(at, text.find('\n', at) - at);
}

/// A packed field's decimal text, or "<rc N>".
inline std::string packed_of(DATA_CONTAINER_HANDLE container, const char *name) {
    char16_t buffer[64];
    unsigned length = 0;
    RFC_ERROR_INFO info;
    RFC_RC rc = RfcGetString(container, wide(name).c_str(), buffer, 64, &length, &info);
    if (rc != RFC_OK) return "<rc " + std::to_string(rc) + ">";
    EXPECT_EQ(buffer[length], 0) << name;
    return narrow(buffer, length);
}

}  // namespace nwrfc_test
