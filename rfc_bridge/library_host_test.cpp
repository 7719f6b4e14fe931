// The folder of SAP's own trace files: made in the working directory, or in the one
// above a listing child's private folder, with its files older than a week removed.
#include "rfc_bridge/library_host.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string narrow(const char16_t *text) {
    std::string out;
    for (; *text != 0; ++text) out += static_cast<char>(*text);
    return out;
}

struct SapTraceFolder : ::testing::Test {
    fs::path previous, base;
    void SetUp() override {
        previous = fs::current_path();
        // A folder of each test's own: CTest runs the tests side by side in one directory.
        base = fs::absolute(std::string("sap-trace-folder-test-") +
                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(base);
        fs::create_directories(base / "Korvanel.4711.3.tmp");
        fs::create_directories(base / "Korvanel.x.tmp");
    }
    void TearDown() override {
        fs::current_path(previous);
        fs::remove_all(base);
    }
};

}  // namespace

TEST_F(SapTraceFolder, OneFolderForTheRunAndItsChildren) {
    char16_t folder[300];
    fs::current_path(base);
    ASSERT_TRUE(prepare_sap_trace_folder(folder, 300));
    EXPECT_TRUE(fs::equivalent(narrow(folder), base / "sapnwrfc-trace"));
    // A listing child's private folder shares its parent's.
    fs::current_path(base / "Korvanel.4711.3.tmp");
    ASSERT_TRUE(prepare_sap_trace_folder(folder, 300));
    EXPECT_TRUE(fs::equivalent(narrow(folder), base / "sapnwrfc-trace"));
    EXPECT_FALSE(fs::exists(base / "Korvanel.4711.3.tmp" / "sapnwrfc-trace"));
    // A folder that only looks like one is a working directory of its own.
    fs::current_path(base / "Korvanel.x.tmp");
    ASSERT_TRUE(prepare_sap_trace_folder(folder, 300));
    EXPECT_TRUE(fs::equivalent(narrow(folder), base / "Korvanel.x.tmp" / "sapnwrfc-trace"));
    // No room for the path: refused, nothing written past the buffer.
    char16_t small[4] = {u'~', u'~', u'~', u'~'};
    EXPECT_FALSE(prepare_sap_trace_folder(small, 3));
    EXPECT_EQ(small[3], u'~');
}

TEST_F(SapTraceFolder, FilesOlderThanAWeekGo) {
    fs::create_directories(base / "sapnwrfc-trace" / "kept-folder");
    const char *names[] = {"dev_rfc.trc", "rfc00042_01234.trc", "recent.trc"};
    for (const char *name : names) std::ofstream(base / "sapnwrfc-trace" / name) << "trace\n";
    auto now = fs::file_time_type::clock::now();
    fs::last_write_time(base / "sapnwrfc-trace" / "dev_rfc.trc", now - std::chrono::hours(24 * 8));
    fs::last_write_time(base / "sapnwrfc-trace" / "rfc00042_01234.trc", now - std::chrono::hours(24 * 30));
    fs::last_write_time(base / "sapnwrfc-trace" / "recent.trc", now - std::chrono::hours(24 * 6));
    fs::current_path(base);
    char16_t folder[300];
    ASSERT_TRUE(prepare_sap_trace_folder(folder, 300));
    EXPECT_FALSE(fs::exists(base / "sapnwrfc-trace" / "dev_rfc.trc"));
    EXPECT_FALSE(fs::exists(base / "sapnwrfc-trace" / "rfc00042_01234.trc"));
    EXPECT_TRUE(fs::exists(base / "sapnwrfc-trace" / "recent.trc"));
    EXPECT_TRUE(fs::exists(base / "sapnwrfc-trace" / "kept-folder"));
}
