// Slow systems: a delay is a real sleep at the logon or at the call it names, the
// call log notes it, later lines replace earlier ones, and a system without delays
// answers at once.
#include <chrono>

#include "rfc_standin/standin_fixture.h"

using namespace standin_test;

namespace {

struct SlowSystems : StandIn {
    void SetUp() override {
        StandIn::SetUp();
        set_variable("KORVANEL_RFC_CALL_LOG", (std::filesystem::current_path() / "calls.log").string());
    }
    // The call-log lines of a logon and both calls to DEMO with `extra` lines.
    std::vector<std::string> visit(const std::string &extra) {
        std::filesystem::remove("calls.log");
        demo_with(extra);
        RFC_HANDLE handle = open_r3();
        EXPECT_NE(handle, 0u);
        system_info_call system_info;
        EXPECT_EQ(system_info.run(handle), RFC_OK);
        db4_info_call db4_info;
        EXPECT_EQ(db4_info.run(handle), RFC_OK);
        RfcClose(handle);
        return lines_of(read_file("calls.log"));
    }
};

// The delay noted in the call-log line that begins with `start` and holds `word`, "" for none.
std::string noted_delay(const std::vector<std::string> &lines, const char *start, const char *word = "") {
    for (const std::string &line : lines) {
        if (line.rfind(start, 0) != 0 || line.find(word) == std::string::npos) continue;
        size_t at = line.find(" delay=");
        return at == std::string::npos ? "" : line.substr(at + 7, line.find(' ', at + 1) - at - 7);
    }
    return "<no such call>";
}

long long milliseconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST_F(SlowSystems, EachStepTakesTheDelayThatNamesIt) {
    struct {
        const char *lines;
        const char *open;
        const char *system_info;
        const char *db4_info;
    } cases[] = {
        {"", "", "", ""},
        {"delay_open = 3\n", "3ms", "", ""},
        {"delay_call = 2\n", "", "2ms", "2ms"},
        {"delay_call = db02_db4_get_info 7\n", "", "", "7ms"},
        {"delay_call = 1\ndelay_call = DB02_DB4_GET_INFO 7\n", "", "1ms", "7ms"},
        {"delay_call = DB02_DB4_GET_INFO 7\ndelay_call = 1\n", "", "1ms", "7ms"},
        {"delay_call = RFC_SYSTEM_INFO 5\ndelay_call = RFC_SYSTEM_INFO 9\n", "", "9ms", ""},
        {"delay_call = 4\ndelay_call = 0\ndelay_open = 0\n", "", "", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.lines);
        std::vector<std::string> lines = visit(c.lines);
        EXPECT_EQ(noted_delay(lines, "RfcOpen "), c.open);
        EXPECT_EQ(noted_delay(lines, "RfcCall ", " RFC_SYSTEM_INFO "), c.system_info);
        EXPECT_EQ(noted_delay(lines, "RfcCall ", " DB02_DB4_GET_INFO "), c.db4_info);
    }
}

TEST_F(SlowSystems, MoreThanFourCallDelaysStopEveryLogon) {
    demo_with("delay_call = A 1\ndelay_call = B 1\ndelay_call = C 1\ndelay_call = 1\ndelay_call = a 2\n"
              "delay_call = D 1\n");
    EXPECT_EQ(open_r3(), 0u);
    EXPECT_EQ(trace_diagnosis(trace()), "landscape SapLandscape.txt line 26: more than 4 call delays");
}

// Only lower bounds: a loaded machine may take longer, never shorter.
TEST_F(SlowSystems, DelaysAreRealSleeps) {
    demo_with("delay_open = 300\ndelay_call = RFC_SYSTEM_INFO 200\n");
    auto start = std::chrono::steady_clock::now();
    RFC_HANDLE handle = open_r3();
    ASSERT_NE(handle, 0u);
    EXPECT_GE(milliseconds_since(start), 300);

    system_info_call call;
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(call.run(handle), RFC_OK);
    EXPECT_GE(milliseconds_since(start), 200);
    EXPECT_EQ(call.field(101, 10), "DB4       ");

    // A logon that the system refuses is slow too; RfcOpen leaves the refusal to the
    // first call, so the open takes its time and still hands out a handle.
    demo_with("delay_open = 300\nfault = logon_refused\n");
    start = std::chrono::steady_clock::now();
    EXPECT_NE(open_r3(), 0u);
    EXPECT_GE(milliseconds_since(start), 300);
}

TEST_F(SlowSystems, AFaultOfOneFunctionModuleLeavesTheOtherAlone) {
    demo_with("fault = crash_on_call DB02_DB4_GET_INFO\nfault = hang_on_call DB02_DB4_GET_INFO\n");
    RFC_HANDLE handle = open_r3();
    ASSERT_NE(handle, 0u);
    system_info_call call;
    EXPECT_EQ(call.run(handle), RFC_OK);
    EXPECT_EQ(call.field(101, 10), "DB4       ");
}
