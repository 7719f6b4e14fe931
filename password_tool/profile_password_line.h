// Writing the "Password...:" line into a profile as its administrator saved it: the
// profile keeps its encoding (ANSI, UTF-8 with or without mark, UTF-16 LE or BE), its
// line ends and every other byte; only the line the sensor reads last is replaced.
#pragma once

#include <cstddef>

#include "host/line_reader.h"

// What put_password_line did.
struct password_line_edit {
    text_encoding encoding;  // the profile's encoding, by its byte order mark
    bool replaced;           // an existing line was replaced; otherwise one was added at the end
    size_t line_number;      // the written line, counted from 1
    size_t earlier_lines;    // "Password...:" lines before it, which the sensor also reads
};

/// Copies the profile `in` (`in_length` bytes) to `out` with its last "Password...:" line
/// (also one that PowerShell appended in UTF-16 LE to an ANSI file) replaced by
/// "Password...: " + `stored`, in the profile's encoding and with the replaced line's
/// line end, or with that line added at the end: after a line end when the last line
/// has none, and followed by one (the profile's first line end, CR LF when it has none).
/// Sets `*out_length` and `edit`. Returns false when `out_capacity` bytes are too few.
bool put_password_line(const unsigned char *in, size_t in_length, const char *stored, unsigned char *out,
                       size_t out_capacity, size_t *out_length, password_line_edit &edit);
