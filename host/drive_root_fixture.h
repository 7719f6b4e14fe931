// Test fixture of the POSIX host: a private drive root below /tmp, named to the
// program by KORVANEL_DRIVE_ROOT, with C:\work as the working directory. Tests lay
// out drives in it ("/C/...", "/E/...") and the whole tree goes away afterwards.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

/// A fresh drive root per test, with the working directory C:\work; removed afterwards.
struct DriveRoot : ::testing::Test {
    std::string root;
    std::string old_cwd;

    void SetUp() override {
        char pattern[] = "/tmp/korvanel-drives-XXXXXX";
        root = mkdtemp(pattern);
        setenv("KORVANEL_DRIVE_ROOT", root.c_str(), 1);
        char buffer[4096];
        old_cwd = getcwd(buffer, sizeof buffer);
        make_dir("/C/work");
        ASSERT_EQ(chdir((root + "/C/work").c_str()), 0);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(old_cwd.c_str()), 0);
        unsetenv("KORVANEL_DRIVE_ROOT");
        std::string command = "rm -rf '" + root + "'";
        ASSERT_EQ(system(command.c_str()), 0);
    }
    /// Creates the directory `relative` ("/E/Tools") below the root, with its parents.
    void make_dir(const std::string &relative) {
        for (size_t slash = relative.find('/', 1); ; slash = relative.find('/', slash + 1)) {
            mkdir((root + relative.substr(0, slash)).c_str(), 0755);
            if (slash == std::string::npos) break;
        }
    }
    /// Creates the file `relative` below the root with `content`, and its directories.
    void make_file(const std::string &relative, const std::string &content) {
        make_dir(relative.substr(0, relative.rfind('/')));
        FILE *file = fopen((root + relative).c_str(), "wb");
        ASSERT_NE(file, nullptr) << relative;
        fwrite(content.data(), 1, content.size(), file);
        fclose(file);
    }
};
