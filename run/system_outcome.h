// What a listing's detailed summary tells of one system beyond the counts: whether it
// was processed and its ASP usage, or why it failed, as far as the gathering learnt it.
#pragma once

#include <cstdint>

struct system_outcome {
    bool processed{};      // counted processed
    int64_t percent_used{};  // its "System ASP used" when processed
    int profile_error{};   // its profile's defect (1003 to 1007), 0 when sound
    int error_number{};    // the visit's failure (1011 to 1015, 1018), 0 when none was named
    bool local_failure{};  // not checked for a local reason (its child could not start, its result was lost)
    bool ended_in_visit{};  // its child ended during the visit, before its result was complete
    int64_t missing_in_database{};    // OBJECTS=YES: its objects the database lacks, when processed
    int64_t unknown_to_dictionary{};  // OBJECTS=YES: its objects the dictionary does not know, when processed
};
