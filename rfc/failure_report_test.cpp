// Failure texts of RFC calls: one text per return code, and the diagnosis taken from
// the last error block of the library's trace file.
#include "rfc/failure_report.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "output/prtg_writer.h"
#include "rfc_standin/standin_fixture.h"

namespace {

// Runs in the fixture's own working directory.
std::string diagnosis_of(const char *trace_file_content) {
    remove(rfc_trace_file_name);
    if (trace_file_content != nullptr) standin_test::write_file(rfc_trace_file_name, trace_file_content);
    run_record run{};
    append_message(run, "Error 1014: RFC-Failure raised !");
    append_trace_diagnosis(run);
    return run.output_buffer.c_str();
}

using FailureReport = standin_test::StandIn;

}  // namespace

TEST(FailureReportTexts, ReturnCodeTexts) {
    struct {
        RFC_RC code;
        const char *exception;
        const char *text;
    } cases[] = {
        {0, "IGNORED", ""},
        {1, nullptr, "Error 1014: RFC-Failure raised !"},
        {2, "NOT_AUTHORIZED", "Error 1012: Exception.: NOT_AUTHORIZED"},
        {2, nullptr, "Error 1012: Exception.: "},
        {3, "SYSTEM_FAILURE", "Error 1013: Sys-Exception raised !"},  // the name is not shown
        {4, nullptr, "Error 1015: Other Failure raised !"},
        {23, nullptr, "Error 1015: Other Failure raised !"},
        {-1, nullptr, "Error 1015: Other Failure raised !"},
    };
    for (const auto &c : cases) {
        run_record run{};
        append_message(run, "before|");
        append_return_code_text(run, c.code, c.exception);
        EXPECT_EQ(std::string(run.output_buffer.c_str()), std::string("before|") + c.text) << c.code;
    }
}

TEST_F(FailureReport, TraceDiagnosisTakesTheLastBlocksMessage) {
    const char *real_shaped =
        "\n**** ERROR file opened at 20261210 140359 W. Europe Standard Time, SAP-REL 640,0,0 RFC-VER 3 MT-SL\n"
        "T:1234 ======> partner not reached (host sapold, service 3300)\r\n"
        "T:1234 <* RfcOpen [1] : returns 0\n"
        "\n**** ERROR file opened at 20261210 140412 W. Europe Standard Time, SAP-REL 640,0,0 RFC-VER 3 MT-SL\n"
        "T:1234 ======> Name or password is incorrect. Please re-enter\r\n"
        "ERROR       logon refused\r\n"
        "LOCATION    SAP-Server sapdemo_DEM_00 on host sapdemo (wp 1)\r\n";
    struct {
        const char *name;
        const char *content;
        const char *expected;
    } cases[] = {
        {"missing file", nullptr, "Error 1014: RFC-Failure raised ! - Look for Trace-File"},
        {"empty file", "", "Error 1014: RFC-Failure raised ! - Please Check Trace-File !"},
        {"later ERROR line wins over the arrow line", real_shaped,
         "Error 1014: RFC-Failure raised ! - logon refused"},
        {"arrow line from column 8", "T:1234 ======> Name or password is incorrect. Please re-enter\n",
         "Error 1014: RFC-Failure raised ! - Name or password is incorrect. Please re-enter"},
        {"CR LF never reaches the message", "ERROR       partner not reached\r\n",
         "Error 1014: RFC-Failure raised ! - partner not reached"},
        {"last line without line end", "ERROR       timeout",
         "Error 1014: RFC-Failure raised ! - timeout"},
        {"second block replaces the first",
         "**** ERROR a\nERROR       first\n**** ERROR b\nERROR       second\n",
         "Error 1014: RFC-Failure raised ! - second"},
        {"a last block without message clears earlier ones",
         "**** ERROR a\nERROR       first\n**** ERROR b\nT:1 <* RfcCall\n",
         "Error 1014: RFC-Failure raised ! - Please Check Trace-File !"},
        {"ERROR line too short for a message", "ERROR      \n",
         "Error 1014: RFC-Failure raised ! - Please Check Trace-File !"},
        {"arrow without message", "T:1234 ======> \n",
         "Error 1014: RFC-Failure raised ! - Please Check Trace-File !"},
        {"arrow elsewhere does not count", "T:12 ======> moved\n",
         "Error 1014: RFC-Failure raised ! - Please Check Trace-File !"},
        {"keyword in other case does not count", "error       lower\n",
         "Error 1014: RFC-Failure raised ! - Please Check Trace-File !"},
    };
    for (const auto &c : cases) EXPECT_EQ(diagnosis_of(c.content), c.expected) << c.name;
}

TEST_F(FailureReport, LongTraceLinesAreReadInPiecesOf99) {
    // The message is cut with its 99-character piece; the rest of the line is a line
    // of its own and sets nothing.
    std::string long_message(120, 'x');
    std::string content = "ERROR       " + long_message + "\n";
    std::string expected = "Error 1014: RFC-Failure raised ! - " + std::string(99 - 12, 'x');
    EXPECT_EQ(diagnosis_of(content.c_str()), expected);

    // A piece that begins a new line's worth of text can carry a message itself.
    std::string split = std::string(99, '-') + "ERROR       from the rest\n";
    EXPECT_EQ(diagnosis_of(split.c_str()), "Error 1014: RFC-Failure raised ! - from the rest");
}

TEST(FailureReportTexts, AbortReportTextLeavesOutEmptyParts) {
    struct {
        const char *name;
        const char *operation;
        const char *key;
        const char *status;
        const char *message;
        const char *intstat;
        const char *expected;
    } cases[] = {
        {"every part", "RfcCall", "RFC_ERROR_COMMUNICATION", "Connection to partner broken", "partner 'DEMO' gone",
         "RfcCall [1] : returns 1",
         "RFC error: operation/code RfcCall, key RFC_ERROR_COMMUNICATION, status Connection to partner broken, "
         "message partner 'DEMO' gone, internal status RfcCall [1] : returns 1"},
        {"empty status and internal status", "ItCreate MISS_VIEWS", "RFC_ERROR_RESOURCE", "", "no memory", "",
         "RFC error: operation/code ItCreate MISS_VIEWS, key RFC_ERROR_RESOURCE, message no memory"},
        {"no operation", nullptr, "K", "", "", "", "RFC error: key K"},
        {"nothing at all", "", "", "", "", "", "RFC error"},
    };
    for (const auto &c : cases) {
        RFC_ERROR_INFO info{};
        strncpy(info.key, c.key, sizeof info.key - 1);
        strncpy(info.status, c.status, sizeof info.status - 1);
        strncpy(info.message, c.message, sizeof info.message - 1);
        strncpy(info.intstat, c.intstat, sizeof info.intstat - 1);
        abort_text text;
        abort_report_text(c.operation, info, text);
        EXPECT_STREQ(text.c_str(), c.expected) << c.name;
    }

    // Every field at its full size still fits whole.
    RFC_ERROR_INFO full;
    memset(&full, 'x', sizeof full);
    full.key[sizeof full.key - 1] = full.status[sizeof full.status - 1] = '\0';
    full.message[sizeof full.message - 1] = full.intstat[sizeof full.intstat - 1] = '\0';
    abort_text text;
    abort_report_text("RfcInstallStructure", full, text);
    EXPECT_FALSE(text.cut);
}
