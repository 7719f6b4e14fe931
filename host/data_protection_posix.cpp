// Outside Windows there is no data protection API: a protected password is refused,
// never guessed at, so the native build reads every other profile and refuses these.
#include "host/data_protection.h"

bool host_protect_secret(const char *, size_t, const char *, size_t, host_protection_scope, unsigned char *, size_t,
                         size_t &out_length, host_secret_reason &reason) {
    out_length = 0;
    reason.assign("a password can be protected only on Windows");
    return false;
}

bool host_unprotect_secret(const unsigned char *, size_t, const char *, size_t, char *plain, size_t, size_t &length,
                           host_secret_reason &reason) {
    length = 0;
    plain[0] = '\0';
    reason.assign("a protected password can be read only on Windows");
    return false;
}
