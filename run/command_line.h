// The command line as PRTG passes it: the profile argument and up to two parameter
// arguments, turned into the run record's parameter text, switches and profile name.
#pragma once

#include "core/options.h"

/// Fills parameter_text, parameter_string, trace_mode, multi_system_mode, item_label
/// and profile_name from the second to fourth arguments (the program path is the
/// first; later arguments are ignored). Parameter text beyond its capacity is cut; the
/// profile argument is never cut silently (profile_name.cut marks one that did not fit).
void parse_command_line(run_record &run, int argc, const char *const *argv);
