// Hung and crashing systems behind the NetWeaver stand-in, seen from a child process
// (gtest's death tests fork): a crash is a real SIGSEGV in the step the landscape
// names, a hang never returns from it, and the call log names that step before the
// process is gone.
#include "nwrfc_standin/nwrfc_fixture.h"
#include "rfc_standin/death_test_support.h"

namespace nwrfc_test {
namespace {

struct HungAndCrashing : NwStandIn {
    void SetUp() override {
        NwStandIn::SetUp();
        set_variable("KORVANEL_RFC_CALL_LOG", (std::filesystem::current_path() / "calls.log").string());
    }
    void TearDown() override {
        set_variable("KORVANEL_RFC_CALL_LOG", "");
        NwStandIn::TearDown();
    }
    std::string last_logged() {
        std::vector<std::string> lines = standin_test::lines_of(read_file("calls.log"));
        return lines.empty() ? "" : lines.back();
    }
};

HungAndCrashing *fixture;

void open_only() {
    RFC_ERROR_INFO info;
    fixture->open(logon_spec{}, info);
}

void open_and_call() {
    RFC_ERROR_INFO info;
    RFC_CONNECTION_HANDLE connection = fixture->open(logon_spec{}, info);
    RfcInvoke(connection, create_function(system_info_function(), info), &info);
}

}  // namespace

TEST_F(HungAndCrashing, EachStepDiesOrHangsWhereTheLandscapeSays) {
    struct {
        const char *fault;
        bool crash;
        const char *logged;  // the start and end of the call log's last line
        const char *ending;
    } cases[] = {
        {"crash_on_open", true, "RfcOpenConnection", " -> crashes"},
        {"hang_on_open", false, "RfcOpenConnection", " -> hangs"},
        {"crash_on_call RFC_SYSTEM_INFO", true, "RfcInvoke", " -> crashes"},
        {"hang_on_call RFC_SYSTEM_INFO", false, "RfcInvoke", " -> hangs"},
    };
    fixture = this;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.fault);
        std::filesystem::remove("calls.log");
        demo_with(std::string("fault = ") + c.fault + "\n");
        void (*step)() = strstr(c.fault, "_on_open") != nullptr ? open_only : open_and_call;
        if (c.crash)
            EXPECT_EXIT(step(), standin_test::died_of_invalid_access, "");
        else
            EXPECT_EXIT(standin_test::within_a_second(step), ::testing::KilledBySignal(SIGALRM), "");
        std::string last = last_logged();
        standin_test::expect_logged(last, c.logged, c.ending);
    }
}

TEST_F(HungAndCrashing, AHangOfAnotherModuleLeavesThisOneAlone) {
    fixture = this;
    demo_with("fault = hang_on_call DB02_DB4_GET_INFO\n");
    EXPECT_EXIT(standin_test::within_a_second(open_and_call), ::testing::ExitedWithCode(0), "");
}

}  // namespace nwrfc_test
