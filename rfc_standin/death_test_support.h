// What the stand-ins' hang and crash tests share: how a crashed child is recognised
// and how a hung one is cut short (POSIX only; gtest's death tests fork).
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace standin_test {

// SIGSEGV, or under AddressSanitizer its report of the invalid access and a failing exit.
inline bool died_of_invalid_access(int status) {
    if (WIFSIGNALED(status)) return WTERMSIG(status) == SIGSEGV;
    return WIFEXITED(status) && WEXITSTATUS(status) != 0;
}

// A hang is cut short by an alarm, which only a process still stuck in the step meets.
inline void within_a_second(void (*step)()) {
    alarm(1);
    step();
    _exit(0);
}

// The call log's last line starts with `start` and ends with `ending`.
inline void expect_logged(const std::string &last, const char *start, const char *ending) {
    EXPECT_EQ(last.rfind(start, 0), 0u) << last;
    ASSERT_GE(last.size(), strlen(ending)) << last;
    EXPECT_EQ(last.substr(last.size() - strlen(ending)), ending) << last;
}

}  // namespace standin_test
