// What a listing's detailed summary tells of one system beyond the counts: whether it
// was processed and its ASP usage, or why it failed, as far as the gathering learnt it.
#pragma once

#include <cstdint>

struct system_outcome {
    bool processed{};      // counted processed
    int64_t percent_used{};  // its "System ASP used" when processed
    int profile_error{};   // its profile's defect (1003 to 1007), 0 when sound
    int error_number{};    // the visit's failure (1011 to 1015), 0 when none was named
    bool start_refused{};  // its child could not be started: a local reason, not the system's
};
