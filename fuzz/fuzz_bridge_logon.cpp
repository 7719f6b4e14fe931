// Fuzz target (bridge): a connect string as RfcOpenEx gets it and, after the first
// NUL byte, a "saprfc.ini" for the destination it names, through the bridge's
// readers and its translation into NetWeaver parameters.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "rfc_bridge/logon_translation.h"
#include "rfc_bridge/saprfc_ini.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static char text[4096];
    const uint8_t *ini_bytes = nullptr;
    size_t ini_size = 0;
    if (!split_input(data, size, text, sizeof text, &ini_bytes, &ini_size)) return 0;

    static connect_pairs given, block;
    static logon_parameters parameters;
    logon_problem problem;
    bool parsed = parse_connect_pairs(text, given, problem);
    if (!parsed && problem.empty()) abort();
    if (!parsed) return 0;
    const char *destination = find_pair(given, "DEST");
    bool with_block = false;
    if (destination != nullptr && ini_bytes != nullptr) {
        FILE *ini = fmemopen(const_cast<uint8_t *>(ini_bytes), ini_size, "r");
        if (ini == nullptr) return 0;
        with_block = read_ini_destination(ini, destination, block, problem);
        if (!with_block && problem.empty()) abort();
        fclose(ini);
    }
    if (!translate_connect_string(given, with_block ? &block : nullptr, parameters, problem) && problem.empty())
        abort();
    return 0;
}
