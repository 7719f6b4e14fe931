// The host operations that are the same on every platform: standard output and
// the local time of day, both from the C library.
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "host/host.h"
#include "host/host_process.h"

void host_time_of_day(char out[9]) {
    time_t now = time(nullptr);
    // The classic 24-character time stamp carries hh:mm:ss at characters 12 to 19.
    const char *stamp = ctime(&now);
    if (stamp == nullptr || strlen(stamp) < 19) {
        memcpy(out, "00:00:00", 9);
        return;
    }
    memcpy(out, stamp + 11, 8);
    out[8] = '\0';
}

void host_write_stdout(const char *bytes, size_t count) {
    if (count > 0) fwrite(bytes, 1, count, stdout);
}

void host_print(const char *text) { host_write_stdout(text, strlen(text)); }

void host_flush() { fflush(stdout); }

void host_exit(int status) {
    fflush(stdout);
    exit(status);
}

void host_take_module_path(host_module_path &out, const char *path, size_t length) {
    out.clear();
    if (length <= out.capacity) {
        out.append(path, length);
        return;
    }
    // The drive and first folders, then as much of the end as fits: the file's name and
    // the folders that tell one installation from another are at the end.
    constexpr size_t head = 60;
    constexpr size_t tail = host_module_path::capacity - head - 3;
    out.append(path, head);
    out.append("...");
    out.append(path + length - tail, tail);
    out.cut = true;
}

bool host_is_prtg_variable(const char *entry) {
    const char *prefix = "prtg_";
    for (size_t i = 0; prefix[i] != '\0'; ++i) {
        char c = entry[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}
