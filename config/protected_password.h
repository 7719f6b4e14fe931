// The protected password of a profile: the bytes of Windows' data protection in base64
// on one "Protected..:" line, bound to the profile's file name as additional entropy so
// that a line copied into another profile cannot be read there. The password tool
// writes the line, the profile reader reads it; both use these rules.
#pragma once

#include <cstddef>

#include "config/password.h"
#include "host/data_protection.h"

// The longest value of a "Protected..:" line that is read: Windows' data protection
// makes about 230 to 330 bytes of a short password (320 to 440 characters of base64);
// 2048 characters leave room for its longer forms and refuse anything that is not one.
constexpr size_t protected_value_limit = 2048;
constexpr size_t protected_bytes_limit = protected_value_limit / 4 * 3;
// A protected password holds at most what the profile's password field holds.
constexpr size_t protected_password_limit = password_capacity;
// The profile's file name, upper-cased: the additional entropy.
typedef bounded_text<255> protection_entropy;

/// Writes the base64 form (RFC 4648, with "=" padding, no line breaks) of the `count`
/// bytes of `bytes` into `out`; false when it does not fit.
bool encode_base64(const unsigned char *bytes, size_t count, bounded_text<protected_value_limit> &out);

/// Decodes the base64 `text` (trailing blanks ignored) into `out` (at most `capacity`
/// bytes) and sets `count`; false for any character outside the alphabet, a length that
/// is no multiple of 4, misplaced padding, or too many bytes.
bool decode_base64(const char *text, unsigned char *out, size_t capacity, size_t &count);

/// The entropy of the profile at `path`: its file name without folder ("\" or "/"),
/// letters a to z upper-cased, so that "prd.p00" and "C:\PRTG\PRD.P00" give "PRD.P00".
void protection_entropy_of(const char *path, protection_entropy &entropy);

/// Reads the base64 `value` of a "Protected..:" line of the profile at `path` into
/// `plain`. False, with `reason` and `plain` left as it was, when the line is damaged,
/// Windows cannot unprotect it here (another computer, account or profile), or what it
/// holds is no password of 1 to 31 printable characters.
bool read_protected_password(const char *value, const char *path, bounded_text<password_capacity> &plain,
                             host_secret_reason &reason);
