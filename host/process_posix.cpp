// Child processes, private folders and locks on POSIX; see host_process.h. A child is
// /proc/self/exe started with posix_spawn; every descriptor of ours is opened close-on-exec, so a
// child holds only its three standard streams. The parent keeps SIGCHLD blocked and
// waits for it with sigtimedwait, so waiting costs no processor time.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <spawn.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/bounded_text.h"
#include "host/host.h"
#include "host/host_process.h"

namespace {

typedef bounded_text<4095> native_name;

// Our relative names use the Windows separator; here they become native ones.
bool native(const char *name, native_name &out) {
    out.assign(name[0] == '\0' ? "." : name);
    for (size_t i = 0; i < out.length; ++i)
        if (out.data[i] == '\\') out.data[i] = '/';
    return !out.cut;
}

bool chld_blocked = false;

void block_chld() {
    if (chld_blocked) return;
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGCHLD);
    sigprocmask(SIG_BLOCK, &set, nullptr);
    // A child that ends before reading its input must not end the run with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
    chld_blocked = true;
}

bool write_all(int fd, const char *bytes, size_t count) {
    while (count > 0) {
        ssize_t written = write(fd, bytes, count);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes += written;
        count -= static_cast<size_t>(written);
    }
    return true;
}

// What a child's guard watches; written before its thread starts.
struct child_guard {
    pid_t parent;
    uint64_t deadline;
    int status;
};
child_guard guard;

constexpr unsigned guard_look_ms = 250;

void *watch_parent(void *) {
    for (;;) {
        if (getppid() != guard.parent) _exit(guard.status);
        uint64_t now = host_clock_ms();
        if (guard.deadline != 0 && now >= guard.deadline) _exit(guard.status);
        uint64_t rest = guard.deadline == 0 ? guard_look_ms : guard.deadline - now;
        host_sleep_ms(rest < guard_look_ms ? static_cast<unsigned>(rest) : guard_look_ms);
    }
    return nullptr;
}

}  // namespace

void host_guard_child(unsigned long parent_id, uint64_t deadline, int status) {
    guard.parent = static_cast<pid_t>(parent_id);
    guard.deadline = deadline;
    guard.status = status;
#ifdef __linux__
    prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
    // Asked after the signal is set: a parent that died before is seen here.
    if (getppid() != guard.parent) _exit(status);
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return;
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_attr_setstacksize(&attributes, 64 * 1024);
    pthread_t thread;
    pthread_create(&thread, &attributes, watch_parent, nullptr);
    pthread_attr_destroy(&attributes);
}

unsigned long host_process_id() { return static_cast<unsigned long>(getpid()); }

namespace {

bounded_text<127> start_refusal;

void close_end(intptr_t &end) {
    if (end >= 0) close(static_cast<int>(end));
    end = -1;
}

bool refused(int error) {
    start_refusal.assign(strerror(error));
    return false;
}

}  // namespace

const char *host_start_refusal() { return start_refusal.c_str(); }

namespace {

// The run's environment without PRTG's placeholders, built at each start (a test may
// change the environment between runs); the entries are the run's own strings.
constexpr size_t child_environment_limit = 4096;
char *child_entries[child_environment_limit + 1];

char *const *child_environment() {
    size_t count = 0;
    for (char **entry = environ; *entry != nullptr && count < child_environment_limit; ++entry)
        if (!host_is_prtg_variable(*entry)) child_entries[count++] = *entry;
    child_entries[count] = nullptr;
    return child_entries;
}

}  // namespace

bool host_start_child(const char *folder, const char *argument, const char *output_name, const char *input,
                      size_t input_count, host_child &child) {
    child.process = 0;
    child.running = false;
    start_refusal.clear();
    native_name directory, output;
    if (!native(folder, directory) || !native(folder, output) || !output.append("/") || !output.append(output_name))
        return false;
    char program[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", program, sizeof program - 1);
    if (length <= 0) return refused(errno);
    program[length] = '\0';

    block_chld();
    int input_pipe[2];
    if (pipe2(input_pipe, O_CLOEXEC) != 0) return refused(errno);
    int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    // posix_spawn, not fork: the child shares the run's memory until its exec instead of
    // copying its page tables, which is most of what a child costs the run.
    pid_t pid = -1;
    int error = out < 0 || null < 0 ? errno : 0;
    if (out >= 0 && null >= 0) {
        posix_spawn_file_actions_t actions;
        posix_spawnattr_t attributes;
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
        posix_spawn_file_actions_adddup2(&actions, input_pipe[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, null, STDERR_FILENO);
        // Under its own number: a dup2 onto itself clears close-on-exec in the child alone.
        int channel = static_cast<int>(child.channel_child);
        if (channel >= 0) posix_spawn_file_actions_adddup2(&actions, channel, channel);
        posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
        sigset_t none, defaults;
        sigemptyset(&none);
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        char *const arguments[] = {program, const_cast<char *>(argument), nullptr};
        error = posix_spawn(&pid, program, &actions, &attributes, arguments, child_environment());
        if (error != 0) pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    close(input_pipe[0]);
    if (out >= 0) close(out);
    if (null >= 0) close(null);
    if (pid < 0) {
        close(input_pipe[1]);
        return refused(error);
    }
    child.process = pid;
    child.running = true;
    close_end(child.channel_child);
    // Far below the pipe's capacity: the write never waits for the child.
    write_all(input_pipe[1], input, input_count);
    close(input_pipe[1]);
    return true;
}

bool host_open_channel(host_child &child, unsigned long &number) {
    host_close_channel(child);
    // A channel stays open until its system is shown in listing order: behind one hung
    // system, thousands of ended children may each hold one. The usual soft limit of
    // 1024 descriptors is raised to what the system allows, once.
    static bool raised = false;
    if (!raised) {
        raised = true;
        struct rlimit limit;
        if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
            limit.rlim_cur = limit.rlim_max;
            setrlimit(RLIMIT_NOFILE, &limit);
        }
    }
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return refused(errno);
    // The run reads it only after the child's end, and never waits on it.
    fcntl(ends[0], F_SETFL, O_NONBLOCK);
    child.channel = ends[0];
    child.channel_child = ends[1];
    number = static_cast<unsigned long>(ends[1]);
    return true;
}

size_t host_read_channel(host_child &child, char *buffer, size_t capacity, bool &overflow) {
    size_t used = 0;
    overflow = false;
    int fd = static_cast<int>(child.channel);
    char spill[512];
    while (fd >= 0) {
        bool full = used == capacity;
        ssize_t count = full ? read(fd, spill, sizeof spill) : read(fd, buffer + used, capacity - used);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;  // its end, or nothing more without waiting
        if (full)
            overflow = true;
        else
            used += static_cast<size_t>(count);
    }
    host_close_channel(child);
    return used;
}

void host_close_channel(host_child &child) {
    close_end(child.channel);
    close_end(child.channel_child);
}

void host_hold_channel(unsigned long number) { fcntl(static_cast<int>(number), F_SETFD, FD_CLOEXEC); }

int host_write_channel(unsigned long number, const char *bytes, size_t count) {
    int fd = static_cast<int>(number);
    while (count > 0) {
        ssize_t written = write(fd, bytes, count);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return written < 0 ? errno : EIO;
        bytes += written;
        count -= static_cast<size_t>(written);
    }
    return 0;
}

int host_wait_any(host_child *children, size_t count, uint64_t deadline, child_end &end, int &status) {
    block_chld();
    for (;;) {
        bool any_running = false;
        for (size_t i = 0; i < count; ++i) {
            if (!children[i].running) continue;
            any_running = true;
            int wait_status = 0;
            pid_t done = waitpid(static_cast<pid_t>(children[i].process), &wait_status, WNOHANG);
            if (done != static_cast<pid_t>(children[i].process)) continue;
            children[i].running = false;
            if (WIFEXITED(wait_status)) {
                end = child_end::exited;
                status = WEXITSTATUS(wait_status);
            } else {
                end = child_end::crashed;
                status = WIFSIGNALED(wait_status) ? WTERMSIG(wait_status) : -1;
            }
            return static_cast<int>(i);
        }
        if (!any_running) return -1;
        uint64_t wait_ms = 200;  // a lost signal costs at most this long
        if (deadline != 0) {
            uint64_t now = host_clock_ms();
            if (now >= deadline) return -1;
            if (deadline - now < wait_ms) wait_ms = deadline - now;
        }
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGCHLD);
        struct timespec timeout = {static_cast<time_t>(wait_ms / 1000), static_cast<long>(wait_ms % 1000) * 1000000L};
        sigtimedwait(&set, nullptr, &timeout);
    }
}

void host_kill_child(host_child &child) {
    if (!child.running) return;
    kill(static_cast<pid_t>(child.process), SIGKILL);
    while (waitpid(static_cast<pid_t>(child.process), nullptr, 0) < 0 && errno == EINTR) {
    }
    child.running = false;
}

bool host_make_folder(const char *name) {
    native_name path;
    return native(name, path) && mkdir(path.c_str(), 0700) == 0;
}

bool host_remove_folder(const char *name) {
    native_name path;
    return native(name, path) && rmdir(path.c_str()) == 0;
}

namespace {

// An entry that lies on another file system than its folder, or at the top of a mount
// (a bind mount of a folder of the same file system keeps its device number), is a
// mount point: never reported as a folder, so that nothing walks into it.
bool is_mount_point(int folder_fd, const char *name, const struct stat &info, dev_t folder_device) {
    if (info.st_dev != folder_device) return true;
#if defined(__linux__) && defined(STATX_ATTR_MOUNT_ROOT)
    struct statx extended;
    if (statx(folder_fd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_TYPE, &extended) == 0 &&
        (extended.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0)
        return (extended.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
#else
    (void)folder_fd;
    (void)name;
#endif
    return false;
}

}  // namespace

bool host_list_folder(const char *name, host_entry_visitor visit, void *context) {
    native_name path;
    if (!native(name, path)) return false;
    // The folder itself is never reached through a link in its last part.
    int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat folder_info;
    DIR *folder = fstat(fd, &folder_info) == 0 ? fdopendir(fd) : nullptr;
    if (folder == nullptr) {
        close(fd);
        return false;
    }
    time_t now = time(nullptr);
    while (struct dirent *entry = readdir(folder)) {
        if (strcmp(entry->d_name, ".") == 0 || strcmp(entry->d_name, "..") == 0) continue;
        struct stat info;
        if (fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        bool is_folder = S_ISDIR(info.st_mode) && !is_mount_point(fd, entry->d_name, info, folder_info.st_dev);
        visit(entry->d_name, is_folder, static_cast<int64_t>(now - info.st_mtime), context);
    }
    closedir(folder);
    return true;
}

bool host_append_whole(const char *name, const char *bytes, size_t count) {
    native_name path;
    if (!native(name, path)) return false;
    int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool whole = write_all(fd, bytes, count);
    return close(fd) == 0 && whole;
}

size_t host_read_input(char *buffer, size_t capacity, bool &overflow) {
    size_t used = 0;
    overflow = false;
    char spill[512];
    for (;;) {
        bool full = used == capacity;
        ssize_t count = full ? read(STDIN_FILENO, spill, sizeof spill) : read(STDIN_FILENO, buffer + used, capacity - used);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return used;
        if (full)
            overflow = true;
        else
            used += static_cast<size_t>(count);
    }
}
