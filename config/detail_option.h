// DETAIL=YES or DETAIL=NO: whether a listing's summary also names its failed systems
// and gives every system's ASP usage a channel of its own. Read from the parameters as
// given and from the whole entry line of the global listing, never from the shortened
// parameter text, like the options of the time budget.
#pragma once

#include "core/run_record.h"

/// Looks for the first "DETAIL=" of `text` in any letter case; the value runs to a
/// blank, a comma or the end. Absent (or `text` null): returns true and sets `found`
/// false, leaving `detail` as it is. "YES" or "NO" in any letter case: sets `detail`
/// and `found` and returns true. Any other value: returns false with `message` set to
/// "Error 1023: Invalid Parameter DETAIL=<value as given> !".
bool read_detail_option(const char *text, bool &detail, bool &found, run_message &message);
