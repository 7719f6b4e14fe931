// How text becomes document content. Text comes from outside the program (a DB02
// answer, a trace file, PRTG's parameter field, a profile saved in any encoding), so
// the writer alone turns it into something every reader of the document takes the
// same way: control characters become blanks and, in XML, markup characters become
// entities and every character beyond ASCII a numeric character reference.
#pragma once

#include <cstddef>

#include "core/run_record.h"

/// What content_put does to the bytes it appends.
enum class content_form {
    markup,      // our own elements and literals: copied as they are
    plain_text,  // a text flavour's line: control characters as blanks, other bytes kept
    xml,         // XML content: control characters as blanks, "<", ">", "&" as entities,
                 // characters beyond ASCII as "&#N;" (UTF-8 where valid, else ANSI)
};

/// Appends at most `count` bytes of `text` (stopping at a NUL) to `out` in `form`,
/// never letting out's length pass `limit`: an entity or reference is written whole or
/// not at all. Returns false when it had to stop before the end of the text. In XML an
/// incomplete UTF-8 sequence at the very end of the text, left there by a cut, is
/// dropped when the text is evidently UTF-8 (see content_put's comment).
bool content_put(bounded_text<output_buffer_capacity> &out, const char *text, size_t count, content_form form,
                 size_t limit);

/// Decodes the UTF-8 sequence that begins at `bytes` (`available` bytes readable, the
/// first >= 0x80): returns its length and sets `code_point` when it is a complete,
/// shortest-form sequence of a character up to U+10FFFF that is no surrogate; returns 0
/// otherwise, with `cut_short` true when the bytes are a valid start that the end of
/// the text cuts short.
size_t utf8_sequence(const unsigned char *bytes, size_t available, unsigned long &code_point, bool &cut_short);

/// The length `text` (`length` bytes) keeps when a cut left part of a UTF-8 character
/// at its end and the text is evidently UTF-8 (as content_put drops it in XML); else
/// `length`.
size_t length_without_cut_utf8(const char *text, size_t length);

/// The bytes of the first `characters` characters of `text` (`length` bytes), each
/// counted as a reader of the document counts it: a valid UTF-8 sequence is one
/// character, any other byte one. `length` when the text has no more characters.
size_t character_prefix_length(const char *text, size_t length, size_t characters);
/// The characters of `text` (`length` bytes), counted as character_prefix_length counts them.
size_t character_count(const char *text, size_t length);
