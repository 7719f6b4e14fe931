// The log file is opened and closed for every line, so the log is complete even
// when the program's error handler ends the process in the middle of a call.
#include "rfc_standin/call_log.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

void log_call(const call_line &line) {
    const char *name = getenv("KORVANEL_RFC_CALL_LOG");
    if (name == nullptr || name[0] == '\0') return;
    // Binary: the log reads the same, byte for byte, from both builds.
    FILE *file = fopen(name, "ab");
    if (file == nullptr) return;
    fprintf(file, "%s\n", line.c_str());
    fclose(file);
}

void log_text(call_line &line, const char *key, const char *value, bool quoted) {
    if (value == nullptr) {
        line.append_format(" %s=<null>", key);
        return;
    }
    if (quoted || value[0] == '\0' || strchr(value, ' ') != nullptr)
        line.append_format(" %s=\"%s\"", key, value);
    else
        line.append_format(" %s=%s", key, value);
}

void log_secret(call_line &line, const char *key, const char *value) {
    if (value == nullptr) {
        line.append_format(" %s=<null>", key);
        return;
    }
    line.append_char(' ');
    log_secret_length(line, key, strlen(value));
}

void log_secret_length(call_line &line, const char *key, size_t length) {
    line.append_format("%s=<%lu chars>", key, static_cast<unsigned long>(length));
}
