// Fuzz target (stand-in librfc32): any bytes as the landscape file of simulated SAP
// systems, then every fault lookup over the systems it yields.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "rfc_standin/landscape.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FILE *file = fmemopen(const_cast<uint8_t *>(data), size, "r");
    if (file == nullptr) return 0;
    static standin_landscape landscape;
    landscape_problem problem;
    bool read = read_landscape(file, "SapLandscape.txt", landscape, problem);
    fclose(file);
    if (!read) {
        // An unusable file yields no systems and says why.
        if (landscape.count != 0 || problem.empty()) abort();
        return 0;
    }
    if (landscape.count < 0 || landscape.count > standin_max_systems) abort();
    for (int i = 0; i < landscape.count; ++i) {
        const standin_system &system = landscape.systems[i];
        if (system.fault_count < 0 || system.fault_count > standin_max_faults) abort();
        for (int kind = fault_unreachable; kind <= fault_handler_on_call; ++kind) {
            find_fault(system, static_cast<fault_kind>(kind), nullptr);
            find_fault(system, static_cast<fault_kind>(kind), "RFC_SYSTEM_INFO");
        }
    }
    return 0;
}
