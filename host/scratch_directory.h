// For tests: a fresh working directory per test, below the one the test binary was
// started in, so that tests which read or write files of the working directory
// ("Dev_Rfc.Trc", "SapRfc.ini", the landscape) never meet each other's files, also
// when CTest runs them side by side. Header-only; used by test files alone.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <dirent.h>
#if defined(_WIN32)
#include <direct.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

/// Changes into "scratch-<suite>.<test>" (created empty) for the test's life and back after it.
class scratch_directory {
public:
    scratch_directory() {
        const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
        name_ = std::string("scratch-") + test->test_suite_name() + "." + test->name();
        char buffer[4096];
        if (getcwd(buffer, sizeof buffer) != nullptr) home_ = buffer;
        remove_tree();
#if defined(_WIN32)
        _mkdir(name_.c_str());
#else
        mkdir(name_.c_str(), 0755);
#endif
        EXPECT_EQ(chdir(name_.c_str()), 0) << name_;
    }
    ~scratch_directory() {
        EXPECT_EQ(chdir(home_.c_str()), 0);
        remove_tree();
    }
    scratch_directory(const scratch_directory &) = delete;
    scratch_directory &operator=(const scratch_directory &) = delete;

    /// Writes `content` byte for byte into the file `name` of the scratch directory.
    static void write_file(const char *name, const std::string &content) {
        FILE *file = fopen(name, "wb");
        ASSERT_NE(file, nullptr) << name;
        fwrite(content.data(), 1, content.size(), file);
        fclose(file);
    }
    /// The bytes of the file `name`, or "<missing>".
    static std::string read_file(const char *name) {
        FILE *file = fopen(name, "rb");
        if (file == nullptr) return "<missing>";
        std::string content;
        char block[4096];
        size_t count;
        while ((count = fread(block, 1, sizeof block, file)) > 0) content.append(block, count);
        fclose(file);
        return content;
    }

private:
    // The directory holds plain files only.
    void remove_tree() {
        if (DIR *listing = opendir(name_.c_str())) {
            while (struct dirent *entry = readdir(listing)) {
                std::string file = entry->d_name;
                if (file != "." && file != "..") remove((name_ + "/" + file).c_str());
            }
            closedir(listing);
        }
#if defined(_WIN32)
        _rmdir(name_.c_str());
#else
        rmdir(name_.c_str());
#endif
    }
    std::string name_;
    std::string home_;
};

/// Sets (or, with null, removes) an environment variable of the test process.
inline void set_test_environment(const char *name, const char *value) {
#if defined(_WIN32)
    std::string setting = std::string(name) + "=" + (value != nullptr ? value : "");
    _putenv(setting.c_str());
#else
    if (value != nullptr)
        setenv(name, value, 1);
    else
        unsetenv(name);
#endif
}
