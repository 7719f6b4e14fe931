// Fuzz target: any bytes through the shared line reader, at the three piece lengths
// the program uses.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "host/line_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const size_t lengths[] = {99, 159, 199};
    for (size_t max : lengths) {
        FILE *file = fmemopen(const_cast<uint8_t *>(data), size, "rb");
        if (file == nullptr) return 0;
        char line[200];
        while (read_line(file, line, max)) {
        }
        fclose(file);
    }
    return 0;
}
