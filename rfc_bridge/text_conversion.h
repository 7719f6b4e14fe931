// Character fields between the classic side (ISO-8859-1, one byte per character) and
// the NetWeaver side (UTF-16). A character that ISO-8859-1 lacks becomes '#', as
// SAP's own code page conversion writes it; a surrogate pair is one character.
#pragma once

#include <cstddef>

/// Writes `count` UTF-16 units of `in` as ISO-8859-1 into `out[0..count)`: each
/// character once, '#' for those outside ISO-8859-1, the rest filled with blanks
/// (a surrogate pair gives one '#' and so leaves one blank at the end).
void utf16_to_latin1(const char16_t *in, size_t count, char *out);
/// Writes `count` ISO-8859-1 bytes of `in` as UTF-16 units into `out[0..count)`.
void latin1_to_utf16(const char *in, size_t count, char16_t *out);
/// Writes the terminated ISO-8859-1 `in` as a terminated UTF-16 text into `out`
/// of `capacity` units (terminator included); false when it had to be cut.
bool latin1_to_utf16_text(const char *in, char16_t *out, size_t capacity);
/// Writes the terminated UTF-16 `in` as a terminated ISO-8859-1 text into `out` of
/// `capacity` bytes ('#' for what ISO-8859-1 lacks); false when it had to be cut.
bool utf16_to_latin1_text(const char16_t *in, char *out, size_t capacity);
