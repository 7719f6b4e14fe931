// Test fixture for the program's RFC client over the stand-in librfc32: a working
// directory of its own with the stand-in's test landscape, the call log switched
// on, and a run record holding the DEMO system's logon data. Used by test files only.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "rfc/connection.h"
#include "rfc_standin/standin_fixture.h"
#include "core/run_record.h"

/// Fills `profile` with the logon data of the stand-in's DEMO system, as the profile
/// reader leaves it (user upper-cased, password plain).
inline void fill_demo_profile(profile_data &profile) {
    profile.destination.assign("DEMO");
    profile.client.assign("100");
    profile.user.assign("MONITOR");
    profile.password.assign("Monitor#2024");
    profile.language.assign("EN");
    profile.mode.assign("R/3");
    profile.hostname.assign("sapdemo");
    profile.sysnr.assign("00");
    profile.gwhost.assign("sapdemo");
    profile.gwservice.assign("sapgw00");
}

struct RfcClient : standin_test::StandIn {
    run_record run{};

    void SetUp() override {
        StandIn::SetUp();
        standin_test::set_variable("KORVANEL_RFC_CALL_LOG", "calls.log");
        run.output_flavour.assign("EXEXML");
        fill_demo_profile(run.profile_record);
    }

    /// Opens the connection from the run record; the test fails when none results.
    RFC_HANDLE logon() {
        RFC_HANDLE handle = open_connection(run);
        EXPECT_NE(handle, 0u) << standin_test::trace_diagnosis(trace());
        return handle;
    }

    /// True when `line` holds every one of `pieces` (the call log's settings, in any order).
    static bool holds_all(const std::string &line, std::initializer_list<const char *> pieces) {
        for (const char *piece : pieces)
            if (line.find(piece) == std::string::npos) return false;
        return true;
    }

    /// The call-log lines that begin with `prefix`.
    static std::vector<std::string> calls(const std::string &prefix) {
        std::vector<std::string> found;
        for (const std::string &line : standin_test::lines_of(standin_test::read_file("calls.log")))
            if (line.rfind(prefix, 0) == 0) found.push_back(line);
        return found;
    }
};
