// The bridge's trace blocks as the sensor's trace diagnosis reads them.
#include "core/trace_block.h"

#include "rfc/failure_report.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string contents(FILE *file) {
    rewind(file);
    std::string text;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, file) != nullptr) text += buffer;
    return text;
}

}  // namespace

TEST(BridgeTraceBlock, ShapeOfTheClassicTrace) {
    FILE *file = tmpfile();
    bridge_failure failure = make_bridge_failure("RFC_ERROR_LOGON_FAILURE", "Name or password is incorrect");
    failure.api.assign("RfcCall [1] : returns 1:RFC_FAILURE");
    failure.component = "RFC bridge";
    write_trace_block(file, failure, "20261210 140359 UTC", "librfc32 bridge over sapnwrfc 7500,0,12", 123456);
    EXPECT_EQ(contents(file),
              "\n**** ERROR file opened at 20261210 140359 UTC, librfc32 bridge over sapnwrfc 7500,0,12\n"
              "T:3456 ======> Name or password is incorrect\n"
              "COMPONENT   RFC bridge\n"
              "T:3456 <* RfcCall [1] : returns 1:RFC_FAILURE\n");
    fclose(file);
}

TEST(BridgeTraceBlock, TheSensorsDiagnosisFindsTheLastBlocksMessage) {
    struct row {
        const char *detail;
        const char *appended;
    } rows[] = {
        {"", " - Connect to SAP gateway failed"},
        {"sapnwrfc.dll not found (tried C:\\PRTG\\sapnwrfc.dll)", " - sapnwrfc.dll not found (tried C:\\PRTG\\sapnwrfc.dll)"},
    };
    for (const row &r : rows) {
        FILE *file = tmpfile();
        bridge_failure first = make_bridge_failure("RFC_ERROR_PROGRAM", "an earlier failure");
        first.detail.assign("earlier detail");
        write_trace_block(file, first, "20261210 140359 UTC", "origin", 1);
        bridge_failure failure = make_bridge_failure("RFC_ERROR_COMMUNICATION", "Connect to SAP gateway failed");
        failure.detail.assign(r.detail);
        failure.api.assign("RfcOpen [0] : returns 0");
        write_trace_block(file, failure, "20261210 140400 UTC", "origin", 1);
        rewind(file);
        run_record run{};
        append_diagnosis_from(run, file);
        fclose(file);
        EXPECT_STREQ(run.output_buffer.c_str(), r.appended);
    }
}
