// The inverse of the sensor's password unscrambling, for the administrators' password
// tool only (the sensor never scrambles). Offset and filler are chosen so that the
// stored value is 24 printable characters that no editor or line reader alters.
#pragma once

#include <cstddef>
#include <cstdint>

#include "config/password.h"

constexpr size_t shortest_password = 2;  // a profile's password field needs at least 2

// Why a password cannot be scrambled.
enum class scramble_refusal {
    none,                // scrambled
    empty,               // no characters
    too_short,           // fewer than 2 characters: the sensor would refuse the profile
    too_long,            // more than 20 characters
    not_printable,       // a character outside blank to "~"
    no_printable_form,   // no offset gives a printable stored value
};

/// Checks the `length` bytes of `plain` against the rules of a profile password.
scramble_refusal check_plain_password(const char *plain, size_t length);

/// Scrambles the 20-character read-order body `body` (password first, filler after) with
/// the given header digits: `offset` 0 to 9, `length` 0 to 99. Writes the 24 characters
/// and a terminator to `out`. Returns false when the result is not a printable stored
/// value (a character below blank or above "~", or a blank at either end).
bool scramble_body(const unsigned char key[password_key_length], const char body[password_body_length],
                   size_t offset, size_t length, char out[stored_password_length + 1]);

/// Scrambles the terminated `plain` into `out` (24 characters and a terminator), taking
/// the offset and the filler from the pseudo-random `state`. Returns none, or the refusal
/// (then `out` is empty).
scramble_refusal scramble_password(const unsigned char key[password_key_length], const char *plain,
                                   uint32_t &state, char out[stored_password_length + 1]);

/// The next pseudo-random number of `state` (never left 0).
uint32_t next_random(uint32_t &state);
