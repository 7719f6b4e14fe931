// Trace lines keep their state ending even when the variable part is too long.
#include "run/console_trace.h"

#include <gtest/gtest.h>

#include <string>

TEST(ConsoleTrace, LineWithState) {
    run_record run{};
    set_trace_line(run, "Processing", "* %s %s", "14:03:59", "PRD.P00");
    EXPECT_STREQ(run.trace_line.c_str(), "* 14:03:59 PRD.P00 State=Processing");
    set_trace_line(run, nullptr, "* %s SAP %s", "14:03:59", "Korvanel");
    EXPECT_STREQ(run.trace_line.c_str(), "* 14:03:59 SAP Korvanel");
}

TEST(ConsoleTrace, LongLineLosesTheEndOfItsVariablePart) {
    run_record run{};
    std::string host(200, 'h');
    set_trace_line(run, "Executing", "* %s %s", "14:03:59", host.c_str());
    std::string line = run.trace_line.c_str();
    EXPECT_EQ(line.size(), 123u);
    EXPECT_EQ(line.substr(line.size() - 16), " State=Executing");
    EXPECT_EQ(line.substr(0, 12), "* 14:03:59 h");
}

TEST(ConsoleTrace, ParameterEcho) {
    struct {
        const char *parameter_text;
        const char *echo;
    } cases[] = {
        {"", "(No Parameters)"},
        {"%", "%"},  // only "#" and "@" cut
        {"Gigabyte #", "Gigabyte "},
        {"a@b#c", "a"},
        {"#x", "(No Parameters)"},
        {"(Parameters @", "(No Parameters)"},
        {"(No #", "(No Parameters)"},
        {"(Parameters", "(Parameters"},
        {"(No Parameters)", "(No Parameters)"},
    };
    for (const auto &c : cases) {
        run_record run{};
        run.parameter_text.assign(c.parameter_text);
        bounded_text<parameter_capacity> echo;
        parameter_echo(run, echo);
        EXPECT_STREQ(echo.c_str(), c.echo) << c.parameter_text;
    }
}
