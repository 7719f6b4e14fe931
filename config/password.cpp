// Unscrambling a profile's stored password. The key is assembled from single byte
// constants rather than kept as one string, so it does not stand in the executable
// as a readable run of bytes.
#include "config/password.h"

#include <cstring>

namespace {

// Every character of this text counts in the check sum; only membership matters.
const char *const check_alphabet = "01234567890abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void build_password_key(unsigned char key[password_key_length]) {
    // Positions 0 to 3 keep every header digit a printable character; the others keep
    // printable password characters printable. Never change a byte: stored values
    // in the field would no longer unscramble.
    key[0] = 0x0B;
    key[1] = 0x03;
    key[2] = 0x0E;
    key[3] = 0x05;
    key[4] = 0x15;
    key[5] = 0x01;
    key[6] = 0x0C;
    key[7] = 0x17;
    key[8] = 0x03;
    key[9] = 0x0E;
    key[10] = 0x19;
    key[11] = 0x05;
    key[12] = 0x10;
    key[13] = 0x1B;
    key[14] = 0x07;
    key[15] = 0x12;
    key[16] = 0x1D;
    key[17] = 0x09;
    key[18] = 0x14;
    key[19] = 0x1F;
    key[20] = 0x0B;
    key[21] = 0x16;
    key[22] = 0x02;
    key[23] = 0x0D;
    key[24] = 0x18;
    key[25] = 0x04;
    key[26] = 0x0F;
    key[27] = 0x1A;
    key[28] = 0x06;
    key[29] = 0x11;
    key[30] = 0x1C;
    key[31] = 0x08;
}

size_t password_body_position(size_t place) {
    return place % 2 == 0 ? place / 2 : password_body_length - 1 - place / 2;
}

char password_check_digit(const char *text) {
    unsigned sum = 0;
    for (; *text != '\0'; ++text)
        if (strchr(check_alphabet, *text) != nullptr) sum += static_cast<unsigned char>(*text);
    return static_cast<char>('0' + sum % 10);
}

password_outcome unscramble_password(const unsigned char key[password_key_length], const char *stored,
                                     bounded_text<password_capacity> &plain) {
    if (stored[0] == '\0') {
        plain.clear();
        return password_outcome::good;
    }
    // The length is tested first: the header and body below are read only from a
    // value that has all 24 characters.
    if (strlen(stored) != stored_password_length) return password_outcome::invalid;
    char header[password_header_length];
    for (size_t i = 0; i < password_header_length; ++i) {
        header[i] = static_cast<char>(stored[i] ^ key[i]);
        // An offset that is not a digit would reach past the key.
        if (!is_digit(header[i])) return password_outcome::invalid;
    }
    size_t offset = static_cast<size_t>(header[1] - '0');
    size_t length = static_cast<size_t>(header[2] - '0') * 10 + static_cast<size_t>(header[3] - '0');

    const char *body = stored + password_header_length;
    char reordered[password_body_length + 1];
    size_t count = 0;
    for (size_t place = 0; place < password_body_length; ++place) {
        size_t position = password_body_position(place);
        char c = static_cast<char>(body[position] ^ key[offset + position]);
        if (c != '\0') reordered[count++] = c;
    }
    reordered[count] = '\0';

    if (password_check_digit(reordered) != header[0]) return password_outcome::wrong;
    plain.assign(reordered, length);
    return password_outcome::good;
}
