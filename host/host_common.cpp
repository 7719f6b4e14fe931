// The host operations that are the same on every platform: standard output and
// the local time of day, both from the C library.
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "host/host.h"

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
