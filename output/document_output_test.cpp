// The output gate: whichever of the run and the watchdog claims standard output first
// prints the one document; the watchdog that comes second waits for the run's document
// to be out and ends the process with its status.
#include "output/document_output.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/exit_status.h"
#include "host/host.h"

namespace {

struct OutputGate : ::testing::Test {
    void SetUp() override { reset_document_output_gate(); }
    void TearDown() override { reset_document_output_gate(); }
};

}  // namespace

TEST_F(OutputGate, TheFirstWriterCloses) {
    // The run first: the watchdog prints nothing and takes the run's status.
    EXPECT_TRUE(claim_document_output(exit_error_document));
    EXPECT_FALSE(claim_document_output_for_watchdog());
    document_output_written();
    EXPECT_EQ(wait_for_run_document(), exit_error_document);

    // The watchdog first: the run may print nothing more.
    reset_document_output_gate();
    EXPECT_TRUE(claim_document_output_for_watchdog());
    EXPECT_FALSE(claim_document_output(exit_success));
    EXPECT_FALSE(claim_document_output(exit_rfc_abort));
    EXPECT_FALSE(claim_document_output_for_watchdog());
}

TEST_F(OutputGate, TheRunMayPrintItsDocumentInPartsAndTheLastStatusCounts) {
    ASSERT_TRUE(claim_document_output(exit_success));  // a listing's head
    document_output_written();
    ASSERT_TRUE(claim_document_output(exit_error_document));  // the run-ending error after it
    document_output_written();
    EXPECT_FALSE(claim_document_output_for_watchdog());
    EXPECT_EQ(wait_for_run_document(), exit_error_document);
}

TEST_F(OutputGate, TheWatchdogWaitsUntilTheRunsDocumentIsOut) {
    ASSERT_TRUE(claim_document_output(exit_rfc_abort));
    ASSERT_FALSE(claim_document_output_for_watchdog());
    std::atomic<int> status{-1};
    std::thread watchdog([&status] { status = wait_for_run_document(); });
    host_sleep_ms(100);
    EXPECT_EQ(status.load(), -1);  // still printing: the process must not end under it
    document_output_written();
    watchdog.join();
    EXPECT_EQ(status.load(), exit_rfc_abort);
}
