// A child's result channel as the run reads it: whatever was written, at once, even while
// some process (here the test itself) still holds the child's end, and never more than
// the run's buffer takes.
#include "host/host_process.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ResultChannel, ReadsWhatWasWrittenWithoutWaitingForTheWriterToLetGo) {
    host_child child{};
    unsigned long number = 0;
    ASSERT_TRUE(host_open_channel(child, number));
    const std::string sent = "mark 6:4711.0\nentry 7:S01.P00\n";
    ASSERT_EQ(host_write_channel(number, sent.data(), sent.size()), 0);
    // The child's end stays open, as when the library left a process of its own holding it.
    char buffer[256];
    bool overflow = true;
    size_t count = host_read_channel(child, buffer, sizeof buffer, overflow);
    EXPECT_EQ(std::string(buffer, count), sent);
    EXPECT_FALSE(overflow);
    EXPECT_EQ(child.channel, -1) << "the channel is closed once read";
    EXPECT_EQ(child.channel_child, -1);
}

TEST(ResultChannel, MoreThanTheBufferIsDroppedAndSaidSo) {
    host_child child{};
    unsigned long number = 0;
    ASSERT_TRUE(host_open_channel(child, number));
    const std::string sent(3000, 'x');
    ASSERT_EQ(host_write_channel(number, sent.data(), sent.size()), 0);
    static char buffer[1024];
    bool overflow = false;
    EXPECT_EQ(host_read_channel(child, buffer, sizeof buffer, overflow), sizeof buffer);
    EXPECT_TRUE(overflow);
}

TEST(ResultChannel, NothingWrittenReadsAsNothing) {
    host_child child{};
    unsigned long number = 0;
    ASSERT_TRUE(host_open_channel(child, number));
    host_close_channel(child);
    char buffer[16];
    bool overflow = true;
    EXPECT_EQ(host_read_channel(child, buffer, sizeof buffer, overflow), 0u);
    EXPECT_FALSE(overflow);
    // Opened again: the earlier ends are closed first, and the new channel works alike.
    ASSERT_TRUE(host_open_channel(child, number));
    ASSERT_TRUE(host_open_channel(child, number));
    ASSERT_EQ(host_write_channel(number, "ok", 2), 0);
    EXPECT_EQ(host_read_channel(child, buffer, sizeof buffer, overflow), 2u);
}

}  // namespace
