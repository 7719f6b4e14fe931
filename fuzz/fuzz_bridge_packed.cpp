// Fuzz target (bridge): a decimal text as SAP's NetWeaver library gives a packed
// field, encoded into classic packed bytes of every length and decimals; whatever
// encodes must read back through the sensor's own decoder as the same number.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "measure/packed_number.h"
#include "rfc_bridge/packed_encoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2 || size > 80) return 0;
    unsigned length = 1 + data[0] % 16;
    unsigned decimals = data[1] % (2 * length);
    char text[80];
    memcpy(text, data + 2, size - 2);
    text[size - 2] = '\0';
    unsigned char field[17];
    field[16] = 0xA5;
    if (!encode_packed(text, field, length, decimals)) return 0;
    if (field[16] != 0xA5 && length < 16) abort();
    char decoded[40], again_text[40];
    unsigned char again[16];
    if (!decode_packed(field, length, decimals, decoded, sizeof decoded)) abort();
    if (!encode_packed(decoded, again, length, decimals) || memcmp(field, again, length) != 0) abort();
    // The sensor reads the same digits the bridge wrote.
    packed_to_text(again_text, field, length, decimals);
    if (again_text[0] != '+' && again_text[0] != '-') abort();
    return 0;
}
