// Scrambling a password for a profile file: the exact inverse of the sensor's
// unscrambling (same key, same read order, same check digit), then a test that the
// stored value survives a text editor and the profile reader unchanged.
#include "password_tool/password_scrambler.h"

#include <cstring>

namespace {

constexpr char first_printable = ' ';
constexpr char last_printable = '~';

// Upper-case letters come first: combined with any key byte they stay letters, so the
// search for a filler always ends.
const char *const filler_characters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

bool printable(char c) { return c >= first_printable && c <= last_printable; }

// A stored character may be any printable one, but a blank only inside: editors and
// copy-and-paste drop blanks at the end of a line.
bool storable(char c, size_t index) {
    return printable(c) && !(c == ' ' && (index == 0 || index == stored_password_length - 1));
}

char stored_at(const unsigned char key[password_key_length], char c, size_t offset, size_t position) {
    return static_cast<char>(c ^ key[offset + position]);
}

// Fills the read-order places from `from` on with characters that stay storable.
void choose_filler(const unsigned char key[password_key_length], size_t offset, size_t from, uint32_t &state,
                   char body[password_body_length]) {
    size_t choices = strlen(filler_characters);
    for (size_t place = from; place < password_body_length; ++place) {
        size_t position = password_body_position(place);
        size_t start = next_random(state) % choices;
        char chosen = 'A';
        for (size_t k = 0; k < choices; ++k) {
            char candidate = filler_characters[(start + k) % choices];
            if (storable(stored_at(key, candidate, offset, position), password_header_length + position)) {
                chosen = candidate;
                break;
            }
        }
        body[place] = chosen;
    }
}

}  // namespace

uint32_t next_random(uint32_t &state) {
    if (state == 0) state = 0x9E3779B9u;
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

scramble_refusal check_plain_password(const char *plain, size_t length) {
    if (length == 0) return scramble_refusal::empty;
    if (length > password_body_length) return scramble_refusal::too_long;
    for (size_t i = 0; i < length; ++i)
        if (!printable(plain[i])) return scramble_refusal::not_printable;
    if (length < shortest_password) return scramble_refusal::too_short;
    return scramble_refusal::none;
}

bool scramble_body(const unsigned char key[password_key_length], const char body[password_body_length],
                   size_t offset, size_t length, char out[stored_password_length + 1]) {
    char read_order[password_body_length + 1];
    memcpy(read_order, body, password_body_length);
    read_order[password_body_length] = '\0';
    const char header[password_header_length] = {password_check_digit(read_order), static_cast<char>('0' + offset),
                                                 static_cast<char>('0' + length / 10),
                                                 static_cast<char>('0' + length % 10)};
    for (size_t i = 0; i < password_header_length; ++i) out[i] = static_cast<char>(header[i] ^ key[i]);
    for (size_t place = 0; place < password_body_length; ++place) {
        size_t position = password_body_position(place);
        out[password_header_length + position] = stored_at(key, body[place], offset, position);
    }
    out[stored_password_length] = '\0';
    for (size_t i = 0; i < stored_password_length; ++i)
        if (!storable(out[i], i)) return false;
    return true;
}

scramble_refusal scramble_password(const unsigned char key[password_key_length], const char *plain,
                                   uint32_t &state, char out[stored_password_length + 1]) {
    out[0] = '\0';
    size_t length = strnlen(plain, password_body_length + 1);
    scramble_refusal refusal = check_plain_password(plain, length);
    if (refusal != scramble_refusal::none) return refusal;

    char body[password_body_length];
    memcpy(body, plain, length);
    size_t first_offset = next_random(state) % 10;
    for (size_t k = 0; k < 10; ++k) {
        size_t offset = (first_offset + k) % 10;
        choose_filler(key, offset, length, state, body);
        if (scramble_body(key, body, offset, length, out)) {
            memset(body, 0, sizeof body);
            return scramble_refusal::none;
        }
    }
    memset(body, 0, sizeof body);
    out[0] = '\0';
    return scramble_refusal::no_printable_form;
}
