// Taking a device's credentials from PRTG's environment variables. A variable that is
// not set and one that is empty fail alike (a profile without a user or password), but
// trace mode tells them apart: the first is the sensor's setting, the second the device's.
#include "config/prtg_credentials.h"

#include <cstring>

namespace {

const char *const user_variable = "prtg_windowsuser";
const char *const password_variable = "prtg_windowspassword";

bool same_word(const char *word, size_t length, const char *name) {
    if (strlen(name) != length) return false;
    for (size_t i = 0; i < length; ++i) {
        char c = word[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != name[i]) return false;
    }
    return true;
}

template <size_t Capacity>
prtg_credential_outcome take(const char *name, bounded_text<Capacity> &out, host_secret_reason &reason) {
    char value[Capacity + 1];
    host_variable found = host_environment_value(name, value, Capacity);
    prtg_credential_outcome outcome = prtg_credential_outcome::taken;
    if (found == host_variable::unset) {
        reason.format("%s is not set: PRTG hands over the device's \"Credentials for Windows Systems\" only when the "
                      "sensor's \"Set placeholders as environment values\" is on",
                      name);
        outcome = prtg_credential_outcome::missing;
    } else if (found == host_variable::too_long) {
        reason.format("%s is longer than %zu characters, more than a profile holds", name, Capacity);
        outcome = prtg_credential_outcome::too_long;
    } else if (value[0] == '\0') {
        reason.format("%s is empty: enter it in the device's \"Credentials for Windows Systems\"", name);
        outcome = prtg_credential_outcome::missing;
    } else {
        out.assign(value);
    }
    host_wipe(value, sizeof value);
    return outcome;
}

}  // namespace

bool read_credential_choice(const char *value, prtg_credential_choice &choice, host_secret_reason &reason) {
    choice = prtg_credential_choice{};
    bool any = false;
    for (const char *at = value; *at != '\0';) {
        if (*at == ' ' || *at == '\t') {
            ++at;
            continue;
        }
        size_t length = strcspn(at, " \t");
        if (same_word(at, length, user_variable)) {
            choice.user = true;
        } else if (same_word(at, length, password_variable)) {
            choice.password = true;
        } else {
            reason.format("the Credentials: line names \"%.*s\"; it takes prtg_windowsuser and prtg_windowspassword",
                          static_cast<int>(length < 40 ? length : 40), at);
            return false;
        }
        any = true;
        at += length;
    }
    if (!any) reason.assign("the Credentials: line names neither prtg_windowsuser nor prtg_windowspassword");
    return any;
}

prtg_credential_outcome take_prtg_user(bounded_text<47> &user, host_secret_reason &reason) {
    user.clear();
    prtg_credential_outcome outcome = take(user_variable, user, reason);
    if (outcome == prtg_credential_outcome::too_long) user.cut = true;
    text_upper_ascii(user.data);
    return outcome;
}

prtg_credential_outcome take_prtg_password(bounded_text<31> &password, host_secret_reason &reason) {
    bounded_text<31> taken;
    prtg_credential_outcome outcome = take(password_variable, taken, reason);
    if (outcome == prtg_credential_outcome::taken) password.assign(taken.c_str());
    if (outcome == prtg_credential_outcome::missing) password.clear();
    host_wipe(taken.data, sizeof taken.data);
    return outcome;
}
