// The decimal text the NetWeaver library gives for a packed (BCD) field, turned back
// into the classic packed bytes of the installed length and decimals: two digits per
// byte, most significant first, the last half-byte the sign (C plus, D minus).
#pragma once

/// Packs "[+|-]digits[.digits]" (blanks around it allowed) into `field` of `length`
/// bytes with `decimals` decimals; false (field untouched) when the text is not such
/// a number, has non-zero digits beyond `decimals`, or too many integer digits.
/// Zero is packed with the plus sign.
bool encode_packed(const char *text, unsigned char *field, unsigned length, unsigned decimals);
/// Writes the packed `field` of `length` bytes with `decimals` decimals as decimal
/// text ("-12.50", "0"), for the NetWeaver library's setter, into `out` of `capacity`
/// bytes; false when a half-byte is not a digit or a sign, or `out` is too small.
bool decode_packed(const unsigned char *field, unsigned length, unsigned decimals, char *out, unsigned capacity);
