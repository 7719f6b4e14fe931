// LIMITS=<warning>/<error>: the limits of the "System ASP used" channel, written into
// the document on request so that the sensor turns yellow and red without anyone
// setting limits by hand. Read from the parameters as given, never from the shortened
// parameter text, so a long parameter field cannot cut a value into another one.
#pragma once

#include "core/run_record.h"

/// Looks for "LIMITS=" in `text` in any letter case; the value runs to a blank, a comma
/// or the end. Absent: returns true and leaves `limits` as it is. A value of two whole
/// numbers from 1 to 100 joined by "/", the first below the second: sets the warning
/// and error limits of `limits` and returns true. Any other value: returns false with
/// `message` set to "Error 1019: Invalid Parameter LIMITS=<value as given> !".
bool read_limits_option(const char *text, channel_limits &limits, run_message &message);
