// Writing the "Password...:" or "Protected..:" line into a profile as its administrator
// saved it: the profile keeps its encoding (ANSI, UTF-8 with or without mark, UTF-16 LE
// or BE), its line ends and every other byte; only the line the sensor reads last is
// replaced, and the lines of the other form of password are removed.
#pragma once

#include <cstddef>

#include "host/line_reader.h"

// What put_password_line did.
struct password_line_edit {
    text_encoding encoding;  // the profile's encoding, by its byte order mark
    bool replaced;           // an existing line was replaced; otherwise one was added at the end
    size_t line_number;      // the written line, counted from 1
    size_t earlier_lines;    // lines of the same key before it, which the sensor also reads
    size_t removed_lines;    // lines of the other key, removed
};

// The keys of the two stored forms of a password.
extern const char *const scrambled_password_key;  // "Password...:"
extern const char *const protected_password_key;  // "Protected..:"

/// Copies the profile `in` (`in_length` bytes) to `out` with its last line of `key`
/// (also one that PowerShell appended in UTF-16 LE to an ANSI file) replaced by
/// `key` + " " + `stored`, in the profile's encoding and with the replaced line's
/// line end, or with that line added at the end: after a line end when the last line
/// has none, and followed by one (the profile's first line end, CR LF when it has none).
/// Every line of `other_key` (when not null) is left out; with no line of `key`, the new
/// line takes the place of the last of them. Sets `*out_length` and `edit`. Returns
/// false when `out_capacity` bytes are too few.
bool put_password_line(const unsigned char *in, size_t in_length, const char *key, const char *other_key,
                       const char *stored, unsigned char *out, size_t out_capacity, size_t *out_length,
                       password_line_edit &edit);
