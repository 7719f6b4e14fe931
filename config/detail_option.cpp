// Reading DETAIL=; see detail_option.h. Only the two words are accepted: the summary
// that PRTG parses must never change by guesswork.
#include "config/detail_option.h"

#include "core/options.h"

bool read_detail_option(const char *text, bool &detail, bool &found, run_message &message) {
    return read_yes_no_option(text, "DETAIL=", "Error 1023: Invalid Parameter DETAIL=%s !", detail, found, message);
}
