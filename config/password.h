// The scrambled password of a profile file: the fixed 32-byte key and the
// unscrambling of a stored 24-character value (4 header digits, 20 body characters).
// The key never changes, so profiles written once stay valid for every later build.
#pragma once

#include <cstddef>

#include "core/bounded_text.h"

constexpr size_t password_key_length = 32;
constexpr size_t stored_password_length = 24;  // header and body of a stored value
constexpr size_t password_header_length = 4;   // check digit, offset digit, two length digits
constexpr size_t password_body_length = 20;    // so a plain password has at most 20 characters
constexpr size_t password_capacity = 31;       // the profile's password field

// What unscrambling a stored value gives.
enum class password_outcome {
    good,     // the plain password is valid (an empty stored value gives an empty one)
    invalid,  // not 24 characters, or the header is not four digits
    wrong,    // the check digit does not match the body
};

/// Writes the 32 bytes of the password key into `key`, byte by byte.
void build_password_key(unsigned char key[password_key_length]);

/// Unscrambles the stored value `stored` with `key`. On good, `plain` holds the password;
/// on invalid or wrong, `plain` is left as it was.
password_outcome unscramble_password(const unsigned char key[password_key_length], const char *stored,
                                     bounded_text<password_capacity> &plain);

/// The last decimal digit of the sum of the codes of those characters of `text` that are
/// letters or digits: the check digit of a stored value's header.
char password_check_digit(const char *text);

/// The body position read at place `place` (0 to 19) of the reordered body: the body is
/// read alternately from its front and its back, 0, 19, 1, 18, ... 9, 10.
size_t password_body_position(size_t place);
