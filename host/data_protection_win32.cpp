// CryptProtectData and CryptUnprotectData (crypt32.dll), as Microsoft documents them:
// the entropy binds a protected password to its profile's name, and
// CRYPTPROTECT_UI_FORBIDDEN keeps a sensor running as a service from waiting on a
// dialog nobody sees. What Windows hands back is overwritten before it is freed.
#include <windows.h>
#include <wincrypt.h>

#include <cstring>

#include "host/data_protection.h"

namespace {

DATA_BLOB blob_of(const void *bytes, size_t count) {
    DATA_BLOB blob;
    blob.cbData = static_cast<DWORD>(count);
    blob.pbData = static_cast<BYTE *>(const_cast<void *>(bytes));
    return blob;
}

void describe_error(const char *what, host_secret_reason &reason) {
    DWORD error = GetLastError();
    const char *meaning = "";
    if (error == ERROR_INVALID_DATA || error == static_cast<DWORD>(NTE_BAD_DATA))
        meaning = ": the line is damaged, or it was protected on another computer, by another account or for another profile";
    else if (error == ERROR_FILE_NOT_FOUND || error == static_cast<DWORD>(NTE_BAD_KEY_STATE))
        meaning = ": this account has no key for it (another account, or its password was reset)";
    reason.format("%s failed (Windows error %lu)%s", what, static_cast<unsigned long>(error), meaning);
}

}  // namespace

bool host_protect_secret(const char *plain, size_t length, const char *entropy, size_t entropy_length,
                         host_protection_scope scope, unsigned char *out, size_t capacity, size_t &out_length,
                         host_secret_reason &reason) {
    out_length = 0;
    DATA_BLOB in = blob_of(plain, length);
    DATA_BLOB extra = blob_of(entropy, entropy_length);
    DATA_BLOB result{};
    DWORD flags = CRYPTPROTECT_UI_FORBIDDEN;
    if (scope == host_protection_scope::machine) flags |= CRYPTPROTECT_LOCAL_MACHINE;
    if (!CryptProtectData(&in, L"Korvanel profile password", &extra, nullptr, nullptr, flags, &result)) {
        describe_error("CryptProtectData", reason);
        return false;
    }
    bool fits = result.cbData <= capacity;
    if (fits) {
        memcpy(out, result.pbData, result.cbData);
        out_length = result.cbData;
    } else {
        reason.format("the protected password takes %lu bytes, more than %zu", static_cast<unsigned long>(result.cbData),
                      capacity);
    }
    LocalFree(result.pbData);
    return fits;
}

bool host_unprotect_secret(const unsigned char *blob, size_t count, const char *entropy, size_t entropy_length,
                           char *plain, size_t capacity, size_t &length, host_secret_reason &reason) {
    length = 0;
    plain[0] = '\0';
    DATA_BLOB in = blob_of(blob, count);
    DATA_BLOB extra = blob_of(entropy, entropy_length);
    DATA_BLOB result{};
    if (!CryptUnprotectData(&in, nullptr, &extra, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &result)) {
        describe_error("CryptUnprotectData", reason);
        return false;
    }
    bool fits = result.cbData <= capacity;
    if (fits) {
        memcpy(plain, result.pbData, result.cbData);
        length = result.cbData;
        plain[length] = '\0';
    } else {
        reason.format("the protected password holds %lu characters, more than a profile's %zu",
                      static_cast<unsigned long>(result.cbData), capacity);
    }
    host_wipe(result.pbData, result.cbData);
    LocalFree(result.pbData);
    return fits;
}
