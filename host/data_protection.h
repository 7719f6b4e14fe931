// Windows' data protection (CryptProtectData and CryptUnprotectData) for the profile
// passwords that only the probe can read, and the environment variables through which
// PRTG hands a sensor its device's credentials. Only Windows protects: elsewhere both
// protection calls refuse with a reason that says so.
#pragma once

#include <cstddef>

#include "core/bounded_text.h"

/// Why a password could not be protected, unprotected or taken from the environment.
typedef bounded_text<191> host_secret_reason;

// Whom a protected password is bound to.
enum class host_protection_scope {
    machine,  // CRYPTPROTECT_LOCAL_MACHINE: any program on this computer reads it, a copy elsewhere fails
    account,  // the Windows account that protects it, on this computer (its roaming profile aside)
};

/// Protects the `length` bytes of `plain` with CryptProtectData for `scope`, with the
/// `entropy_length` bytes of `entropy` as additional entropy, never showing a dialog.
/// Writes the protected bytes into `out` (at most `capacity`) and their number into
/// `out_length`. False, with `reason`, when Windows refuses or `capacity` is too small.
bool host_protect_secret(const char *plain, size_t length, const char *entropy, size_t entropy_length,
                         host_protection_scope scope, unsigned char *out, size_t capacity, size_t &out_length,
                         host_secret_reason &reason);

/// Unprotects the `count` bytes of `blob` with CryptUnprotectData and the same entropy.
/// Writes the plain bytes into `plain` (at most `capacity`) and their number into
/// `length`; the copy Windows made is overwritten before it is freed. False, with
/// `reason` and `length` 0, when it cannot be read here (another computer, another
/// account, other entropy, damaged bytes), does not fit, or this is not Windows.
bool host_unprotect_secret(const unsigned char *blob, size_t count, const char *entropy, size_t entropy_length,
                           char *plain, size_t capacity, size_t &length, host_secret_reason &reason);

// What became of looking up an environment variable.
enum class host_variable { found, unset, too_long };

/// Copies the value of the environment variable `name` into `out` (at most `capacity`
/// characters and a terminator). On too_long `out` is overwritten with zeros and left
/// empty, so a part of a secret never stays behind.
host_variable host_environment_value(const char *name, char *out, size_t capacity);

/// Overwrites `count` bytes in a way the compiler keeps, for texts that held a secret.
void host_wipe(void *bytes, size_t count);
