// Trace lines keep their state ending even when the variable part is too long; the
// RFC library line names the loaded librfc32 and what the bridge says of itself.
#include "run/console_trace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
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

TEST(ConsoleTrace, LongLineIsCutBetweenCharacters) {
    // "* 14:03:59 y" and pairs of "x" and a two-byte "é": the room before " State=Processed"
    // ends inside an "é", the room of a line without a state between two pairs.
    std::string entry = "y";
    for (int n = 0; n < 60; ++n) entry += "x\xc3\xa9";
    for (const char *state : {"Processed", "Local Failure", static_cast<const char *>(nullptr)}) {
        run_record run{};
        set_trace_line(run, state, "* %s %s", "14:03:59", entry.c_str());
        std::string line = run.trace_line.c_str();
        std::string ending = state != nullptr ? std::string(" State=") + state : "";
        ASSERT_GT(line.size(), ending.size());
        std::string body = line.substr(0, line.size() - ending.size());
        EXPECT_EQ(line.substr(body.size()), ending);
        EXPECT_GE(body.size(), 123 - ending.size() - 1);
        bool whole = body.back() == 'x' || body.substr(body.size() - 2) == "\xc3\xa9";
        EXPECT_TRUE(whole) << "a line ending inside a character, state " << (state ? state : "none");
    }
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

namespace {

// Libraries of the right name that describe themselves in different ways.
void LIBRFC32_API describe_bridge_loaded(char *buffer, unsigned size) {
    snprintf(buffer, size, "RFC bridge librfc32 over sapnwrfc 7500,0,12 from C:\\SAP\\sapnwrfc.dll");
}
void LIBRFC32_API describe_as_empty(char *buffer, unsigned size) {
    if (size > 0) buffer[0] = '\0';
}
// Fills every byte it is given and leaves no terminator.
void LIBRFC32_API describe_without_end(char *buffer, unsigned size) { memset(buffer, 'd', size); }

}  // namespace

TEST(ConsoleTrace, RfcLibraryNamesThePathAndWhatTheBridgeSays) {
    const char *path = "C:\\PRTG\\Custom Sensors\\EXEXML\\librfc32.dll";
    std::string full_description(rfc_library_description_capacity, 'd');
    struct {
        rfc_library_describe_function describe;
        std::string expected;
    } cases[] = {
        {nullptr, path},  // SAP's classic library, the stand-in
        {describe_bridge_loaded,
         std::string(path) + ", RFC bridge librfc32 over sapnwrfc 7500,0,12 from C:\\SAP\\sapnwrfc.dll"},
        {describe_as_empty, path},
        {describe_without_end, std::string(path) + ", " + full_description},
    };
    for (const auto &c : cases) {
        rfc_library_text out;
        describe_rfc_library(path, c.describe, out);
        EXPECT_EQ(std::string(out.c_str()), c.expected);
        EXPECT_FALSE(out.cut);
    }
}
