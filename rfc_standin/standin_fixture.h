// Test fixture for the stand-in librfc32, used through its ten exported functions
// only: every test runs in a fresh directory of its own (the library reads the
// landscape and SapRfc.ini and writes Dev_Rfc.Trc in the working directory), and
// ends with every connection closed and no error handler registered.
#pragma once

#include "core/librfc32.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace standin_test {

/// The landscape most tests start from: one healthy system, DEMO.
inline const char *const base_landscape =
    "# test landscape\n"
    "[system DEMO]\n"
    "host = sapdemo\n"
    "sysnr = 0\n"
    "gwhost = sapdemo\n"
    "gwservice = sapgw00\n"
    "client = 100\n"
    "user = MONITOR\n"
    "password = Monitor#2024\n"
    "rfcsi.RFCHOST = sapdemo\n"
    "rfcsi.RFCDBSYS = DB4\n"
    "rfcsi.RFCSYSID = DEM\n"
    "db02.DBSYS = DB4\n"
    "db02.FS_A_DATE = 20261210\n"
    "db02.FS_A_TIME = 140359\n"
    "db02.SYSID = DEM\n"
    "db02.SYS_ASP_P = 87.12345\n"
    "db02.SYS_ASP_S = 1234567.8\n"
    "db02.ASP_TOT_S = 2345678.9\n"
    "api_rc = 7\n";

/// Sets an environment variable ("" counts as unset for the library); putenv keeps
/// the text it is given, so recent settings keep storage of their own.
inline void set_variable(const char *name, const std::string &value) {
    static std::vector<std::string> settings(8);
    static int next = 0;
    std::string &slot = settings[next++ % settings.size()];
    slot = std::string(name) + "=" + value;
    putenv(&slot[0]);
}

/// The whole content of a file; "<missing>" when it cannot be opened.
inline std::string read_file(const char *name) {
    FILE *file = fopen(name, "rb");
    if (file == nullptr) return "<missing>";
    std::string content;
    char buffer[4096];
    size_t count;
    while ((count = fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, count);
    fclose(file);
    return content;
}

/// Creates or overwrites a file with exactly `content`.
inline void write_file(const char *name, const std::string &content) {
    FILE *file = fopen(name, "wb");
    ASSERT_NE(file, nullptr) << name;
    fwrite(content.data(), 1, content.size(), file);
    fclose(file);
}

/// The text with CR LF turned into LF: the Windows build writes its trace in text mode.
inline std::string unix_lines(std::string text) {
    std::string out;
    for (char c : text)
        if (c != '\r') out += c;
    return out;
}

/// The lines of `text`, without their line ends.
inline std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    size_t start = 0;
    std::string plain = unix_lines(text);
    while (start < plain.size()) {
        size_t end = plain.find('\n', start);
        if (end == std::string::npos) end = plain.size();
        lines.push_back(plain.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

/// The message a reader of Dev_Rfc.Trc takes from its last error block: the last
/// "ERROR " (from column 13) or "======> " from column 8 (from column 16).
inline std::string trace_diagnosis(const std::string &trace) {
    std::string message;
    for (const std::string &line : lines_of(trace)) {
        if (line.rfind("**** ERROR ", 0) == 0) message.clear();
        if (line.rfind("ERROR ", 0) == 0) message = line.size() > 12 ? line.substr(12) : "";
        if (line.size() >= 15 && line.compare(7, 8, "======> ") == 0) message = line.substr(15);
    }
    return message;
}

/// Descriptor rows as the sensor installs them.
inline RFC_TYPE_ELEMENT rfcsi_rows[] = {
    {(char *)"RFCPROTO", TYPC, 3, 0, 0},     {(char *)"RFCCHARTYP", TYPC, 4, 0, 0},
    {(char *)"RFCINTTYP", TYPC, 3, 0, 0},    {(char *)"RFCFLOTYP", TYPC, 3, 0, 0},
    {(char *)"RFCDEST", TYPC, 32, 0, 0},     {(char *)"RFCHOST", TYPC, 8, 0, 0},
    {(char *)"RFCSYSID", TYPC, 8, 0, 0},     {(char *)"RFCDATABS", TYPC, 8, 0, 0},
    {(char *)"RFCDBHOST", TYPC, 32, 0, 0},   {(char *)"RFCDBSYS", TYPC, 10, 0, 0},
    {(char *)"RFCSAPRL", TYPC, 4, 0, 0},     {(char *)"RFCMACH", TYPC, 5, 0, 0},
    {(char *)"RFCOPSYS", TYPC, 10, 0, 0},    {(char *)"RFCTZONE", TYPC, 6, 0, 0},
    {(char *)"RFCDAYST", TYPC, 1, 0, 0},     {(char *)"RFCIPADDR", TYPC, 15, 0, 0},
    {(char *)"RFCKERNRL", TYPC, 4, 0, 0},    {(char *)"RFCSI_RESV", TYPC, 44, 0, 0},
};

inline RFC_TYPE_ELEMENT db02infdb4_rows[] = {
    {(char *)"DBSYS", TYPC, 10, 0, 0},        {(char *)"FS_A_DATE", TYPDATE, 8, 0, 0},
    {(char *)"FS_A_TIME", TYPTIME, 6, 0, 0},  {(char *)"SYSID", TYPC, 8, 0, 0},
    {(char *)"TAB_CNT", TYPINT, 4, 0, 0},     {(char *)"CST_CNT", TYPINT, 4, 0, 0},
    {(char *)"IDX_CNT", TYPINT, 4, 0, 0},     {(char *)"TAB_SIZE", TYPP, 8, 0, 0},
    {(char *)"CST_SIZE", TYPP, 8, 0, 0},      {(char *)"IDX_SIZE", TYPP, 8, 0, 0},
    {(char *)"TAB_MIS_DB", TYPINT, 4, 0, 0},  {(char *)"CST_MIS_DB", TYPINT, 4, 0, 0},
    {(char *)"IDX_MIS_DB", TYPINT, 4, 0, 0},  {(char *)"VIE_MIS_DB", TYPINT, 4, 0, 0},
    {(char *)"TAB_MIS_DD", TYPINT, 4, 0, 0},  {(char *)"IDX_MIS_DD", TYPINT, 4, 0, 0},
    {(char *)"CST_MIS_DD", TYPINT, 4, 0, 0},  {(char *)"VIE_MIS_DD", TYPINT, 4, 0, 0},
    {(char *)"SYS_ASP_P", TYPP, 8, 5, 0},     {(char *)"SYS_ASP_S", TYPP, 6, 1, 0},
    {(char *)"ASP_TOT_S", TYPP, 6, 1, 0},
};

inline RFC_TYPE_ELEMENT missobj_rows[] = {{(char *)"NAME", TYPC, 40, 0, 0}};

/// Installs a structure, expecting success; its type handle.
inline RFC_TYPEHANDLE install(const char *name, RFC_TYPE_ELEMENT *rows, unsigned count) {
    RFC_TYPEHANDLE handle = 0;
    EXPECT_EQ(RfcInstallStructure(const_cast<char *>(name), rows, count, &handle), RFC_OK) << name;
    return handle;
}

/// RFC_SYSTEM_INFO's importing list as the sensor passes it, with its targets.
struct system_info_call {
    int current = -1, maximal = -1, delay = -1;
    char dialog = '?', complete = '?';
    unsigned char record[200];
    RFC_PARAMETER importing[7];
    RFC_PARAMETER exporting[1] = {{nullptr, 0, 0, 0, nullptr}};
    RFC_TABLE tables[1] = {{nullptr, 0, 0, 0, nullptr, 0, 0}};
    char *exception = nullptr;

    system_info_call() {
        memset(record, '?', sizeof record);
        RFC_TYPEHANDLE rfcsi = install("RFCSI", rfcsi_rows, 18);
        RFC_PARAMETER list[7] = {
            {(char *)"CURRENT_RESOURCES", 17, TYPINT, 4, &current},
            {(char *)"DIALOG_USER_TYPE", 16, TYPC, 1, &dialog},
            {(char *)"MAXIMAL_RESOURCES", 17, TYPINT, 4, &maximal},
            {(char *)"RECOMMENDED_DELAY", 17, TYPINT, 4, &delay},
            {(char *)"RFCSI_EXPORT", 12, rfcsi, 200, record},
            {(char *)"RFC_LOGIN_COMPLETE", 18, TYPC, 1, &complete},
            {nullptr, 0, 0, 0, nullptr},
        };
        memcpy(importing, list, sizeof list);
    }
    /// RfcCall then RfcReceive, as the sensor does; the first code that is not 0.
    int run(RFC_HANDLE handle) {
        int rc = RfcCall(handle, (char *)"RFC_SYSTEM_INFO", exporting, tables);
        if (rc != RFC_OK) return rc;
        return RfcReceive(handle, importing, tables, &exception);
    }
    std::string field(unsigned offset, unsigned length) const {
        return std::string(reinterpret_cast<const char *>(record) + offset, length);
    }
};

/// DB02_DB4_GET_INFO's lists as the sensor passes them, with six fresh tables.
struct db4_info_call {
    int api_rc = -1;
    unsigned char record[120];
    ITAB_H handles[6] = {};
    RFC_PARAMETER importing[3];
    RFC_PARAMETER exporting[1] = {{nullptr, 0, 0, 0, nullptr}};
    RFC_TABLE tables[7];
    char *exception = nullptr;

    db4_info_call() {
        memset(record, '?', sizeof record);
        RFC_TYPEHANDLE db02 = install("DB02INFDB4", db02infdb4_rows, 21);
        RFC_TYPEHANDLE missobj = install("MISSOBJ", missobj_rows, 1);
        RFC_PARAMETER list[3] = {
            {(char *)"API_QWCRSSTS_RC", 15, TYPINT, 4, &api_rc},
            {(char *)"DB02_DISPLAYED_INFO", 19, db02, 120, record},
            {nullptr, 0, 0, 0, nullptr},
        };
        memcpy(importing, list, sizeof list);
        const char *names[6] = {"ADDTL_INDEX", "ADDTL_TABLES", "ADDTL_VIEWS", "MISS_INDEX", "MISS_TABLES", "MISS_VIEWS"};
        for (int i = 0; i < 6; ++i) {
            handles[i] = ItCreate(const_cast<char *>(names[i]), 40, 0, 0);
            tables[i] = {const_cast<char *>(names[i]), static_cast<unsigned>(strlen(names[i])), missobj, 40, handles[i],
                         0, 0};
        }
        tables[6] = {nullptr, 0, 0, 0, nullptr, 0, 0};
    }
    ~db4_info_call() {
        for (ITAB_H handle : handles)
            if (handle != nullptr) ItDelete(handle);
    }
    int run(RFC_HANDLE handle) {
        int rc = RfcCall(handle, (char *)"DB02_DB4_GET_INFO", exporting, tables);
        if (rc != RFC_OK) return rc;
        return RfcReceive(handle, importing, tables, &exception);
    }
};

/// Each test in a fresh working directory holding the base landscape.
struct StandIn : ::testing::Test {
    std::filesystem::path previous;
    std::filesystem::path directory;

    void SetUp() override {
        previous = std::filesystem::current_path();
        std::random_device random;
        const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
        // Below the starting directory, not the system's temporary one: under wine
        // the scenarios re-point drive C: and its temporary folder goes with it.
        std::error_code error;
        do {
            directory = previous / ("standin-test-" + std::string(test->name()) + "-" + std::to_string(random()));
        } while (!std::filesystem::create_directory(directory, error) && !error);
        ASSERT_FALSE(error) << directory.string() << ": " << error.message();
        std::filesystem::current_path(directory, error);
        ASSERT_FALSE(error) << directory.string() << ": " << error.message();
        set_variable("KORVANEL_RFC_LANDSCAPE", "");
        set_variable("KORVANEL_RFC_CALL_LOG", "");
        write_file("SapLandscape.txt", base_landscape);
    }
    void TearDown() override {
        RfcClose(0);
        RFC_ENV none = {nullptr, nullptr};
        RfcEnvironment(&none);
        set_variable("KORVANEL_RFC_LANDSCAPE", "");
        set_variable("KORVANEL_RFC_CALL_LOG", "");
        std::error_code ignored;
        std::filesystem::current_path(previous, ignored);
        std::filesystem::remove_all(directory, ignored);
    }

    /// The landscape with `extra` lines added to the DEMO system.
    void demo_with(const std::string &extra) { write_file("SapLandscape.txt", std::string(base_landscape) + extra); }

    /// RfcOpen in R/3 mode, user and password blank-padded as the sensor passes them.
    RFC_HANDLE open_r3(const char *host = "sapdemo", int sysnr = 0, const char *client = "100",
                       const char *user = "MONITOR     ", const char *password = "Monitor#2024") {
        RFC_CONNOPT_R3ONLY r3 = {const_cast<char *>(host), sysnr, nullptr, nullptr};
        RFC_OPTIONS options = {(char *)"DEMO",          RFC_MODE_R3ONLY,  &r3, const_cast<char *>(client),
                               const_cast<char *>(user), const_cast<char *>(password), (char *)"EN", 0};
        return RfcOpen(&options);
    }
    std::string trace() const { return read_file("Dev_Rfc.Trc"); }
};

}  // namespace standin_test
