// Options of the parameter text: found by plain substring search in the upper-cased
// parameter string, their values copied from the parameter text in their own case.
// Every step folder reads its options here, below the command line that fills them.
#pragma once

#include "core/run_record.h"

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

/// Where an option's value stands in a text as given: `text` null when the option is
/// absent, else the value's first character and its length.
struct given_value {
    const char *text;
    size_t length;
};

/// Finds the first `keyword` (such as "TIMEOUT=") in `text`, its letters compared in
/// any case, and returns its value: the characters after it up to a blank, a comma or
/// the end. Reads a text of any length; copies nothing.
given_value find_given_option(const char *text, const char *keyword);

/// Reads the switch `keyword` (such as "DETAIL=") from `text` like find_given_option.
/// Absent (or `text` null): returns true and sets `found` false, leaving `yes` as it
/// is. "YES" or "NO" in any letter case: sets `yes` and `found` and returns true. Any
/// other value (an abbreviation or "TRUE" may mean either to the one who typed it):
/// returns false with `message` set from `message_format` (a printf format with one
/// %s) with the value as given, its end kept however long the value.
bool read_yes_no_option(const char *text, const char *keyword, const char *message_format, bool &yes, bool &found,
                        run_message &message);

/// Reads `value` as a whole number from `minimum` to `maximum` into `number`: one or
/// more decimal digits and nothing else (no sign, no blank, no decimal point). False
/// for an absent or empty value, any other character, or a number out of the range,
/// however many digits it has (it never wraps).
bool read_whole_number(given_value value, unsigned minimum, unsigned maximum, unsigned &number);
