// Hung and crashing systems, seen from a child process (gtest's death tests fork):
// a crash is a real SIGSEGV at the step it names, a hang never returns, and the call
// log says which call it was before the process is gone.
#include <cstdio>

#include "rfc_standin/death_test_support.h"
#include "rfc_standin/standin_fixture.h"

using namespace standin_test;

namespace {

struct HungAndCrashing : StandIn {
    void SetUp() override {
        StandIn::SetUp();
        set_variable("KORVANEL_RFC_CALL_LOG", (std::filesystem::current_path() / "calls.log").string());
    }
    std::string last_logged() {
        std::vector<std::string> lines = lines_of(read_file("calls.log"));
        return lines.empty() ? "" : lines.back();
    }
};

}  // namespace

TEST_F(HungAndCrashing, EachStepDiesOrHangsWhereTheLandscapeSays) {
    struct {
        const char *fault;
        bool crash;
        const char *logged;  // the start and end of the call log's last line
        const char *ending;
    } cases[] = {
        {"crash_on_open", true, "RfcOpen mode=0 dest=DEMO", " -> crashes"},
        {"hang_on_open", false, "RfcOpen mode=0 dest=DEMO", " -> hangs"},
        {"crash_on_call RFC_SYSTEM_INFO", true, "RfcCall handle=", "RFC_SYSTEM_INFO exporting={} tables={} -> crashes"},
        {"hang_on_call RFC_SYSTEM_INFO", false, "RfcCall handle=", "RFC_SYSTEM_INFO exporting={} tables={} -> hangs"},
        {"exit_on_open 67", false, "RfcOpen mode=0 dest=DEMO", " -> exits 67"},
        {"exit_on_call RFC_SYSTEM_INFO 122", false, "RfcCall handle=", "RFC_SYSTEM_INFO exporting={} tables={} -> exits 122"},
    };
    static standin_test::StandIn *fixture;
    fixture = this;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.fault);
        std::filesystem::remove("calls.log");
        demo_with(std::string("fault = ") + c.fault + "\n");
        bool at_open = strstr(c.fault, "_on_open") != nullptr;
        auto step = at_open ? +[] { fixture->open_r3(); }
                            : +[] {
                                  system_info_call call;
                                  call.run(fixture->open_r3());
                              };
        int status = 0;
        if (sscanf(c.fault, "exit_on_open %d", &status) == 1 || sscanf(c.fault, "exit_on_call %*s %d", &status) == 1)
            EXPECT_EXIT(step(), ::testing::ExitedWithCode(status), "");
        else if (c.crash)
            EXPECT_EXIT(step(), died_of_invalid_access, "");
        else
            EXPECT_EXIT(within_a_second(step), ::testing::KilledBySignal(SIGALRM), "");
        std::string last = last_logged();
        expect_logged(last, c.logged, c.ending);
    }
}
