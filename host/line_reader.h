// Reads text files the way the program has always read them on Windows: in pieces
// of at most N characters, with CR LF arriving as LF before the piece is counted, so
// every host splits long lines at the same places. Byte 0x1A is an ordinary byte.
#pragma once

#include <cstddef>
#include <cstdio>

/// Reads the next piece of at most `max_characters` characters (the line feed included)
/// into `out` and terminates it; the piece ends after a line feed, at the limit or at
/// the end of the file. A CR directly followed by LF arrives as one LF; a lone CR stays.
/// The text is cut at a NUL byte, as the C string routines would see it.
/// `out` must hold max_characters + 1 bytes. Returns false at the end of the file.
bool read_piece(FILE *file, char *out, size_t max_characters);

/// Removes a trailing carriage return, then a trailing line feed.
void strip_line_end(char *text);

/// read_piece followed by strip_line_end.
bool read_line(FILE *file, char *out, size_t max_characters);
