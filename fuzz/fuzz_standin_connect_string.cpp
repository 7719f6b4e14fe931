// Fuzz target (stand-in librfc32): a connect string as RfcOpenEx gets it and, after
// the first NUL byte, a "SapRfc.ini" for the destination it names.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "rfc_standin/connect_string.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static char text[4096];
    const uint8_t *ini_bytes = nullptr;
    size_t ini_size = 0;
    if (!split_input(data, size, text, sizeof text, &ini_bytes, &ini_size)) return 0;

    static connect_parameters parameters;
    static call_line line;
    line.assign("RfcOpenEx");
    connect_problem problem;
    bool parsed = parse_connect_string(text, parameters, line, problem);
    if (!parsed && problem.empty()) abort();
    if (!parsed || ini_bytes == nullptr) return 0;

    FILE *ini = fmemopen(const_cast<uint8_t *>(ini_bytes), ini_size, "r");
    if (ini == nullptr) return 0;
    const char *destination = parameters.dest.given ? parameters.dest.text.c_str() : "";
    if (!read_destination_from(ini, destination, parameters, problem) && problem.empty()) abort();
    fclose(ini);
    return 0;
}
