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

// A listing whose visit in this process is stuck at the deadline: the watchdog takes
// the document over after the head or before anything, and from then on only its
// own claims pass, so a late fatal report of the stuck thread never follows it.
TEST_F(OutputGate, TheWatchdogTakesAListingOverAndOnlyItPrintsAfterwards) {
    struct {
        const char *name;
        bool head_out;  // trace mode: the head went out before the systems
    } cases[] = {{"nothing printed yet", false}, {"the head printed", true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        reset_document_output_gate();
        if (c.head_out) {
            ASSERT_TRUE(claim_document_output(exit_success));
            document_output_written();
        }
        std::atomic<bool> taken{false};
        std::atomic<bool> summary_claimed{false};
        std::thread watchdog([&] {
            int status = -1;
            taken = take_over_document_output(status);
            summary_claimed = claim_document_output(exit_success);  // the summary
            document_output_written();
            summary_claimed = summary_claimed && claim_document_output(exit_success);  // and its closing line
            document_output_written();
        });
        watchdog.join();
        EXPECT_TRUE(taken.load());
        EXPECT_TRUE(summary_claimed.load());
        // The stuck visit's thread, should the library come back with a fatal error.
        EXPECT_FALSE(claim_document_output(exit_rfc_abort));
        EXPECT_FALSE(claim_document_output_for_watchdog());
    }
}

TEST_F(OutputGate, AFatalReportOutBeforeTheTakeOverStaysTheAnswer) {
    ASSERT_TRUE(claim_document_output(exit_success));  // the head
    document_output_written();
    ASSERT_TRUE(claim_document_output(exit_rfc_abort));  // the library's fatal error, being printed
    std::atomic<int> status{-1};
    std::atomic<bool> taken{true};
    std::thread watchdog([&] {
        int found = -1;
        taken = take_over_document_output(found);
        status = found;
    });
    host_sleep_ms(100);
    EXPECT_EQ(status.load(), -1);  // waits while the report is printed
    document_output_written();
    watchdog.join();
    EXPECT_FALSE(taken.load());
    EXPECT_EQ(status.load(), exit_rfc_abort);
}
