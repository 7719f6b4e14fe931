// Base64 and the unprotecting of a "Protected..:" value. Nothing here ever holds the
// plain password longer than it takes to check and copy it: its buffers are wiped.
#include "config/protected_password.h"

#include <cstring>

namespace {

const char *const base64_alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int base64_value(char c) {
    if (c == '\0') return -1;
    const char *at = strchr(base64_alphabet, c);
    return at == nullptr ? -1 : static_cast<int>(at - base64_alphabet);
}

}  // namespace

bool encode_base64(const unsigned char *bytes, size_t count, bounded_text<protected_value_limit> &out) {
    out.clear();
    for (size_t i = 0; i < count; i += 3) {
        unsigned group = static_cast<unsigned>(bytes[i]) << 16;
        if (i + 1 < count) group |= static_cast<unsigned>(bytes[i + 1]) << 8;
        if (i + 2 < count) group |= bytes[i + 2];
        char quad[5] = {base64_alphabet[group >> 18 & 63], base64_alphabet[group >> 12 & 63],
                        i + 1 < count ? base64_alphabet[group >> 6 & 63] : '=',
                        i + 2 < count ? base64_alphabet[group & 63] : '=', '\0'};
        if (!out.append(quad)) return false;
    }
    return true;
}

bool decode_base64(const char *text, unsigned char *out, size_t capacity, size_t &count) {
    count = 0;
    size_t length = strlen(text);
    // An editor may leave blanks behind the value; they are no part of the base64.
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\t')) --length;
    if (length == 0 || length % 4 != 0) return false;
    for (size_t i = 0; i < length; i += 4) {
        bool last = i + 4 == length;
        int v[4];
        for (size_t k = 0; k < 4; ++k) v[k] = base64_value(text[i + k]);
        // Padding only at the very end: "xx==" or "xxx=".
        bool pad2 = last && text[i + 2] == '=' && text[i + 3] == '=';
        bool pad3 = last && !pad2 && text[i + 3] == '=';
        if (v[0] < 0 || v[1] < 0 || (v[2] < 0 && !pad2) || (v[3] < 0 && !pad2 && !pad3)) return false;
        unsigned group = static_cast<unsigned>(v[0]) << 18 | static_cast<unsigned>(v[1]) << 12;
        if (!pad2) group |= static_cast<unsigned>(v[2]) << 6;
        if (!pad2 && !pad3) group |= static_cast<unsigned>(v[3]);
        size_t bytes = pad2 ? 1 : pad3 ? 2 : 3;
        if (count + bytes > capacity) return false;
        out[count++] = static_cast<unsigned char>(group >> 16);
        if (bytes > 1) out[count++] = static_cast<unsigned char>(group >> 8 & 0xFF);
        if (bytes > 2) out[count++] = static_cast<unsigned char>(group & 0xFF);
    }
    return true;
}

void protection_entropy_of(const char *path, protection_entropy &entropy) {
    const char *name = path;
    for (const char *c = path; *c != '\0'; ++c)
        if (*c == '\\' || *c == '/' || (*c == ':' && c == path + 1)) name = c + 1;
    entropy.assign(name);
    text_upper_ascii(entropy.data);
}

bool read_protected_password(const char *value, const char *path, bounded_text<password_capacity> &plain,
                             host_secret_reason &reason) {
    static unsigned char blob[protected_bytes_limit];
    size_t count = 0;
    if (strlen(value) > protected_value_limit) {
        reason.format("the Protected..: line is longer than %zu characters", protected_value_limit);
        return false;
    }
    if (!decode_base64(value, blob, sizeof blob, count)) {
        reason.assign("the Protected..: line is damaged: it is not base64 on one line");
        return false;
    }
    protection_entropy entropy;
    protection_entropy_of(path, entropy);
    char unprotected[protected_password_limit + 1];
    size_t length = 0;
    bool read = host_unprotect_secret(blob, count, entropy.c_str(), entropy.length, unprotected,
                                      protected_password_limit, length, reason);
    bool printable = read && length >= 1;
    for (size_t i = 0; i < length && printable; ++i) printable = unprotected[i] >= ' ' && unprotected[i] <= '~';
    if (read && !printable) reason.assign("the Protected..: line holds no password of printable characters");
    if (printable) plain.assign(unprotected, length);
    host_wipe(unprotected, sizeof unprotected);
    return printable;
}
