// The time budget's options as PRTG passes them and as a global listing's entry line
// gives them, and the document the watchdog prints at the deadline.
#include "run/time_budget.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/options.h"
#include "host/host.h"
#include "run/command_line.h"

namespace {

struct budget_reading {
    bool read;
    unsigned timeout;
    unsigned parallel;
    std::string message;
};

budget_reading read(std::vector<const char *> parameters, const char *entry_line = nullptr) {
    parameters.insert(parameters.begin(), {"Korvanel.exe", "PRD"});
    static run_record run;
    run = run_record{};
    int argc = static_cast<int>(parameters.size());
    parse_command_line(run, argc, parameters.data());
    run_message message;
    bool read = read_budget_options(run, argc, parameters.data(), message);
    if (read && entry_line != nullptr) {
        run.entry_line.assign(entry_line);
        read = read_entry_budget_options(run, message);
    }
    return {read, run.timeout_seconds, run.parallel_systems, message.c_str()};
}

}  // namespace

TEST(TimeBudget, OptionsFromTheParametersAsGiven) {
    const std::string far = std::string(130, 'x');  // beyond the 127 characters of the parameter text
    struct {
        std::vector<const char *> parameters;
        unsigned timeout;
        unsigned parallel;
    } cases[] = {
        {{}, 55, 8},
        {{"GIGABYTE"}, 55, 8},
        {{"TIMEOUT=30"}, 30, 8},
        {{"timeout=0,parallel=1"}, 0, 1},
        {{"Parallel=64 TimeOut=3600"}, 3600, 64},
        {{"GIGABYTE", "TIMEOUT=30"}, 30, 8},
        {{"TIMEOUT=10", "TIMEOUT=20"}, 10, 8},  // the first, as in the joined text
        {{far.c_str(), "TIMEOUT=30"}, 30, 8},   // never cut to TIMEOUT=3
        {{"GIGABYTE", "#", "TIMEOUT=x"}, 55, 8},  // a fifth argument is not read
    };
    for (const auto &c : cases) {
        budget_reading got = read(c.parameters);
        SCOPED_TRACE(got.message);
        EXPECT_TRUE(got.read);
        EXPECT_EQ(got.timeout, c.timeout);
        EXPECT_EQ(got.parallel, c.parallel);
    }
}

TEST(TimeBudget, MalformedValuesNameThemselvesAsGiven) {
    struct {
        std::vector<const char *> parameters;
        const char *message;
    } cases[] = {
        {{"TIMEOUT="}, "Error 1020: Invalid Parameter TIMEOUT= !"},
        {{"timeout=30s"}, "Error 1020: Invalid Parameter TIMEOUT=30s !"},
        {{"TIMEOUT=+5"}, "Error 1020: Invalid Parameter TIMEOUT=+5 !"},
        {{"TIMEOUT=3601"}, "Error 1020: Invalid Parameter TIMEOUT=3601 !"},
        {{"TIMEOUT=99999999999999999999"}, "Error 1020: Invalid Parameter TIMEOUT=99999999999999999999 !"},
        {{"TIMEOUT=30#"}, "Error 1020: Invalid Parameter TIMEOUT=30# !"},
        {{"PARALLEL=0"}, "Error 1021: Invalid Parameter PARALLEL=0 !"},
        {{"PARALLEL=65"}, "Error 1021: Invalid Parameter PARALLEL=65 !"},
        {{"ASP", "parallel=<b>"}, "Error 1021: Invalid Parameter PARALLEL=<b> !"},
        // Both malformed: the time limit is named first.
        {{"PARALLEL=0,TIMEOUT=-1"}, "Error 1020: Invalid Parameter TIMEOUT=-1 !"},
    };
    for (const auto &c : cases) {
        budget_reading got = read(c.parameters);
        EXPECT_FALSE(got.read);
        EXPECT_EQ(got.message, c.message);
    }
}

TEST(TimeBudget, TheEntryLineWins) {
    struct {
        std::vector<const char *> parameters;
        const char *entry_line;
        bool read;
        unsigned timeout;
        unsigned parallel;
        const char *message;
    } cases[] = {
        {{"ASP"}, "Item=Plant:North,Sensor=\"SAP Korvanel\"", true, 55, 8, ""},
        {{"ASP TIMEOUT=20"}, "Item=Plant:North,Sensor=\"SAP Korvanel\"", true, 20, 8, ""},
        {{"ASP TIMEOUT=20"}, "Item=Plant:North,TIMEOUT=40,Sensor=\"SAP Korvanel\"", true, 40, 8, ""},
        // Read past ",Sensor=", where the entry text used as parameter text ends.
        {{"ASP PARALLEL=2"}, "Item=Plant:North,Sensor=\"SAP Korvanel\",Parallel=16", true, 55, 16, ""},
        {{"ASP"}, "Item=X,TIMEOUT=soon,Sensor=\"SAP Korvanel\"", false, 0, 0,
         "Error 1020: Invalid Parameter TIMEOUT=soon !"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.entry_line);
        budget_reading got = read(c.parameters, c.entry_line);
        EXPECT_EQ(got.read, c.read);
        EXPECT_EQ(got.message, c.message);
        if (!c.read) continue;
        EXPECT_EQ(got.timeout, c.timeout);
        EXPECT_EQ(got.parallel, c.parallel);
    }
}

TEST(TimeBudget, TimeLimitDocumentNamesDestinationAndStep) {
    run_record run{};
    run.timeout_seconds = 2;
    run.profile_record.destination.assign("PRD");
    run.output_buffer.assign("the run's own document, half written");
    struct {
        run_step step;
        const char *name;
    } steps[] = {{step_logon, "logon"}, {step_system_info, "RFC_SYSTEM_INFO"}, {step_measurement, "DB02_DB4_GET_INFO"}};
    for (const auto &step : steps) {
        enter_step(run, step.step);
        bounded_text<output_buffer_capacity> document;
        write_time_limit_document(run, document);
        EXPECT_EQ(std::string(document.c_str()), std::string("<Prtg>\n<Error>1</Error>\n<Text>Error 1022: Time limit of 2 s "
                                                             "reached for PRD during ") +
                                                     step.name + " !</Text>\n</Prtg>\n");
    }
    // The run's buffer is left to the run; the destination is escaped as document content.
    EXPECT_STREQ(run.output_buffer.c_str(), "the run's own document, half written");
    run.profile_record.destination.assign("P&<D");
    bounded_text<output_buffer_capacity> document;
    write_time_limit_document(run, document);
    EXPECT_NE(std::string(document.c_str()).find("for P&amp;&lt;D during"), std::string::npos);
}

TEST(TimeBudget, DeadlineCountsFromTheProcessStart) {
    budget_reading none = read({"TIMEOUT=0"});
    EXPECT_TRUE(none.read);
    static run_record run;
    run = run_record{};
    const char *arguments[] = {"Korvanel.exe", "PRD", "TIMEOUT=30"};
    run_message message;
    ASSERT_TRUE(read_budget_options(run, 3, arguments, message));
    EXPECT_EQ(run.deadline, host_process_start_ms() + 30000);
    EXPECT_LE(host_process_start_ms(), host_clock_ms());
    arguments[2] = "TIMEOUT=0";
    ASSERT_TRUE(read_budget_options(run, 3, arguments, message));
    EXPECT_EQ(run.deadline, 0u);
    EXPECT_FALSE(start_watchdog(run));  // no budget, no watchdog
}
