// Text as document content; see document_text.h. Decoding goes character by
// character: a run of bytes that is valid UTF-8 is the character it encodes, any
// other byte is read in the probe's ANSI code page (host_decode_ansi), so a label
// typed into PRTG on a German Windows and one saved as UTF-8 end up the same.
#include "output/document_text.h"

#include "host/host.h"

namespace {

// XML 1.0 allows tab, line feed and carriage return among the controls; PRTG's text
// and value fields are single lines, and Gantries and Brimtol read a line break as
// the start of a line of their own, so every control is a blank here, tab excepted.
bool is_control(unsigned char byte) { return (byte < 0x20 && byte != '\t') || byte == 0x7F; }

const char *entity_for(char c) {
    switch (c) {
        case '<': return "&lt;";
        case '>': return "&gt;";
        case '&': return "&amp;";
        default: return nullptr;
    }
}

size_t text_length(const char *text, size_t count) {
    size_t length = 0;
    while (length < count && text[length] != '\0') ++length;
    return length;
}

// Where a cut left part of a UTF-8 character at the end of the text: the length the
// text keeps. A cut cannot be told from an ANSI text that happens to end in a byte
// such as 0xE9 ("é"), so the part is dropped only when the text is evidently UTF-8:
// the part holds a continuation byte already, or the rest of the text decodes as
// UTF-8 with at least one character beyond ASCII.
size_t length_without_cut_character(const unsigned char *bytes, size_t length) {
    bool utf8_seen = false;
    bool other_seen = false;
    for (size_t i = 0; i < length;) {
        if (bytes[i] < 0x80) {
            ++i;
            continue;
        }
        unsigned long code_point = 0;
        bool cut_short = false;
        size_t taken = utf8_sequence(bytes + i, length - i, code_point, cut_short);
        if (taken > 0) {
            utf8_seen = true;
            i += taken;
        } else if (cut_short) {
            bool evident = (length - i) >= 2 || (utf8_seen && !other_seen);
            return evident ? i : length;
        } else {
            other_seen = true;
            ++i;
        }
    }
    return length;
}

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

size_t utf8_sequence(const unsigned char *bytes, size_t available, unsigned long &code_point, bool &cut_short) {
    cut_short = false;
    unsigned char lead = bytes[0];
    size_t length;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // shorter forms are overlong
        if (lead == 0xED) high = 0x9F;  // surrogates are no characters
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF
    } else {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if (i >= available) {
            cut_short = true;
            return 0;
        }
        bool fits = i == 1 ? (bytes[i] >= low && bytes[i] <= high) : is_continuation(bytes[i]);
        if (!fits) return 0;
    }
    unsigned long value = lead & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
    for (size_t i = 1; i < length; ++i) value = (value << 6) | (bytes[i] & 0x3F);
    code_point = value;
    return length;
}

size_t length_without_cut_utf8(const char *text, size_t length) {
    return length_without_cut_character(reinterpret_cast<const unsigned char *>(text), length);
}

namespace {

// Walks `text` character by character up to `characters` of them; the bytes they take.
// `counted` is how many it found before the text ended.
size_t walk_characters(const char *text, size_t length, size_t characters, size_t &counted) {
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(text);
    size_t at = 0;
    for (counted = 0; at < length && counted < characters; ++counted) {
        unsigned long code_point = 0;
        bool cut_short = false;
        size_t taken = bytes[at] < 0x80 ? 1 : utf8_sequence(bytes + at, length - at, code_point, cut_short);
        at += taken > 0 ? taken : 1;
    }
    return at;
}

}  // namespace

size_t character_prefix_length(const char *text, size_t length, size_t characters) {
    size_t counted = 0;
    return walk_characters(text, length, characters, counted);
}

size_t character_count(const char *text, size_t length) {
    size_t counted = 0;
    walk_characters(text, length, length, counted);
    return counted;
}

bool content_put(bounded_text<output_buffer_capacity> &out, const char *text, size_t count, content_form form,
                 size_t limit) {
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(text);
    size_t length = text_length(text, count);
    if (form == content_form::xml) length = length_without_cut_character(bytes, length);

    for (size_t i = 0; i < length;) {
        unsigned char byte = bytes[i];
        char piece[16];
        size_t taken = 1;
        if (form == content_form::markup) {
            piece[0] = static_cast<char>(byte);
            piece[1] = '\0';
        } else if (is_control(byte)) {
            piece[0] = ' ';
            piece[1] = '\0';
        } else if (form == content_form::plain_text || (byte < 0x80 && entity_for(static_cast<char>(byte)) == nullptr)) {
            piece[0] = static_cast<char>(byte);
            piece[1] = '\0';
        } else if (byte < 0x80) {
            bounded_text<15> entity;
            entity.assign(entity_for(static_cast<char>(byte)));
            for (size_t k = 0; k <= entity.length; ++k) piece[k] = entity.data[k];
        } else {
            unsigned long code_point = 0;
            bool cut_short = false;
            taken = utf8_sequence(bytes + i, length - i, code_point, cut_short);
            if (taken == 0) taken = host_decode_ansi(bytes + i, length - i, &code_point);
            // U+FFFE and U+FFFF are no XML characters, whatever decoded to them.
            if (code_point == 0xFFFE || code_point == 0xFFFF) code_point = 0xFFFD;
            bounded_text<15> reference;
            reference.format("&#%lu;", code_point);
            for (size_t k = 0; k <= reference.length; ++k) piece[k] = reference.data[k];
        }
        size_t piece_length = 0;
        while (piece[piece_length] != '\0') ++piece_length;
        if (out.length + piece_length > limit) return false;
        out.append(piece, piece_length);
        i += taken;
    }
    return true;
}
