// The host's clock and watchdog thread, the same on both builds: the clock never runs
// back, the process started before now, and the watchdog calls back once, never
// before its deadline. The loaded RFC library, which the trace names. And the
// replacement of a file in one step, as the password tool replaces a profile named as
// administrators type it.
#include "host/host.h"
#include "host/host_process.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <cstdio>
#include <string>

namespace {

std::atomic<uint64_t> called_at{0};
std::atomic<int> calls{0};

void note_the_call() {
    called_at = host_clock_ms();
    ++calls;
}

}  // namespace

TEST(HostClock, RunsOnFromTheProcessStart) {
    uint64_t first = host_clock_ms();
    host_sleep_ms(50);
    uint64_t second = host_clock_ms();
    EXPECT_GE(second, first + 50);
    EXPECT_LE(host_process_start_ms(), first);
    EXPECT_GT(host_process_start_ms(), 0u);
}

// The only watchdog of this process: a process has one.
TEST(HostWatchdog, CallsBackOnceAtItsDeadline) {
    uint64_t deadline = host_clock_ms() + 200;
    ASSERT_TRUE(host_start_watchdog(deadline, note_the_call));
    // A loaded machine may wake it late, never early; ten seconds is plenty.
    for (int waited = 0; calls.load() == 0 && waited < 10000; waited += 10) host_sleep_ms(10);
    ASSERT_EQ(calls.load(), 1);
    EXPECT_GE(called_at.load(), deadline);
    host_sleep_ms(100);
    EXPECT_EQ(calls.load(), 1);
}

TEST(HostModulePath, ALongPathKeepsItsBeginningAndItsFileName) {
    const size_t capacity = host_module_path::capacity;
    std::string folder = "C:\\Program Files (x86)\\SAP\\";
    struct {
        size_t length;  // of the whole path
        bool cut;
    } cases[] = {{60, false}, {capacity, false}, {capacity + 1, true}, {5000, true}};
    for (const auto &c : cases) {
        std::string path = folder + std::string(c.length - folder.size() - 13, 'x') + "\\librfc32.dll";
        ASSERT_EQ(path.size(), c.length);
        host_module_path out;
        out.assign("left over");
        host_take_module_path(out, path.c_str(), path.size());
        std::string shown = out.c_str();
        EXPECT_EQ(out.cut, c.cut) << c.length;
        if (!c.cut) {
            EXPECT_EQ(shown, path);
            continue;
        }
        EXPECT_EQ(shown.size(), capacity) << c.length;
        EXPECT_EQ(shown.substr(0, folder.size()), folder);
        EXPECT_NE(shown.find("x...x"), std::string::npos) << shown;
        EXPECT_EQ(shown.substr(shown.size() - 13), "\\librfc32.dll");
    }
}

namespace {

void LIBRFC32_API describe_nothing(char *buffer, unsigned size) {
    if (size > 0) buffer[0] = '\0';
}

}  // namespace

TEST(HostRfcLibrary, NamesTheLoadedStandInAndFindsNoBridgeInIt) {
    host_module_path path;
    rfc_library_describe_function describe = describe_nothing;
    ASSERT_TRUE(host_find_rfc_library(path, describe));
    EXPECT_EQ(describe, nullptr) << "the stand-in is not the bridge";
    EXPECT_FALSE(path.cut);
    std::string name = path.c_str();
    for (char &c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    bool library_name = name.size() > 12 && (name.compare(name.size() - 12, 12, "/librfc32.so") == 0 ||
                                             name.compare(name.size() - 13, 13, "\\librfc32.dll") == 0);
    EXPECT_TRUE(library_name) << path.c_str();
    // A full path, not a bare name: the file itself opens from anywhere.
    FILE *file = fopen(path.c_str(), "rb");
    EXPECT_NE(file, nullptr) << path.c_str();
    if (file != nullptr) fclose(file);
}

namespace {

void count_entry(const char *, bool, int64_t, void *context) { ++*static_cast<int *>(context); }

int entries_here() {
    int count = 0;
    EXPECT_TRUE(host_list_folder("", count_entry, &count));
    return count;
}

std::string content_of(const char *name) {
    std::string content;
    FILE *file = fopen(name, "rb");
    if (file == nullptr) return "(missing)";
    for (int c = fgetc(file); c != EOF; c = fgetc(file)) content += static_cast<char>(c);
    fclose(file);
    return content;
}

}  // namespace

// A bare name in the working directory ("PRD.P00"), the way the password tool is
// usually given its profile: replaced whole, with no new file left beside it; a name
// that does not exist is reported missing and makes nothing.
TEST(HostReplaceFile, ReplacesAFileGivenByABareName) {
    const char *name = "host_replace_test.P00";
    FILE *file = fopen(name, "wb");
    ASSERT_NE(file, nullptr);
    fputs("Password...: old\r\nlonger than what replaces it\r\n", file);
    fclose(file);
    int before = entries_here();
    const std::string replacement = "Password...: new\r\n";
    EXPECT_EQ(host_replace_file(name, reinterpret_cast<const unsigned char *>(replacement.data()), replacement.size()),
              host_file_result::done);
    EXPECT_EQ(content_of(name), replacement);
    EXPECT_EQ(entries_here(), before);
    remove(name);

    const char *missing = "host_replace_missing.P00";
    EXPECT_EQ(host_replace_file(missing, reinterpret_cast<const unsigned char *>("x"), 1), host_file_result::missing);
    EXPECT_EQ(content_of(missing), "(missing)");
    EXPECT_EQ(entries_here(), before - 1);
}

// A listing's children start without PRTG's placeholders, whatever their letter case,
// and with every other variable.
TEST(HostChildEnvironment, LeavesOutPrtgsVariablesOnly) {
    struct {
        const char *entry;
        bool prtg;
    } cases[] = {{"prtg_windowspassword=secret", true}, {"PRTG_WINDOWSUSER=monitor", true},
                 {"Prtg_LinuxPassword=x", true},        {"prtg_=", true},
                 {"prtg=1", false},                     {"PATH=C:\\Windows", false},
                 {"KORVANEL_RFC_LANDSCAPE=x", false},   {"xprtg_windowsuser=a", false},
                 {"", false}};
    for (const auto &c : cases) EXPECT_EQ(host_is_prtg_variable(c.entry), c.prtg) << c.entry;
}
