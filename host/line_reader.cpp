// The one line reader of the program; see line_reader.h for the rules it keeps.
// Decoding sits below the pieces: it hands out the file's characters one at a time in
// the probe's ANSI code page, so pieces, line ends and NUL cuts stay what they were.
#include "host/line_reader.h"

#include <cstring>

#include "host/host.h"

namespace {

bool is_high_surrogate(int unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(int unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The file's bytes: first those read ahead for the byte order mark that were no mark,
// then the file itself.
int file_byte(text_reader &reader) {
    reader.last_from_lead = reader.lead_at < reader.lead_length;
    if (reader.last_from_lead) return reader.lead[reader.lead_at++];
    return fgetc(reader.file);
}

// Hands back the byte that file_byte gave last.
void unread_byte(text_reader &reader, int c) {
    if (reader.last_from_lead)
        --reader.lead_at;
    else
        ungetc(c, reader.file);
}

// The next byte of the current line: from the window, then from the file.
int line_byte(text_reader &reader) {
    if (reader.window_at < reader.window_length) return reader.window[reader.window_at++];
    return file_byte(reader);
}

// One UTF-16 unit in the given byte order; -1 at the end (a lone last byte is dropped).
int next_unit(text_reader &reader, bool big_endian) {
    if (reader.pushed_unit >= 0) {
        int unit = reader.pushed_unit;
        reader.pushed_unit = -1;
        return unit;
    }
    int first = line_byte(reader);
    if (first == EOF) return -1;
    int second = line_byte(reader);
    if (second == EOF) return -1;
    return big_endian ? (first << 8 | second) : (second << 8 | first);
}

// Converts one UTF-16 character (one unit, or a surrogate pair) into `pending`; false at
// the end of the file.
bool decode_character(text_reader &reader, bool big_endian) {
    int unit = next_unit(reader, big_endian);
    if (unit < 0) return false;
    uint16_t units[2] = {static_cast<uint16_t>(unit), 0};
    size_t count = 1;
    if (is_high_surrogate(unit)) {
        int low = next_unit(reader, big_endian);
        if (is_low_surrogate(low)) {
            units[1] = static_cast<uint16_t>(low);
            count = 2;
        } else if (low >= 0) {
            reader.pushed_unit = low;
        }
    }
    reader.pending_at = 0;
    if (unit < 0x80) {
        reader.pending[0] = static_cast<unsigned char>(unit);
        reader.pending_length = 1;
    } else {
        reader.pending_length = host_ansi_from_utf16(units, count, reader.pending);
    }
    return true;
}

// Where UTF-16 LE text without a mark begins behind ANSI text on the same line of
// `window` (`length` bytes, ending in a line feed when `ends_line`), or 0 when it does
// not: the ANSI part holds no NUL, and from its end every second byte is a NUL up to
// the line's end, for at least two characters.
size_t utf16_tail_start(const unsigned char *window, size_t length, bool ends_line) {
    const void *nul = memchr(window, 0, length);
    if (nul == nullptr) return 0;
    size_t first_nul = static_cast<size_t>(static_cast<const unsigned char *>(nul) - window);
    if (first_nul < 2) return 0;
    size_t start = first_nul - 1;
    size_t tail = length - start;
    if (tail < 4 || tail % 2 != (ends_line ? 1u : 0u)) return 0;
    for (size_t i = start; i < length; i += 2) {
        if (window[i] == 0) return 0;
        if (i + 1 < length && window[i + 1] != 0) return 0;
    }
    return start;
}

// Reads the start of a line of a byte file into the window and decides how the line is
// read. PowerShell's ">>" appends UTF-16 LE without a mark to an ANSI file: such a line
// has a NUL in every second byte, and the NUL after its line feed belongs to it. An
// ANSI line that looks so would have been cut to its first character by its first NUL
// anyway, so nothing that was read before reads differently now.
void look_at_line(text_reader &reader) {
    reader.split_at = 0;
    reader.window_length = 0;
    reader.window_at = 0;
    int c = 0;
    while (reader.window_length < line_window_bytes && (c = file_byte(reader)) != EOF) {
        reader.window[reader.window_length++] = static_cast<unsigned char>(c);
        if (c == '\n') break;
    }
    bool every_second_nul = reader.window_length >= 2;
    for (size_t i = 1; i < reader.window_length && every_second_nul; i += 2) every_second_nul = reader.window[i] == 0;
    size_t split = every_second_nul ? 0 : utf16_tail_start(reader.window, reader.window_length, c == '\n');
    if (split > 0) {
        // Notepad saved the file without a final line end and ">>" appended its UTF-16
        // right behind the last character: the ANSI part is a line of its own.
        reader.split_at = split;
        every_second_nul = true;
    }
    if (every_second_nul && (reader.window_length - split) % 2 == 1 && c == '\n') {
        int high = file_byte(reader);
        if (high == 0) {
            reader.window[reader.window_length++] = 0;
        } else {
            if (high != EOF) unread_byte(reader, high);
            every_second_nul = false;
        }
    }
    reader.utf16_line = every_second_nul && split == 0;
}

// The file's start: a byte order mark chooses the encoding; bytes that are no mark
// are read again as the file's first bytes.
void look_for_mark(text_reader &reader) {
    reader.started = true;
    size_t count = 0;
    for (int c; count < sizeof reader.lead && (c = fgetc(reader.file)) != EOF;)
        reader.lead[count++] = static_cast<unsigned char>(c);
    reader.encoding = encoding_of(reader.lead, count);
    reader.lead_length = count;
    reader.lead_at = reader.encoding == text_encoding::utf8_mark ? 3
                     : reader.encoding == text_encoding::ansi    ? 0
                                                                 : 2;
    reader.line_start = true;
}

// The next character of the file in the program's 8-bit text, or EOF.
int next_character(text_reader &reader) {
    if (reader.pushed_back >= 0) {
        int c = reader.pushed_back;
        reader.pushed_back = -1;
        return c;
    }
    if (reader.decoding == text_decoding::bytes) return fgetc(reader.file);
    if (!reader.started) look_for_mark(reader);
    for (;;) {
        if (reader.pending_at < reader.pending_length) return reader.pending[reader.pending_at++];
        if (reader.encoding == text_encoding::utf16_le || reader.encoding == text_encoding::utf16_be) {
            if (!decode_character(reader, reader.encoding == text_encoding::utf16_be)) return EOF;
            continue;
        }
        if (reader.line_start) {
            look_at_line(reader);
            reader.line_start = false;
        }
        if (reader.split_at > 0) {
            if (reader.window_at < reader.split_at) return reader.window[reader.window_at++];
            reader.split_at = 0;
            reader.utf16_line = true;
            return '\n';  // the line end the file lacks between its two parts
        }
        if (reader.utf16_line) {
            if (!decode_character(reader, false)) return EOF;
            if (reader.pending_length == 1 && reader.pending[0] == '\n') reader.line_start = true;
            continue;
        }
        int c = line_byte(reader);
        if (c == '\n') reader.line_start = true;
        return c;
    }
}

// Where read_piece takes its characters from: a decoding reader, or a byte file read
// with the C library alone.
struct reader_source {
    text_reader &reader;
    int get() { return next_character(reader); }
    void unget(int c) { reader.pushed_back = c; }
};

struct file_source {
    FILE *file;
    int get() { return fgetc(file); }
    void unget(int c) { ungetc(c, file); }
};

template <typename Source>
bool read_piece_from(Source source, char *out, size_t max_characters, bool &ended_line) {
    size_t count = 0;
    bool any = false;
    ended_line = false;
    while (count < max_characters) {
        int c = source.get();
        if (c == EOF) {
            ended_line = true;
            break;
        }
        any = true;
        if (c == '\r') {
            int next = source.get();
            if (next == '\n')
                c = '\n';
            else if (next != EOF)
                source.unget(next);
        }
        out[count++] = static_cast<char>(c);
        if (c == '\n') {
            ended_line = true;
            break;
        }
    }
    out[count] = '\0';
    return any;
}

}  // namespace

text_encoding encoding_of(const unsigned char *bytes, size_t count) {
    if (count >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) return text_encoding::utf8_mark;
    if (count >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) return text_encoding::utf16_le;
    if (count >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) return text_encoding::utf16_be;
    return text_encoding::ansi;
}

void open_text_reader(text_reader &reader, FILE *file, text_decoding decoding) {
    reader.file = file;
    reader.decoding = decoding;
    reader.encoding = text_encoding::ansi;
    reader.started = false;
    reader.line_start = false;
    reader.utf16_line = false;
    reader.piece_ended_line = true;
    reader.pushed_back = -1;
    reader.pushed_unit = -1;
    reader.lead_length = 0;
    reader.lead_at = 0;
    reader.last_from_lead = false;
    reader.pending_length = 0;
    reader.pending_at = 0;
    reader.window_length = 0;
    reader.window_at = 0;
    reader.split_at = 0;
}

bool read_piece(text_reader &reader, char *out, size_t max_characters) {
    bool ended = false;
    bool any = read_piece_from(reader_source{reader}, out, max_characters, ended);
    reader.piece_ended_line = ended;
    return any;
}

void strip_line_end(char *text) {
    size_t length = strlen(text);
    if (length > 0 && text[length - 1] == '\r') text[--length] = '\0';
    if (length > 0 && text[length - 1] == '\n') text[--length] = '\0';
}

bool read_line(text_reader &reader, char *out, size_t max_characters) {
    if (!read_piece(reader, out, max_characters)) return false;
    strip_line_end(out);
    return true;
}

void skip_rest_of_line(text_reader &reader) {
    char rest[256];
    while (!reader.piece_ended_line && read_piece(reader, rest, sizeof rest - 1)) {
    }
}

bool read_line(FILE *file, char *out, size_t max_characters) {
    bool ended = false;
    if (!read_piece_from(file_source{file}, out, max_characters, ended)) return false;
    strip_line_end(out);
    return true;
}
