// The shared trace file: set aside when it has grown too large, deleted after success
// only when no other run added to it, and its diagnosis read from its end alone, from
// what was written after the logon.
#include "rfc/trace_file.h"

#include <gtest/gtest.h>

#include <string>

#include "output/prtg_writer.h"
#include "rfc/failure_report.h"
#include "rfc_standin/standin_fixture.h"

namespace {

using TraceFile = standin_test::StandIn;
using standin_test::read_file;
using standin_test::write_file;

const char *const block = "**** ERROR file opened at 20261210 140359\nERROR       partner not reached\n";

}  // namespace

TEST_F(TraceFile, DeletedAfterSuccessOnlyWhenNothingWasAdded) {
    struct {
        const char *name;
        const char *at_start;  // null: no file
        const char *added;     // by another run, between the note and the delete
        bool kept;
    } cases[] = {
        {"unchanged", "an old diagnosis\n", "", false},
        {"another run added a block", "an old diagnosis\n", block, true},
        {"written since the start", nullptr, block, true},
    };
    for (const auto &c : cases) {
        remove(rfc_trace_file_name);
        if (c.at_start != nullptr) write_file(rfc_trace_file_name, c.at_start);
        run_record run{};
        note_trace_file(run);
        if (*c.added != '\0') {
            FILE *file = fopen(rfc_trace_file_name, "ab");
            fputs(c.added, file);
            fclose(file);
        }
        delete_unchanged_trace_file(run);
        EXPECT_EQ(read_file(rfc_trace_file_name) != "<missing>", c.kept) << c.name;
    }
}

TEST_F(TraceFile, LargeFileIsSetAsideReplacingTheOlderOne) {
    write_file(rfc_old_trace_file_name, "set aside before\n");
    write_file(rfc_trace_file_name, std::string(largest_trace_file, 'x'));
    run_record run{};
    note_trace_file(run);  // exactly the limit: kept
    EXPECT_EQ(read_file(rfc_old_trace_file_name), "set aside before\n");
    EXPECT_TRUE(run.trace_file_noted);
    EXPECT_EQ(run.trace_file_size, largest_trace_file);

    write_file(rfc_trace_file_name, std::string(largest_trace_file + 1, 'y'));
    note_trace_file(run);
    EXPECT_EQ(read_file(rfc_trace_file_name), "<missing>");
    EXPECT_EQ(read_file(rfc_old_trace_file_name).size(), largest_trace_file + 1);
    EXPECT_FALSE(run.trace_file_noted);
}

TEST_F(TraceFile, DiagnosisReadsTheLastBlockOfAGrownFile) {
    // An old block far ahead, a last block that begins in the middle of a line cut by
    // the tail's start, and one that begins exactly at it.
    std::string old_block = "**** ERROR old\nERROR       an old message\n";
    std::string filler(3 * trace_tail_bytes, '.');
    for (size_t at = 80; at < filler.size(); at += 81) filler[at] = '\n';
    std::string last = "**** ERROR new\nERROR       the last message\n";
    struct {
        const char *name;
        std::string content;
        const char *expected;
    } cases[] = {
        {"last block at the end", old_block + filler + "\n" + last, " - the last message"},
        {"no block in the tail", old_block + filler + "\n", " - Please Check Trace-File !"},
        // The tail starts exactly at "ERROR       cut in" after a line feed: kept whole.
        {"line at the tail's start",
         old_block + filler + "\n" + std::string("**** ERROR x\n") + "ERROR       cut in" +
             std::string(trace_tail_bytes - 19, ' ') + "\n",
         " - cut in"},
        // One character more: that line is cut by the tail and dropped.
        {"line cut by the tail's start",
         old_block + filler + "\n" + std::string("**** ERROR x\n") + "ERROR       cut in" +
             std::string(trace_tail_bytes - 18, ' ') + "\n",
         " - Please Check Trace-File !"},
        {"small file", old_block, " - an old message"},
    };
    for (const auto &c : cases) {
        write_file(rfc_trace_file_name, c.content);
        run_record run{};
        append_trace_diagnosis(run);
        std::string got = run.output_buffer.c_str();
        // Trailing blanks of a message stay; only its beginning is compared here.
        EXPECT_EQ(got.substr(0, strlen(c.expected)), c.expected) << c.name;
        if (std::string(c.expected).find("Please") != std::string::npos) {
            EXPECT_EQ(got, c.expected) << c.name;
        }
    }
}

// The diagnosis is taken only from what the library wrote after the size noted before
// the logon: a block of an earlier run is never given as this run's reason.
TEST_F(TraceFile, DiagnosisReadsOnlyWhatWasWrittenAfterTheLogon) {
    const std::string old_block = "**** ERROR last week\nERROR       an old message\n";
    const std::string new_block = "**** ERROR today\nERROR       today's message\n";
    struct {
        const char *name;
        const char *at_logon;  // null: no file
        std::string now;       // null text: no file
        bool there_now;
        const char *expected;
    } cases[] = {
        {"only an old block: the library wrote none", "old", old_block, true, " - Please Check Trace-File !"},
        {"a block written after the old one", "old", old_block + new_block, true, " - today's message"},
        {"not there at the logon: all of it is this run's", nullptr, new_block, true, " - today's message"},
        {"not there at all", nullptr, "", false, " - Look for Trace-File"},
        // Set aside by another run and begun anew, shorter than noted: nothing in it can
        // be told apart from what was there before.
        {"shorter than noted", "old", "**** ERROR x\nERROR       short\n", true, " - Please Check Trace-File !"},
        // The old file ended in the middle of a line: the rest of that line is no
        // message of this run.
        {"noted in the middle of a line", "cut", old_block + "ERROR       half", true, " - Please Check Trace-File !"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        remove(rfc_trace_file_name);
        if (c.at_logon != nullptr)
            write_file(rfc_trace_file_name, std::string(c.at_logon) == "cut" ? old_block + "ERROR       ha" : old_block);
        run_record run{};
        note_trace_size(run);
        remove(rfc_trace_file_name);
        if (c.there_now) write_file(rfc_trace_file_name, c.now);
        append_message(run, "Error 1014: RFC-Failure raised !");
        append_trace_diagnosis(run);
        EXPECT_EQ(std::string(run.output_buffer.c_str()), std::string("Error 1014: RFC-Failure raised !") + c.expected);
    }
}
