// The parts of the secrets' host layer that the C library offers everywhere: the
// environment, where PRTG puts a device's credentials, and overwriting what held them.
#include <cstdlib>
#include <cstring>

#include "host/data_protection.h"

void host_wipe(void *bytes, size_t count) {
    volatile unsigned char *at = static_cast<unsigned char *>(bytes);
    for (size_t i = 0; i < count; ++i) at[i] = 0;
}

host_variable host_environment_value(const char *name, char *out, size_t capacity) {
    out[0] = '\0';
    const char *value = getenv(name);
    if (value == nullptr) return host_variable::unset;
    size_t length = strlen(value);
    if (length > capacity) {
        host_wipe(out, capacity + 1);
        return host_variable::too_long;
    }
    memcpy(out, value, length + 1);
    return host_variable::found;
}
