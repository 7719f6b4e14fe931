// The stand-in's call log for tests: when KORVANEL_RFC_CALL_LOG names a file, every
// library call appends one line saying what the program passed. Passwords appear
// only as their length, never as their characters.
#pragma once

#include "rfc_standin/standin_state.h"

/// One line of the call log, built by the function it describes.
typedef bounded_text<2000> call_line;

/// True when KORVANEL_RFC_CALL_LOG names a file (read at every call: tests set it between calls).
bool call_log_wanted();
/// Appends `line` and a line feed to the call log; nothing when none is set.
void log_call(const call_line &line);
/// Appends " key=value": `<null>` for an absent text, double quotes around an empty
/// text or one with blanks (or always, when `quoted`).
void log_text(call_line &line, const char *key, const char *value, bool quoted = false);
/// Appends " key=<n chars>" (or `<null>`): a password's length, never its characters.
void log_secret(call_line &line, const char *key, const char *value);
/// Appends "key=<n chars>" for a secret given with its length.
void log_secret_length(call_line &line, const char *key, size_t length);
