// The POSIX host: Windows-style names are mapped onto the file system. A relative
// name stays relative to the working directory, "X:\rest" lives below ROOT/X and
// "\rest" below ROOT/C, where ROOT is KORVANEL_DRIVE_ROOT (default "/"), the test
// seam of this port. Path parts are matched in any letter case when the exact name
// is missing, as Windows does, so `prd` finds `PRD.P00` on both builds.
#include <dirent.h>
#include <signal.h>
#include <termios.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "host/host.h"
#include "run/bounded_text.h"

namespace {

typedef bounded_text<4095> native_path;

bool exists(const char *path) {
    struct stat info;
    return lstat(path, &info) == 0;
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
        DIR *listing = opendir(directory.empty() ? "." : directory.c_str());
        if (listing != nullptr) {
            while (struct dirent *entry = readdir(listing)) {
                if (strlen(entry->d_name) == part_length && strncasecmp(entry->d_name, part, part_length) == 0) {
                    exact.truncate(directory_length);
                    exact.append(entry->d_name);
                    break;
                }
            }
            closedir(listing);
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

}  // namespace

void host_start() {}

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

bool host_delete(const char *name) {
    native_path path;
    if (!map_name(name, path)) return false;
    return unlink(path.c_str()) == 0;
}
