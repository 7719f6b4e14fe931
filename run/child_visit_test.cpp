// The status a listing child ends with when its result file could not be written: it
// carries "processed or not" and the write's error home, and nothing else reads as it.
#include "run/child_visit.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

TEST(ChildVisitStatus, LostResultStatusCarriesOutcomeAndError) {
    const struct {
        bool processed;
        int error;
        int expected_error;  // what the parent reads back
    } cases[] = {
        {true, ENOSPC, ENOSPC}, {false, ENOSPC, ENOSPC}, {true, EACCES, EACCES},
        {false, EROFS, EROFS},  {true, 0, 0},           {false, 122, 0},  // EDQUOT on Linux: no number
        {true, -1, 0},
    };
    for (const auto &c : cases) {
        int status = unwritten_status(c.processed, c.error);
        EXPECT_TRUE(is_unwritten_status(status)) << status;
        EXPECT_LE(status, 127) << "a status above 127 belongs to runtimes and tools";
        EXPECT_EQ(unwritten_processed(status), c.processed) << c.error;
        EXPECT_EQ(unwritten_error(status), c.expected_error) << c.error;
    }
}

TEST(ChildVisitStatus, OtherStatusesNeverReadAsALostResult) {
    // The sensor's own statuses, and those a sanitizer, a debugger or a runtime ends a
    // process with: a crashed child must stay a crash.
    for (int status : {0, 1, 2, 3, 4, 63, 128, 134, 139, 198, 255})
        EXPECT_FALSE(is_unwritten_status(status)) << status;
}

}  // namespace
