// The plain-text forms of a result that two host programs read instead of PRTG XML:
// Gantries' "Message."/"Statistic." line pair and Brimtol's "> " line or single
// selected value. Text is written as it is: these forms know no escaping.
#pragma once

#include "core/run_record.h"

constexpr size_t working_area_capacity = 123;  // value, channel, key and unit copies

/// Writes the Gantries key of `channel` into `key`: blank, "/", "\", "[", "]", "*",
/// "(", ")", ":" and "-" become "_", then the first "." does too; cut at its capacity.
void channel_key(const char *channel, bounded_text<working_area_capacity> &key);

/// Returns the unit as the text flavours show it: "#" for an empty unit, "%" for
/// "PerCent", "mSec" for "TimeResponse", any other unit itself (exact comparisons).
const char *unit_mark(const char *unit);

/// Brimtol's channel selection: true when parameter_string holds "CH=", with `number`
/// read from at most 3 characters after it, up to a comma, like atoi (0 without digits).
bool selected_channel(const run_record &run, long &number);

/// Appends to `element` the Gantries or Brimtol form of result number result_count
/// (already raised) with the channel name, value and unit as given.
void append_text_result(const run_record &run, const char *channel, const char *value, const char *unit,
                        bounded_text<output_buffer_capacity> &element);
