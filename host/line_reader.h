// Reads text files the way the program has always read them on Windows: in pieces
// of at most N characters, with CR LF arriving as LF before the piece is counted, so
// every host splits long lines at the same places. Byte 0x1A is an ordinary byte.
// Files that administrators write may also come as Notepad and PowerShell save them:
// their UTF-8 mark is skipped and UTF-16 text arrives in the probe's ANSI code page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// What the reader makes of a file's bytes.
enum class text_decoding {
    bytes,       // byte for byte (the RFC library's own files)
    as_saved,    // an administrator's file: marks and UTF-16 recognised
};

// The encoding a file turned out to have, known after its first read.
enum class text_encoding {
    ansi,        // bytes; a line with a NUL in every second byte is UTF-16 LE
    utf8_mark,   // bytes after the UTF-8 byte order mark
    utf16_le,    // UTF-16 with its byte order mark FF FE
    utf16_be,    // UTF-16 with its byte order mark FE FF
};

// Bytes of a file looked at ahead, at the start of each line, to tell a UTF-16 LE line
// that PowerShell appended to an ANSI file; a longer line is judged by its first bytes.
constexpr size_t line_window_bytes = 4096;

// One file being read. Zero it with open_text_reader before the first read.
struct text_reader {
    FILE *file;
    text_decoding decoding;
    text_encoding encoding;
    bool started;            // the byte order mark has been looked for
    bool line_start;         // the next character begins a line
    bool utf16_line;         // the current line of an ANSI file is UTF-16 LE
    bool piece_ended_line;   // the last piece ended its line (a line feed or the file's end)
    int pushed_back;         // one character handed back, or -1
    int pushed_unit;         // one UTF-16 unit handed back, or -1
    unsigned char lead[3];   // the file's first bytes, read to look for a byte order mark
    size_t lead_length;
    size_t lead_at;
    bool last_from_lead;     // the last byte read came from `lead`
    unsigned char pending[8];  // bytes of a converted character not yet handed out
    size_t pending_length;
    size_t pending_at;
    unsigned char window[line_window_bytes];  // the start of the current line, read ahead
    size_t window_length;
    size_t window_at;
    size_t split_at;         // where UTF-16 appended behind ANSI text begins; 0: no split
};

/// Prepares `reader` to read the open `file` with the given decoding; the reader does
/// not own the file (the caller closes it).
void open_text_reader(text_reader &reader, FILE *file, text_decoding decoding);

/// Reads the next piece of at most `max_characters` characters (the line feed included)
/// into `out` and terminates it; the piece ends after a line feed, at the limit or at
/// the end of the file (reader.piece_ended_line tells which). A CR directly followed by
/// LF arrives as one LF; a lone CR stays. The text is cut at a NUL character, as the C
/// string routines would see it. `out` must hold max_characters + 1 bytes. Returns false
/// at the end of the file.
bool read_piece(text_reader &reader, char *out, size_t max_characters);

/// Removes a trailing carriage return, then a trailing line feed.
void strip_line_end(char *text);

/// read_piece followed by strip_line_end.
bool read_line(text_reader &reader, char *out, size_t max_characters);

/// Reads the rest of the current line after a piece that did not end it, and drops it;
/// afterwards the next piece begins a line. Does nothing when the last piece ended its line.
void skip_rest_of_line(text_reader &reader);

/// read_line on a file read byte for byte, whose reading keeps no state between calls.
bool read_line(FILE *file, char *out, size_t max_characters);

/// The encoding that the byte order mark at the start of `bytes` announces: utf16_le
/// (FF FE), utf16_be (FE FF), utf8_mark (EF BB BF), or ansi when there is none.
text_encoding encoding_of(const unsigned char *bytes, size_t count);
