// Removing a listing's private folders: the whole tree goes, and a folder that still
// stands (a file Windows has not let go of yet) is tried again only as long as the
// run's patience and its deadline allow.
#include "run/folder_removal.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "host/host.h"
#include "host/host_process.h"

namespace {

const char *const root = "folder_removal_test.tmp";

bool exists(const std::string &folder) {
    // A folder that is there cannot be made again.
    if (!host_make_folder(folder.c_str())) return true;
    host_remove_folder(folder.c_str());
    return false;
}

void make_file(const std::string &name) {
    FILE *file = host_create_write(name.c_str());
    ASSERT_NE(file, nullptr) << name;
    fputs("written by the library\n", file);
    fclose(file);
}

// The root with a file and a folder on each of `levels` levels below it; returns the
// deepest folder.
std::string make_tree(int levels) {
    std::string folder = root;
    EXPECT_TRUE(host_make_folder(folder.c_str()));
    for (int level = 0; level < levels; ++level) {
        make_file(folder + "\\Dev_Rfc.Trc");
        folder += "\\d" + std::to_string(level);
        EXPECT_TRUE(host_make_folder(folder.c_str()));
    }
    make_file(folder + "\\Korvanel.out");
    return folder;
}

// The part of a tree below the levels a removal enters: it stands until taken away.
std::string held_part(int levels) {
    std::string folder = root;
    for (int level = 0; level < levels; ++level) folder += "\\d" + std::to_string(level);
    return folder;
}

struct FolderRemoval : ::testing::Test {
    void TearDown() override {
        remove_folder_tree(held_part(9).c_str());
        remove_folder_tree(root);
    }
};

}  // namespace

TEST_F(FolderRemoval, TheWholeTreeGoes) {
    make_tree(3);
    EXPECT_TRUE(remove_folder_tree(root));
    EXPECT_FALSE(exists(root));
}

// A tree deeper than a removal enters stands as a folder with a held file does, until
// something else takes its deepest part away.
TEST_F(FolderRemoval, AStandingFolderIsTriedAgainWithinPatienceAndDeadline) {
    struct {
        const char *name;
        int release_after_ms;  // -1: never
        unsigned patience_ms;
        bool deadline_passed;
        bool removed;
    } cases[] = {
        {"let go of after 100 ms", 100, 2000, false, true},
        {"never let go of: the patience runs out", -1, 200, false, false},
        {"never let go of, the deadline passed: no waiting", -1, 2000, true, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        make_tree(12);
        ASSERT_FALSE(remove_folder_tree(root));  // a plain removal leaves it standing
        std::thread releaser([&c] {
            if (c.release_after_ms < 0) return;
            host_sleep_ms(static_cast<unsigned>(c.release_after_ms));
            remove_folder_tree(held_part(9).c_str());
        });
        removal_patience patience = {c.patience_ms};
        uint64_t deadline = c.deadline_passed ? host_clock_ms() : 0;
        uint64_t started = host_clock_ms();
        bool removed = remove_folder_patiently(root, deadline, patience);
        uint64_t waited = host_clock_ms() - started;
        releaser.join();
        EXPECT_EQ(removed, c.removed);
        EXPECT_EQ(exists(root), !c.removed);
        if (c.removed) {
            EXPECT_GE(waited, 100u);  // it waited for the release
            EXPECT_LT(patience.left_ms, c.patience_ms);
            EXPECT_GT(patience.left_ms, 0u);
        } else if (c.deadline_passed) {
            EXPECT_EQ(patience.left_ms, c.patience_ms);
        } else {
            EXPECT_EQ(patience.left_ms, 0u);
        }
        remove_folder_tree(held_part(9).c_str());
        remove_folder_tree(root);
        ASSERT_FALSE(exists(root));
    }
}
