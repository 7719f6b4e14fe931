// A library preloaded into the Linux build's sensor by the children checks: in the
// children of a listing (a process started with "--visit-system") it refuses every
// file opened for writing with the error number KORVANEL_FAILING_WRITES (122, EDQUOT,
// as a user's quota on the probe's disk does; 28, ENOSPC, as a full disk), and passes
// every other call on. The run itself writes as usual. It shows what a listing answers
// when its children can write no file, which no real quota can be made to do for root,
// who runs the tests.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

typedef FILE *(*open_function)(const char *, const char *);

// Whether this process is a child of a listing: its command line names the argument.
bool in_child() {
    static int known = -1;
    if (known >= 0) return known == 1;
    char line[4096];
    int fd = open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
    ssize_t count = fd < 0 ? 0 : read(fd, line, sizeof line - 1);
    if (fd >= 0) close(fd);
    known = 0;
    line[count < 0 ? 0 : count] = '\0';
    for (ssize_t at = 0; at < count; at += static_cast<ssize_t>(strlen(line + at)) + 1) {
        if (strncmp(line + at, "--visit-system", 14) == 0) known = 1;
    }
    return known == 1;
}

// The error number to refuse writing with, 0 for none.
int refusal(const char *mode) {
    const char *setting = getenv("KORVANEL_FAILING_WRITES");
    if (setting == nullptr || strpbrk(mode, "wa+") == nullptr || !in_child()) return 0;
    return atoi(setting);
}

FILE *open_with(const char *symbol, const char *path, const char *mode) {
    int error = refusal(mode);
    if (error != 0) {
        errno = error;
        return nullptr;
    }
    open_function real = reinterpret_cast<open_function>(dlsym(RTLD_NEXT, symbol));
    if (real == nullptr) {
        errno = ENOSYS;
        return nullptr;
    }
    return real(path, mode);
}

}  // namespace

extern "C" FILE *fopen(const char *path, const char *mode) { return open_with("fopen", path, mode); }
extern "C" FILE *fopen64(const char *path, const char *mode) { return open_with("fopen64", path, mode); }
