// Fuzz target: any four arguments (split at NUL bytes) through the command line,
// the option lookups and the trace line.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "run/command_line.h"
#include "run/console_trace.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static char text[8192];
    if (size >= sizeof text) return 0;
    memcpy(text, data, size);
    text[size] = '\0';
    const char *argv[5] = {"Korvanel.exe", text, "", "", ""};
    int argc = 2;
    for (size_t i = 0; i < size && argc < 5; ++i)
        if (text[i] == '\0') argv[argc++] = text + i + 1;
    static run_record run;
    run = run_record{};
    parse_command_line(run, argc, argv);
    bounded_text<90> value;
    option_value(run, ",HOST=", value);
    option_value(run, "CH=", value);
    set_trace_line(run, "Executing", "* %s %s - %s", "12:00:00", run.profile_name.c_str(), run.parameter_text.c_str());
    return 0;
}
