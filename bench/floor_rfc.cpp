// Benchmark floor: a program that does nothing, built like the sensor (same compiler,
// flags and runtime) and loading the same librfc32 through its RUNPATH. What it costs
// to start and end is what every sensor run pays before its first step.
#include "core/librfc32.h"

int main() {
    // Holding a library function's address keeps librfc32 a needed library: the
    // loader maps it and binds against it, as it does for the sensor.
    void(LIBRFC32_API *volatile keep)(RFC_ENV *) = &RfcEnvironment;
    (void)keep;
    return 0;
}
