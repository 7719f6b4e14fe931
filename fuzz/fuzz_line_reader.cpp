// Fuzz target: any bytes through the shared line reader, at the piece lengths the
// program uses, byte for byte and decoded as an administrator's file (marks, UTF-16).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/line_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const size_t lengths[] = {99, 159, 199, 255};
    static text_reader reader;
    for (size_t max : lengths) {
        FILE *file = fmemopen(const_cast<uint8_t *>(data), size, "rb");
        if (file == nullptr) return 0;
        char line[256];
        while (read_line(file, line, max)) {
        }
        fclose(file);

        file = fmemopen(const_cast<uint8_t *>(data), size, "rb");
        if (file == nullptr) return 0;
        open_text_reader(reader, file, text_decoding::as_saved);
        while (read_line(reader, line, max)) {
            if (strlen(line) > max) abort();
            skip_rest_of_line(reader);
        }
        fclose(file);
    }
    return 0;
}
