// A library preloaded into the Linux build's sensor by the children checks: it refuses
// the process's first KORVANEL_FAILING_SPAWNS calls of posix_spawn with EAGAIN, as the
// system does at its process limit, and passes every later call on. It shows how a
// listing answers when the start of a child is refused, which no real limit can be
// made to do reliably (root, who runs the tests, is above the process limit).
#include <dlfcn.h>
#include <spawn.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

namespace {

std::atomic<long> refused{0};

typedef int (*spawn_function)(pid_t *, const char *, const posix_spawn_file_actions_t *, const posix_spawnattr_t *,
                              char *const[], char *const[]);

long refusals_wanted() {
    const char *text = getenv("KORVANEL_FAILING_SPAWNS");
    return text == nullptr ? 0 : strtol(text, nullptr, 10);
}

}  // namespace

extern "C" int posix_spawn(pid_t *pid, const char *path, const posix_spawn_file_actions_t *actions,
                           const posix_spawnattr_t *attributes, char *const arguments[], char *const environment[]) {
    if (refused.fetch_add(1) < refusals_wanted()) return EAGAIN;
    static spawn_function real = reinterpret_cast<spawn_function>(dlsym(RTLD_NEXT, "posix_spawn"));
    if (real == nullptr) return ENOSYS;
    return real(pid, path, actions, attributes, arguments, environment);
}
