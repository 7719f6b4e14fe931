// SAP packed decimals (ABAP type P) as text and as whole numbers: two digits per
// byte, the last half-byte the sign. Digit half-bytes are not validated, so a
// damaged field shows as hexadecimal letters instead of being guessed at.
#pragma once

#include <cstddef>
#include <cstdint>

/// Writes two upper-case hexadecimal characters per byte of `bytes[0..count)` into
/// `out` and terminates it; `out` must hold 2 * count + 1 characters.
void bytes_to_hex(char *out, const unsigned char *bytes, size_t count);

/// Writes the n-byte packed field with `decimals` decimals as "+digits.decimals"
/// ("-" for sign half-byte D, "+" for every other) into `out`, leading zeros kept, no
/// point when `decimals` is 0. `out` must hold 2 * n + 2 characters. A `decimals`
/// beyond the field's 2n-1 digits writes an empty text.
void packed_to_text(char *out, const unsigned char *field, size_t n, unsigned decimals);

/// Reads the integer part of a text such as packed_to_text writes: an optional sign,
/// then decimal digits up to the first other character; returns 0 when there is no
/// digit, and saturates at the 64-bit limits instead of wrapping.
int64_t integer_part(const char *text);
