// A library preloaded into the Linux build's sensor by the children checks: it refuses
// the process's first KORVANEL_FAILING_SPAWNS calls of posix_spawn with EAGAIN, as the
// system does at its process limit, and passes every later call on. With
// KORVANEL_SPAWN_LIMIT=N it refuses, with EAGAIN too, every start while N children it
// started still exist (not yet waited for), as a limit on processes does. It shows how
// a listing answers when the start of a child is refused, which no real limit can be
// made to do reliably (root, who runs the tests, is above the process limit).
#include <dlfcn.h>
#include <signal.h>
#include <spawn.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

namespace {

std::atomic<long> refused{0};

typedef int (*spawn_function)(pid_t *, const char *, const posix_spawn_file_actions_t *, const posix_spawnattr_t *,
                              char *const[], char *const[]);

long setting(const char *name) {
    const char *text = getenv(name);
    return text == nullptr ? 0 : strtol(text, nullptr, 10);
}

// The children started, for the limit; a listing starts far fewer than this at once.
pid_t started[4096];
size_t started_count = 0;

long children_alive() {
    long alive = 0;
    for (size_t i = 0; i < started_count; ++i)
        if (started[i] != 0 && kill(started[i], 0) == 0) ++alive;
    return alive;
}

}  // namespace

extern "C" int posix_spawn(pid_t *pid, const char *path, const posix_spawn_file_actions_t *actions,
                           const posix_spawnattr_t *attributes, char *const arguments[], char *const environment[]) {
    if (refused.fetch_add(1) < setting("KORVANEL_FAILING_SPAWNS")) return EAGAIN;
    long limit = setting("KORVANEL_SPAWN_LIMIT");
    if (limit > 0 && children_alive() >= limit) return EAGAIN;
    static spawn_function real = reinterpret_cast<spawn_function>(dlsym(RTLD_NEXT, "posix_spawn"));
    if (real == nullptr) return ENOSYS;
    int result = real(pid, path, actions, attributes, arguments, environment);
    if (result == 0 && started_count < sizeof started / sizeof started[0]) started[started_count++] = *pid;
    return result;
}
