// Removing a listing's private folders: the whole tree goes, of any depth and with names
// of any length, and nothing outside it, through neither a link nor a mount point; a
// folder that still stands (a file Windows has not let go of yet, a mount point inside)
// is tried again only as long as the run's patience and its deadline allow.
#include "run/folder_removal.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>

#ifndef _WIN32
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>
#endif

#include "host/host.h"
#include "host/host_process.h"

namespace {

// Named after the test, since ctest runs the tests of this file at the same time.
std::string root;
std::string outside;

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

// The root with a file and a folder named `step` and its level on each of `levels`
// levels below it; returns the deepest folder.
std::string make_tree(int levels, const std::string &step = "d") {
    std::string folder = root;
    EXPECT_TRUE(host_make_folder(folder.c_str()));
    for (int level = 0; level < levels; ++level) {
        make_file(folder + "\\Dev_Rfc.Trc");
        folder += "\\" + step + std::to_string(level);
        EXPECT_TRUE(host_make_folder(folder.c_str())) << level;
    }
    make_file(folder + "\\Korvanel.out");
    return folder;
}

#ifndef _WIN32
bool file_exists(const std::string &name) {
    FILE *file = host_open_read(name.c_str());
    if (file == nullptr) return false;
    fclose(file);
    return true;
}

std::string native(std::string name) {
    for (char &c : name)
        if (c == '\\') c = '/';
    return name;
}

// Mounting needs a mount namespace of the test's own, so that nothing mounted here is
// seen outside it; without the power to make one the cases that mount are skipped.
bool can_mount() {
    static int allowed = -1;
    if (allowed < 0)
        allowed = unshare(CLONE_NEWNS) == 0 && mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return allowed == 1;
}

bool bind_mount(const std::string &from, const std::string &onto) {
    return mount(native(from).c_str(), native(onto).c_str(), nullptr, MS_BIND, nullptr) == 0;
}
#endif

// Something that makes a folder of the tree stand until it is let go of: on Windows a
// file held open without leave to delete it, on POSIX a mount point (a bind mount of a
// folder outside, never entered and never removed).
struct hold {
    std::string folder;
#ifdef _WIN32
    FILE *file = nullptr;
    bool take(const std::string &at) {
        folder = at;
        make_file(at + "\\held.txt");
        file = host_open_read((at + "\\held.txt").c_str());
        return file != nullptr;
    }
    void release() {
        if (file != nullptr) fclose(file);
        file = nullptr;
    }
#else
    bool mounted = false;
    bool take(const std::string &at) {
        folder = at + "\\mounted";
        mounted = can_mount() && host_make_folder(folder.c_str()) && bind_mount(outside, folder);
        return mounted;
    }
    void release() {
        if (mounted) umount2(native(folder).c_str(), MNT_DETACH);
        mounted = false;
    }
#endif
};

struct FolderRemoval : ::testing::Test {
    void SetUp() override {
        std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        root = "folder_removal_" + test + ".tmp";
        outside = "folder_removal_" + test + ".outside.tmp";
        ASSERT_TRUE(host_make_folder(outside.c_str()));
        make_file(outside + "\\precious.txt");
    }
    void TearDown() override {
        remove_folder_tree(root.c_str());
        host_delete((outside + "\\precious.txt").c_str());
        host_remove_folder(outside.c_str());
    }
};

}  // namespace

// Depth and name length cost nothing: a tree deeper than the levels a removal enters,
// or whose paths outgrow its room, goes all the same.
TEST_F(FolderRemoval, TheWholeTreeGoesWhateverItsDepth) {
    struct {
        const char *name;
        int levels;
        std::string step;
    } cases[] = {
        {"three levels", 3, "d"},
        {"nine levels: one more than a removal enters", 9, "d"},
#ifdef _WIN32
        // Windows' paths end at 260 characters: as deep as one can be made there.
        {"forty levels", 40, "d"},
        {"names of 20 characters, nine levels", 9, std::string(20, 'n')},
#else
        {"two hundred levels", 200, "d"},
        {"names of 100 characters, twelve levels", 12, std::string(100, 'n')},
#endif
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        make_tree(c.levels, c.step);
        EXPECT_TRUE(remove_folder_tree(root.c_str()));
        EXPECT_FALSE(exists(root));
        remove_folder_tree(root.c_str());
    }
}

#ifndef _WIN32
// A link inside a leftover folder goes as a link; what it leads to stays untouched.
TEST_F(FolderRemoval, ALinkGoesAsALink) {
    std::string deepest = make_tree(3);
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    std::string target = std::string(here) + "/" + outside;
    ASSERT_EQ(symlink(target.c_str(), native(deepest + "\\to_folder").c_str()), 0);
    ASSERT_EQ(symlink((target + "/precious.txt").c_str(), native(root + "\\to_file").c_str()), 0);
    EXPECT_TRUE(remove_folder_tree(root.c_str()));
    EXPECT_FALSE(exists(root));
    EXPECT_TRUE(file_exists(outside + "\\precious.txt"));
}

// A mount point inside a leftover folder (a bind mount of a folder of the same file
// system, which keeps its device number, and one of another file system) is never
// entered: what it shows stays, and so does the folder that holds it.
TEST_F(FolderRemoval, AMountPointIsNeverEntered) {
    if (!can_mount()) GTEST_SKIP() << "no mount namespace of the test's own can be made here";
    struct {
        const char *name;
        bool other_file_system;
    } cases[] = {{"a bind mount", false}, {"a file system of its own", true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::string deepest = make_tree(2);
        std::string mounted = deepest + "\\mounted";
        ASSERT_TRUE(host_make_folder(mounted.c_str()));
        std::string shown = outside;
        if (c.other_file_system) {
            shown = outside + "\\tmpfs";
            ASSERT_TRUE(host_make_folder(shown.c_str()));
            ASSERT_EQ(mount("tmpfs", native(shown).c_str(), "tmpfs", 0, "size=64k"), 0);
            make_file(shown + "\\precious.txt");
        }
        ASSERT_TRUE(bind_mount(shown, mounted));
        EXPECT_FALSE(remove_folder_tree(root.c_str()));
        EXPECT_TRUE(file_exists(mounted + "\\precious.txt"));
        EXPECT_FALSE(file_exists(deepest + "\\Korvanel.out"));  // the rest of the tree went
        umount2(native(mounted).c_str(), MNT_DETACH);
        EXPECT_TRUE(file_exists(shown + "\\precious.txt"));
        if (c.other_file_system) {
            umount2(native(shown).c_str(), MNT_DETACH);
            host_remove_folder(shown.c_str());
        }
        EXPECT_TRUE(remove_folder_tree(root.c_str()));
    }
}
#endif

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
        hold held;
        if (!held.take(make_tree(3))) {
            remove_folder_tree(root.c_str());
            GTEST_SKIP() << "nothing can hold a folder here (a mount needs a mount namespace of the test's own)";
        }
        ASSERT_FALSE(remove_folder_tree(root.c_str()));  // a plain removal leaves it standing
        std::thread releaser([&c, &held] {
            if (c.release_after_ms < 0) return;
            host_sleep_ms(static_cast<unsigned>(c.release_after_ms));
            held.release();
        });
        removal_patience patience = {c.patience_ms};
        uint64_t deadline = c.deadline_passed ? host_clock_ms() : 0;
        uint64_t started = host_clock_ms();
        bool removed = remove_folder_patiently(root.c_str(), deadline, patience);
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
        held.release();
        remove_folder_tree(root.c_str());
        ASSERT_FALSE(exists(root));
    }
}
