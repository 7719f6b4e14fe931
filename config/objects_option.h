// OBJECTS=YES or OBJECTS=NO: whether a run also reports the database objects that the
// ABAP dictionary and the database disagree on (DB02's missing objects). Read like
// DETAIL=, from the parameters as given and from the whole entry line of the global
// listing, the entry line winning.
#pragma once

#include "core/run_record.h"

/// Looks for the first "OBJECTS=" of `text` in any letter case; the value runs to a
/// blank, a comma or the end. Absent (or `text` null): returns true and sets `found`
/// false, leaving `objects` as it is. "YES" or "NO" in any letter case: sets `objects`
/// and `found` and returns true. Any other value: returns false with `message` set to
/// "Error 1028: Invalid Parameter OBJECTS=<value as given> !".
bool read_objects_option(const char *text, bool &objects, bool &found, run_message &message);
