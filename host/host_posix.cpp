// The POSIX host: Windows-style names are mapped onto the file system. A relative
// name stays relative to the working directory, "X:\rest" lives below ROOT/X and
// "\rest" below ROOT/C, where ROOT is KORVANEL_DRIVE_ROOT (default "/"), the test
// seam of this port. Path parts are matched in any letter case when the exact name
// is missing, as Windows does, so `prd` finds `PRD.P00` on both builds; the names of
// the last directory scanned are kept while that directory stays unchanged.
#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <link.h>
#include <pthread.h>
#include <signal.h>
#include <termios.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "host/host.h"
#include "core/bounded_text.h"

namespace {

typedef bounded_text<4095> native_path;

bool exists(const char *path) {
    struct stat info;
    return lstat(path, &info) == 0;
}

typedef bounded_text<255> entry_name;

// The entry names of the directory scanned last, in the order the scan met them. A
// multi-system run looks up the missing "SapRfc.<destination>" of every system in the
// directory that holds all the profiles: scanning it each time made every system cost
// more the more systems the listing named.
struct kept_listing {
    bool valid;
    dev_t device;
    ino_t inode;
    struct timespec changed;  // the directory's status-change time when scanned
    size_t used;
    unsigned char names[32768];  // each name as its length (one byte) and its characters
};
kept_listing kept;

// Any entry added, removed or renamed sets a directory's status-change time to the
// present, and no program can set it back. A listing is kept only when that time lies
// more than a second in the past: a later change then always shows as another time,
// even where the file system's clock runs coarse or a little apart from ours.
bool may_keep(const struct stat &directory) {
    struct timespec now;
    if (clock_gettime(CLOCK_REALTIME, &now) != 0) return false;
    long long age = (static_cast<long long>(now.tv_sec) - directory.st_ctim.tv_sec) * 1000000000LL +
                    (now.tv_nsec - directory.st_ctim.tv_nsec);
    return age > 1000000000LL;
}

bool is_kept(const struct stat &directory) {
    return kept.valid && kept.device == directory.st_dev && kept.inode == directory.st_ino &&
           kept.changed.tv_sec == directory.st_ctim.tv_sec && kept.changed.tv_nsec == directory.st_ctim.tv_nsec;
}

bool same_name(const char *name, size_t name_length, const char *part, size_t part_length) {
    return name_length == part_length && strncasecmp(name, part, part_length) == 0;
}

// Reads the directory for an entry named `part` in any letter case, keeping all its
// names when `keep` is set and they fit.
bool scan_directory(const char *directory, const struct stat &info, bool keep, const char *part,
                    size_t part_length, entry_name &found) {
    DIR *listing = opendir(directory);
    if (listing == nullptr) return false;
    if (keep) {
        kept.valid = false;
        kept.used = 0;
    }
    bool fits = keep;
    bool matched = false;
    while (struct dirent *entry = readdir(listing)) {
        size_t length = strlen(entry->d_name);
        if (!matched && same_name(entry->d_name, length, part, part_length)) {
            found.assign(entry->d_name);
            matched = true;
        }
        if (matched && !fits) break;
        if (!fits) continue;
        fits = length <= 255 && length + 1 <= sizeof kept.names - kept.used;
        if (fits) {
            kept.names[kept.used] = static_cast<unsigned char>(length);
            memcpy(kept.names + kept.used + 1, entry->d_name, length);
            kept.used += length + 1;
        }
    }
    closedir(listing);
    if (fits) {
        kept.device = info.st_dev;
        kept.inode = info.st_ino;
        kept.changed = info.st_ctim;
        kept.valid = true;
    }
    return matched;
}

// The name of the entry of `directory` that is `part` in any letter case; false when
// there is none.
bool find_in_any_case(const char *directory, const char *part, size_t part_length, entry_name &found) {
    struct stat info;
    if (stat(directory, &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    if (!is_kept(info)) return scan_directory(directory, info, may_keep(info), part, part_length, found);
    for (size_t at = 0; at < kept.used; at += kept.names[at] + 1u) {
        const char *name = reinterpret_cast<const char *>(kept.names + at + 1);
        if (same_name(name, kept.names[at], part, part_length)) {
            found.assign(name, kept.names[at]);
            return true;
        }
    }
    return false;
}

// Appends `part` to `path`, taking the name of an existing entry that differs only
// in letter case when the exact one is missing.
void append_part(native_path &path, const char *part, size_t part_length) {
    native_path exact = path;
    if (!exact.empty() && exact.data[exact.length - 1] != '/') exact.append_char('/');
    size_t directory_length = exact.length;
    exact.append(part, part_length);
    if (!exists(exact.c_str())) {
        native_path directory = exact;
        directory.truncate(directory_length);
        entry_name found;
        if (find_in_any_case(directory.empty() ? "." : directory.c_str(), part, part_length, found)) {
            exact.truncate(directory_length);
            exact.append(found.c_str());
        }
    }
    path = exact;
}

// Maps a Windows-style name to a native path; false when it does not fit.
bool map_name(const char *name, native_path &path) {
    path.clear();
    const char *rest = name;
    char drive = 0;
    if (((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')) && name[1] == ':') {
        drive = static_cast<char>(name[0] & ~0x20);
        rest = name + 2;
    } else if (name[0] == '\\') {
        drive = 'C';
    }
    if (drive != 0) {
        const char *root = getenv("KORVANEL_DRIVE_ROOT");
        path.assign(root != nullptr && root[0] != '\0' ? root : "/");
        while (path.length > 1 && path.data[path.length - 1] == '/') path.truncate(path.length - 1);
        if (path.data[path.length - 1] != '/') path.append_char('/');
        path.append_char(drive);
        while (*rest == '\\') ++rest;
    }
    while (*rest != '\0') {
        const char *end = rest;
        while (*end != '\0' && *end != '\\' && *end != '/') ++end;
        if (end > rest) append_part(path, rest, static_cast<size_t>(end - rest));
        if (*end == '\0') break;
        rest = end + 1;
        if (*rest == '\0') path.append_char('/');
    }
    return !path.cut && !path.empty();
}

// The terminal settings from before echo was switched off, restored on an interrupt
// so that the shell is not left without echo.
struct termios echo_settings;
bool echo_is_off = false;

void restore_echo_and_stop(int signal_number) {
    tcsetattr(STDIN_FILENO, TCSANOW, &echo_settings);
    signal(signal_number, SIG_DFL);
    raise(signal_number);
}

// The watchdog's one setting, written before its thread starts.
struct watchdog_setting {
    uint64_t deadline;
    void (*at_deadline)();
};
watchdog_setting watchdog;

void *watch(void *) {
    struct timespec until;
    until.tv_sec = static_cast<time_t>(watchdog.deadline / 1000);
    until.tv_nsec = static_cast<long>(watchdog.deadline % 1000) * 1000000L;
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
    watchdog.at_deadline();
    return nullptr;
}

// Taken while the program is loaded, before main: as near to the start as POSIX lets
// a program see it.
const uint64_t process_start = host_clock_ms();

}  // namespace

void host_start() {}

size_t host_ansi_from_utf16(const uint16_t *units, size_t count, unsigned char out[8]) {
    // Windows-1252 where it differs from Latin-1: the characters of bytes 80 to 9F. The
    // five bytes that name no character there stand for the code points of their value,
    // as on Windows.
    static const uint16_t high_c1[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    out[0] = '?';
    if (count != 1) return 1;  // beyond the basic plane: never in Windows-1252
    uint16_t unit = units[0];
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
        out[0] = static_cast<unsigned char>(unit);
        return 1;
    }
    for (size_t i = 0; i < 32; ++i)
        if (high_c1[i] == unit) out[0] = static_cast<unsigned char>(0x80 + i);
    return 1;
}

uint64_t host_clock_ms() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}

uint64_t host_process_start_ms() { return process_start; }

void host_sleep_ms(unsigned milliseconds) {
    struct timespec rest;
    rest.tv_sec = milliseconds / 1000;
    rest.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
}

bool host_start_watchdog(uint64_t deadline, void (*at_deadline)()) {
    watchdog.deadline = deadline;
    watchdog.at_deadline = at_deadline;
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return false;
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    bool started = pthread_create(&thread, &attributes, watch, nullptr) == 0;
    pthread_attr_destroy(&attributes);
    return started;
}

void host_terminate(int status) {
    fflush(stdout);
    _exit(status);
}

namespace {

const int crash_signals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE};
void (*crash_notice)() = nullptr;
// The crash is answered on a stack of its own: the library's may be what broke. Room
// for a listing's summary being written, as on the watchdog's thread.
alignas(16) char crash_stack[256 * 1024];

void on_crash_signal(int signal_number) {
    crash_notice();
    // Not taken over: the fault ends the process as it always did. A fault of the
    // processor comes back when the instruction runs again; a sent signal is raised.
    signal(signal_number, SIG_DFL);
    raise(signal_number);
}

}  // namespace

bool host_catch_crashes(void (*on_crash)()) {
    crash_notice = on_crash;
    stack_t stack;
    memset(&stack, 0, sizeof stack);
    stack.ss_sp = crash_stack;
    stack.ss_size = sizeof crash_stack;
    if (sigaltstack(&stack, nullptr) != 0) return false;
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = on_crash_signal;
    action.sa_flags = SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    bool installed = true;
    for (int signal_number : crash_signals) installed = sigaction(signal_number, &action, nullptr) == 0 && installed;
    return installed;
}

unsigned long host_thread_id() { return static_cast<unsigned long>(pthread_self()); }

namespace {
constexpr unsigned lock_retry_ms = 10;  // between two tries for a lock held by another process
}  // namespace

host_file_lock host_lock_file(const char *name) { return host_lock_file_until(name, 0); }

host_file_lock host_lock_file_until(const char *name, uint64_t deadline) {
    native_path path;
    if (!map_name(name, path)) return host_no_lock;
    int file = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (file < 0) return host_no_lock;
    // With a deadline the lock is asked for without waiting, again and again, since a
    // waiting flock cannot be given a time limit.
    while (flock(file, deadline == 0 ? LOCK_EX : LOCK_EX | LOCK_NB) != 0) {
        bool held_elsewhere = errno == EWOULDBLOCK && deadline != 0 && host_clock_ms() < deadline;
        if (held_elsewhere) {
            host_sleep_ms(lock_retry_ms);
        } else if (errno != EINTR) {
            close(file);
            return host_no_lock;
        }
    }
    return file;
}

void host_unlock_file(host_file_lock lock) {
    if (lock == host_no_lock) return;
    flock(static_cast<int>(lock), LOCK_UN);
    close(static_cast<int>(lock));
}

bool host_stdin_is_terminal() { return isatty(STDIN_FILENO) == 1; }

bool host_set_stdin_echo(bool on) {
    if (!host_stdin_is_terminal()) return false;
    if (on) {
        if (!echo_is_off) return true;
        echo_is_off = false;
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        return tcsetattr(STDIN_FILENO, TCSANOW, &echo_settings) == 0;
    }
    if (echo_is_off) return true;
    if (tcgetattr(STDIN_FILENO, &echo_settings) != 0) return false;
    struct termios silent = echo_settings;
    silent.c_lflag &= static_cast<tcflag_t>(~ECHO);
    signal(SIGINT, restore_echo_and_stop);
    signal(SIGTERM, restore_echo_and_stop);
    echo_is_off = tcsetattr(STDIN_FILENO, TCSANOW, &silent) == 0;
    return echo_is_off;
}

bool host_list_files(const char *folder, void (*each)(const char *name, void *context), void *context) {
    native_path path;
    if (!map_name(folder, path)) return false;
    DIR *directory = opendir(path.c_str());
    if (directory == nullptr) return false;
    for (struct dirent *entry = readdir(directory); entry != nullptr; entry = readdir(directory)) {
        native_path file = path;
        file.append("/");
        file.append(entry->d_name);
        struct stat info;
        if (!file.cut && stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode)) each(entry->d_name, context);
    }
    closedir(directory);
    return true;
}

FILE *host_open_read(const char *name) {
    native_path path;
    if (!map_name(name, path)) return nullptr;
    FILE *file = fopen(path.c_str(), "rb");
    if (file == nullptr) return nullptr;
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || S_ISDIR(info.st_mode)) {
        fclose(file);
        return nullptr;
    }
    return file;
}

FILE *host_create_write(const char *name) {
    native_path path;
    if (!map_name(name, path)) return nullptr;
    return fopen(path.c_str(), "wb");
}

namespace {

host_file_result result_of(int error) {
    if (error == ENOENT || error == ENOTDIR) return host_file_result::missing;
    if (error == EACCES || error == EPERM || error == EROFS) return host_file_result::denied;
    return host_file_result::failed;
}

// The file that `name` stands for, links resolved, so that the new file goes beside
// it and the link stays a link.
host_file_result resolve_file(const char *name, char (&target)[PATH_MAX], struct stat &info) {
    native_path path;
    if (!map_name(name, path)) return host_file_result::missing;
    if (realpath(path.c_str(), target) == nullptr) return result_of(errno);
    if (stat(target, &info) != 0) return result_of(errno);
    if (!S_ISREG(info.st_mode)) return host_file_result::missing;
    return host_file_result::done;
}

void directory_of(const char *target, native_path &directory) {
    directory.assign(target);
    const char *slash = strrchr(target, '/');
    directory.truncate(slash == nullptr ? 0 : (slash == target ? 1 : static_cast<size_t>(slash - target)));
    if (directory.empty()) directory.assign(".");
}

}  // namespace

host_file_result host_check_replaceable(const char *name) {
    char target[PATH_MAX];
    struct stat info;
    host_file_result found = resolve_file(name, target, info);
    if (found != host_file_result::done) return found;
    // A file that nobody may write is read-only, also for root, as the attribute is on Windows.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return host_file_result::denied;
    if (access(target, W_OK) != 0) return result_of(errno);
    native_path directory;
    directory_of(target, directory);
    if (access(directory.c_str(), W_OK | X_OK) != 0) return result_of(errno);
    return host_file_result::done;
}

host_file_result host_replace_file(const char *name, const unsigned char *bytes, size_t count) {
    host_file_result ready = host_check_replaceable(name);
    if (ready != host_file_result::done) return ready;
    char target[PATH_MAX];
    struct stat info;
    host_file_result found = resolve_file(name, target, info);
    if (found != host_file_result::done) return found;
    native_path directory;
    directory_of(target, directory);
    native_path temporary;
    temporary.format("%s/.korvanel-XXXXXX", directory.c_str());
    if (temporary.cut) return host_file_result::failed;
    int descriptor = mkstemp(temporary.data);
    if (descriptor < 0) return result_of(errno);
    bool written = fchmod(descriptor, info.st_mode & 07777) == 0;
    // The owner can only be kept by root; a file of one's own stays one's own anyway.
    if (fchown(descriptor, info.st_uid, info.st_gid) != 0) {
    }
    for (size_t at = 0; written && at < count;) {
        ssize_t done = write(descriptor, bytes + at, count - at);
        if (done <= 0 && errno != EINTR) written = false;
        if (done > 0) at += static_cast<size_t>(done);
    }
    int error = written ? 0 : errno;
    if (written && fsync(descriptor) != 0) {
        written = false;
        error = errno;
    }
    if (close(descriptor) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && rename(temporary.c_str(), target) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        unlink(temporary.c_str());
        return error == 0 ? host_file_result::failed : result_of(error);
    }
    return host_file_result::done;
}

bool host_delete(const char *name) {
    native_path path;
    if (!map_name(name, path)) return false;
    return unlink(path.c_str()) == 0;
}

bool host_file_size(const char *name, uint64_t &size) {
    native_path path;
    struct stat status;
    if (!map_name(name, path) || stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
    size = static_cast<uint64_t>(status.st_size);
    return true;
}

bool host_rename_replacing(const char *from, const char *to) {
    native_path from_path, to_path;
    if (!map_name(from, from_path) || !map_name(to, to_path)) return false;
    return rename(from_path.c_str(), to_path.c_str()) == 0;
}

namespace {

// Windows-1252, the ANSI code page of Western European Windows, from 0x80 to 0x9F; the
// bytes it leaves undefined keep their own value, as Windows itself maps them. From
// 0xA0 on it equals Latin-1.
const unsigned short windows_1252_high[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

size_t host_decode_ansi(const unsigned char *bytes, size_t, unsigned long *code_point) {
    // This port has no code page of its own: it reads text as a Western European
    // Windows probe would, so both builds print the same document.
    unsigned char byte = bytes[0];
    *code_point = (byte >= 0x80 && byte < 0xA0) ? windows_1252_high[byte - 0x80] : byte;
    return 1;
}

bool host_find_rfc_library(host_module_path &path, rfc_library_describe_function &describe) {
    path.clear();
    describe = nullptr;
    // The module the loader mapped for the program's imports, by the name it needed:
    // the one the RUNPATH names, or one found first through LD_LIBRARY_PATH.
    void *library = dlopen("librfc32.so", RTLD_LAZY | RTLD_NOLOAD);
    if (library == nullptr) return false;
    struct link_map *map = nullptr;
    if (dlinfo(library, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && map->l_name != nullptr) {
        // The loader keeps the name it opened: relative when a search folder was.
        native_path full;
        char here[PATH_MAX];
        if (map->l_name[0] != '/' && getcwd(here, sizeof here) != nullptr) full.format("%s/", here);
        full.append(map->l_name);
        host_take_module_path(path, full.c_str(), full.length);
    }
    describe = reinterpret_cast<rfc_library_describe_function>(dlsym(library, rfc_library_describe_name));
    dlclose(library);  // only the reference this lookup took: the program's own stays
    return true;
}
