// PRTG's credentials for Windows systems, which it hands an EXE/XML sensor as the
// environment variables prtg_windowsuser and prtg_windowspassword when the sensor's
// "Set placeholders as environment values" is on. A profile's "Credentials:" line names
// which of the two it takes; these two are the only variables the program reads.
// prtg_windowsdomain is never read: an SAP user belongs to no Windows domain.
#pragma once

#include "core/run_record.h"
#include "host/data_protection.h"

// What a profile takes from PRTG.
struct prtg_credential_choice {
    bool user = false;      // "prtg_windowsuser" named
    bool password = false;  // "prtg_windowspassword" named
};

/// Reads the value of a "Credentials:" line: blank-separated names, each
/// "prtg_windowsuser" or "prtg_windowspassword" in any letter case. False, with
/// `reason`, for any other word or no word at all.
bool read_credential_choice(const char *value, prtg_credential_choice &choice, host_secret_reason &reason);

// What became of taking one credential from PRTG.
enum class prtg_credential_outcome { taken, missing, too_long };

/// Takes the user (upper-cased, as a profile's user line gives it) from prtg_windowsuser
/// into `user`; on missing `user` is emptied, on too_long it is emptied and marked cut.
/// `reason` says which PRTG setting hands the variable over.
prtg_credential_outcome take_prtg_user(bounded_text<47> &user, host_secret_reason &reason);

/// Takes the password from prtg_windowspassword into `password`; on missing it is
/// emptied, on too_long left as it was. The copy on the way is wiped.
prtg_credential_outcome take_prtg_password(bounded_text<31> &password, host_secret_reason &reason);
