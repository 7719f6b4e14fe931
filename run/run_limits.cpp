// The limits of a run; see run_limits.h.
#include "run/run_limits.h"

#include <cstdlib>

#include "core/options.h"

namespace {

constexpr unsigned default_budget_seconds = 55;  // below PRTG's default timeout of 60 s
constexpr unsigned default_parallel = 8;
constexpr unsigned most_parallel = 64;

unsigned number_option(const run_record &run, const char *option, unsigned fallback, unsigned lowest,
                       unsigned highest) {
    bounded_text<15> value;
    if (!option_value(run, option, value) || value.empty()) return fallback;
    char *end = nullptr;
    unsigned long number = strtoul(value.c_str(), &end, 10);
    if (*end != '\0' || number < lowest || number > highest) return fallback;
    return static_cast<unsigned>(number);
}

}  // namespace

unsigned run_budget_seconds(const run_record &run) {
    return number_option(run, "TIMEOUT=", default_budget_seconds, 0, 3600);
}

unsigned parallel_children(const run_record &run) {
    return number_option(run, "PARALLEL=", default_parallel, 1, most_parallel);
}
