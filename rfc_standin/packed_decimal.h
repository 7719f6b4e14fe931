// SAP packed decimals (ABAP type P) as a simulated system sends them: two digits
// per byte, most significant first, the last half-byte the sign (C plus, D minus).
// The landscape gives decimal text; packing refuses what the field cannot hold
// rather than rounding, so a test never sees a value it did not write.
#pragma once

/// Packs "[+|-]digits[.digits]" into the `size`-byte field with `decimals` decimals;
/// false (field untouched) when the text is not such a number or does not fit.
bool pack_decimal(const char *text, unsigned char *field, unsigned size, unsigned decimals);
