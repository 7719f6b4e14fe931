// The block ends with the call's result line, as the classic library's do; readers
// of the trace take the last "ERROR " or "======> " line, so the detail goes after
// the message.
#include "core/trace_block.h"

namespace {

void write_detail(FILE *file, const char *keyword, const char *text) {
    if (text != nullptr && text[0] != '\0') fprintf(file, "%-12s%s\n", keyword, text);
}

}  // namespace

bridge_failure make_bridge_failure(const char *key, const char *message) {
    bridge_failure failure;
    failure.key = key;
    failure.message.assign(message);
    failure.component = nullptr;
    return failure;
}

void write_trace_block(FILE *file, const bridge_failure &failure, const char *opened, const char *origin,
                       unsigned thread) {
    unsigned tag = thread % 10000;
    fprintf(file, "\n**** ERROR file opened at %s, %s\n", opened, origin);
    fprintf(file, "T:%04u ======> %s\n", tag, failure.message.c_str());
    write_detail(file, "LOCATION", failure.location.c_str());
    write_detail(file, "CONTEXT", failure.context.c_str());
    write_detail(file, "ERROR", failure.detail.c_str());
    write_detail(file, "COMPONENT", failure.component);
    fprintf(file, "T:%04u <* %s\n", tag, failure.api.c_str());
}
