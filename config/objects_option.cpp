// Reading OBJECTS=; see objects_option.h. Only the two words are accepted, as for
// DETAIL=: two more channels must never appear or vanish by guesswork.
#include "config/objects_option.h"

#include "core/options.h"

bool read_objects_option(const char *text, bool &objects, bool &found, run_message &message) {
    return read_yes_no_option(text, "OBJECTS=", "Error 1028: Invalid Parameter OBJECTS=%s !", objects, found, message);
}
