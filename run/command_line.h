// The command line as PRTG passes it: the profile argument and up to two parameter
// arguments, turned into the run record's parameter text, switches and profile name.
#pragma once

#include "run/run_record.h"

/// Fills parameter_text, parameter_string, trace_mode, multi_system_mode, item_label
/// and profile_name from the second to fourth arguments (the program path is the
/// first; later arguments are ignored). Parameter text beyond its capacity is cut; the
/// profile argument is never cut silently (profile_name.cut marks one that did not fit).
void parse_command_line(run_record &run, int argc, const char *const *argv);

/// The global listing file that the profile name "GLOBAL" selects.
constexpr const char *global_listing_name = "SAP Wendmark.Gbl";

/// True when `name`, with a to z upper-cased, is "GLOBAL.P00": the profile name that
/// selects the global listing instead of one profile.
bool is_global_profile_name(const char *name);

/// Finds `option` in parameter_string and copies its value from parameter_text (same
/// position, own letter case) into `value`: up to a blank, a comma or the end, at most
/// value's capacity. Returns false when the option is absent.
template <size_t Capacity>
bool option_value(const run_record &run, const char *option, bounded_text<Capacity> &value);

/// Untemplated core of option_value: copies at most `limit` characters.
bool option_value_into(const run_record &run, const char *option, char *out, size_t limit);

template <size_t Capacity>
bool option_value(const run_record &run, const char *option, bounded_text<Capacity> &value) {
    char buffer[Capacity + 1];
    bool found = option_value_into(run, option, buffer, Capacity);
    value.assign(found ? buffer : "");
    return found;
}
