// Options of the parameter text, and the profile name that selects the global listing.
#include "core/options.h"

#include <cstring>

bool is_global_profile_name(const char *name) {
    bounded_text<16> upper;
    if (!upper.assign(name)) return false;
    text_upper_ascii(upper.data);
    return upper.equals("GLOBAL.P00");
}

bool option_value_into(const run_record &run, const char *option, char *out, size_t limit) {
    out[0] = '\0';
    long at = run.parameter_string.find(option);
    if (at < 0) return false;
    size_t from = static_cast<size_t>(at) + strlen(option);
    size_t taken = 0;
    while (taken < limit) {
        char c = run.parameter_text.data[from + taken];
        if (c == '\0' || c == ' ' || c == ',') break;
        out[taken++] = c;
    }
    out[taken] = '\0';
    return true;
}
