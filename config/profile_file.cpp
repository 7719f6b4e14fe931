// Reading a profile file line by line: a 12-character key, one separator column and
// a value of at most 60 characters, taken with its blanks. The key table below is
// the whole format; its order is the order in which short fields are reported.
// Two keys stand outside the table: "Protected..:" (a password protected by Windows,
// read whole however long its line) and "Credentials:" (user or password from PRTG).
// Older builds ignore both, so such a profile is one without a password there (1007).
#include "config/profile_file.h"

#include <cstring>

#include "config/password.h"
#include "config/protected_password.h"
#include "config/prtg_credentials.h"
#include "host/line_reader.h"

namespace {

constexpr size_t key_length = 12;
constexpr size_t value_column = 13;  // 0-based: the separator column is never examined
constexpr size_t value_limit = 60;   // characters of a value that are taken at most
constexpr size_t strict_piece = 159;
constexpr size_t lenient_piece = 199;

// One field of the profile record seen without its capacity in the type, so that one
// table can describe fields of different sizes.
struct field_view {
    char *data;
    size_t capacity;
    size_t *length;
    bool *cut;
};

template <size_t Capacity>
field_view view_of(bounded_text<Capacity> &text) {
    return {text.data, Capacity, &text.length, &text.cut};
}

// What happens to a value besides being stored.
enum class treatment { as_is, upper_case, unscramble, shown_host };

struct profile_key {
    const char *key;
    size_t minimum;  // characters a complete profile holds at least
    treatment how;
    field_view (*field)(profile_data &);
};

const profile_key profile_keys[] = {
    {"Extcompany.:", 2, treatment::as_is, [](profile_data &p) { return view_of(p.extcompany); }},
    {"Destination:", 3, treatment::as_is, [](profile_data &p) { return view_of(p.destination); }},
    {"Client.....:", 3, treatment::as_is, [](profile_data &p) { return view_of(p.client); }},
    {"User.......:", 2, treatment::upper_case, [](profile_data &p) { return view_of(p.user); }},
    {"Password...:", 2, treatment::unscramble, [](profile_data &p) { return view_of(p.password); }},
    {"Language...:", 1, treatment::as_is, [](profile_data &p) { return view_of(p.language); }},
    {"Mode.......:", 3, treatment::as_is, [](profile_data &p) { return view_of(p.mode); }},
    {"Hostname...:", 2, treatment::shown_host, [](profile_data &p) { return view_of(p.hostname); }},
    {"Sysnr......:", 2, treatment::as_is, [](profile_data &p) { return view_of(p.sysnr); }},
    {"Gwhost.....:", 2, treatment::as_is, [](profile_data &p) { return view_of(p.gwhost); }},
    {"Gwservice..:", 2, treatment::as_is, [](profile_data &p) { return view_of(p.gwservice); }},
};

// The first defect found, in the order in which a single-profile run reports them.
enum class profile_defect { none, invalid_password, wrong_password, no_user, no_password, bad_field };

const char *const protected_key = "Protected..:";
const char *const credentials_key = "Credentials:";

// What a profile says besides its table keys, gathered while its lines are read and
// acted on after the last one: the last line of each key decides, as for every key.
struct password_sources {
    bool protected_seen = false;
    bool protected_too_long = false;
    bounded_text<protected_value_limit> protected_value;
    bool credentials_seen = false;
    bool credentials_valid = false;
    prtg_credential_choice choice;
    host_secret_reason credentials_reason;
};

const profile_key *key_of(const char *line) {
    for (const profile_key &entry : profile_keys)
        if (strncmp(line, entry.key, key_length) == 0) return &entry;
    return nullptr;
}

// Stores a value whole, or cut to the field's capacity and marked as cut.
void store(field_view field, const char *value) {
    *field.length = 0;
    *field.cut = !text_put(field.data, field.capacity, field.length, value, static_cast<size_t>(-1));
}

profile_defect completeness_defect(profile_data &record) {
    if (record.user.empty()) return profile_defect::no_user;
    if (record.password.empty()) return profile_defect::no_password;
    for (const profile_key &entry : profile_keys) {
        field_view field = entry.field(record);
        if (*field.length < entry.minimum || *field.cut) return profile_defect::bad_field;
    }
    return profile_defect::none;
}

void describe(profile_defect defect, const char *name, run_message &message) {
    switch (defect) {
        case profile_defect::invalid_password:
            message.format("Error 1004: Invalid Password in Profile %s found...", name);
            break;
        case profile_defect::wrong_password:
            message.format("Error 1005: Wrong Password in Profile %s found...", name);
            break;
        case profile_defect::no_user:
            message.format("Error 1006: Username in Profile %s is missing...", name);
            break;
        case profile_defect::no_password:
            message.format("Error 1007: Password in Profile %s is missing...", name);
            break;
        case profile_defect::bad_field:
            message.format("Error 1003: Invalid Parameter(s) at %s found...", name);
            break;
        case profile_defect::none:
            message.clear();
            break;
    }
}

// Takes the value of a "Protected..:" line whose first piece is `line`: the pieces
// that follow up to the line's end belong to it, however many the reader needs.
void take_protected_line(text_reader &reader, const char *line, size_t piece, password_sources &sources) {
    sources.protected_seen = true;
    sources.protected_too_long = false;
    sources.protected_value.clear();
    if (strlen(line) > value_column) sources.protected_value.assign(line + value_column);
    char rest[lenient_piece + 1];
    while (!reader.piece_ended_line && !sources.protected_value.cut && read_line(reader, rest, piece))
        sources.protected_value.append(rest);
    if (sources.protected_value.cut) {
        sources.protected_too_long = true;
        skip_rest_of_line(reader);
    }
}

// Reads the lines and stores their values; returns the password defect that ends a
// strict reading early, or none.
profile_defect read_lines(run_record &run, FILE *file, profile_reading mode, bool &system_failed,
                          bool &password_rejected, profile_defect &first_rejection, password_sources &sources) {
    profile_data &record = run.profile_record;
    size_t piece = mode == profile_reading::strict ? strict_piece : lenient_piece;
    char line[lenient_piece + 1];
    text_reader reader;
    open_text_reader(reader, file, text_decoding::as_saved);
    while (read_line(reader, line, piece)) {
        if (strncmp(line, protected_key, key_length) == 0) {
            take_protected_line(reader, line, piece, sources);
            continue;
        }
        if (strncmp(line, credentials_key, key_length) == 0) {
            sources.credentials_seen = true;
            sources.credentials_valid = read_credential_choice(strlen(line) > value_column ? line + value_column : "",
                                                               sources.choice, sources.credentials_reason);
            continue;
        }
        const profile_key *entry = key_of(line);
        if (entry == nullptr) continue;
        bounded_text<value_limit> value;
        if (strlen(line) > value_column) value.assign(line + value_column, value_limit);

        if (entry->how == treatment::unscramble) {
            password_outcome outcome = unscramble_password(run.password_key, value.c_str(), record.password);
            if (outcome == password_outcome::good) continue;
            system_failed = true;
            profile_defect rejection =
                outcome == password_outcome::invalid ? profile_defect::invalid_password : profile_defect::wrong_password;
            if (mode == profile_reading::strict) return rejection;
            if (!password_rejected) first_rejection = rejection;
            password_rejected = true;
            continue;
        }
        store(entry->field(record), value.c_str());
        if (entry->how == treatment::upper_case) text_upper_ascii(record.user.data);
        if (entry->how == treatment::shown_host) run.display_host.assign(record.hostname.c_str());
    }
    return profile_defect::none;
}

// Puts in the user and password that the profile says come from PRTG or from a
// protected line, over what its other lines gave; returns the defect they make, or none.
// The order mirrors a strict reading: a password that cannot be read is 1004, a
// missing one is left empty for the completeness checks (1006, 1007).
profile_defect apply_sources(run_record &run, const password_sources &sources) {
    profile_data &record = run.profile_record;
    if (sources.credentials_seen && !sources.credentials_valid) {
        run.password_note.assign(sources.credentials_reason.c_str());
        // Neither field can be trusted: the line meant to replace one of them.
        record.password.clear();
        return profile_defect::invalid_password;
    }
    host_secret_reason reason;
    if (sources.credentials_seen && sources.choice.user &&
        take_prtg_user(record.user, reason) != prtg_credential_outcome::taken)
        run.password_note.assign(reason.c_str());
    if (sources.credentials_seen && sources.choice.password) {
        prtg_credential_outcome outcome = take_prtg_password(record.password, reason);
        if (outcome != prtg_credential_outcome::taken && run.password_note.empty()) run.password_note.assign(reason.c_str());
        return outcome == prtg_credential_outcome::too_long ? profile_defect::invalid_password : profile_defect::none;
    }
    if (!sources.protected_seen) return profile_defect::none;
    bool read = false;
    if (sources.protected_too_long)
        reason.format("the Protected..: line is longer than %zu characters", protected_value_limit);
    else
        read = read_protected_password(sources.protected_value.c_str(), run.profile_path.c_str(), record.password,
                                       reason);
    if (read) return profile_defect::none;
    run.password_note.assign(reason.c_str());
    // Never the scrambled line's password in its place: the profile meant this one.
    record.password.clear();
    return profile_defect::invalid_password;
}

}  // namespace

bool read_profile(run_record &run, profile_reading mode, run_message &message, bool &system_failed,
                  bool *password_rejected) {
    message.clear();
    run.password_note.clear();
    profile_defect defect = profile_defect::none;
    bool rejected = false;
    profile_defect first_rejection = profile_defect::none;
    static password_sources sources;
    sources = password_sources{};
    if (run.profile_file != nullptr) {
        defect = read_lines(run, run.profile_file, mode, system_failed, rejected, first_rejection, sources);
        fclose(run.profile_file);
        run.profile_file = nullptr;
    }
    if (defect == profile_defect::none) {
        profile_defect source_defect = apply_sources(run, sources);
        if (source_defect != profile_defect::none) {
            system_failed = true;
            if (!rejected) first_rejection = source_defect;
            rejected = true;
        }
    }
    if (password_rejected != nullptr) *password_rejected = rejected;
    // Read leniently, the defect named is the one a strict reading would have stopped at.
    if (defect == profile_defect::none) defect = first_rejection;
    if (defect == profile_defect::none) defect = completeness_defect(run.profile_record);
    if (defect == profile_defect::none) return !system_failed;
    system_failed = true;
    describe(defect, run.profile_name.c_str(), message);
    return false;
}
