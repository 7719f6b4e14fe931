// korvanel-password: turns a password into the stored value of a profile's
// "Password...:" line, and with a profile named writes that line into it; with
// --protect it writes a "Protected..:" line that only this computer (or account) can
// read, and with --convert it does so for every profile of a folder from its own
// scrambled line. The password is read from standard input only (never from the
// command line, where other users could see it), without echo at a terminal; it is
// never shown nor written in plain.
#include <cstdio>
#include <cstring>
#include <ctime>

#include "config/protected_password.h"
#include "host/data_protection.h"
#include "host/host.h"
#include "host/line_reader.h"
#include "password_tool/password_scrambler.h"
#include "password_tool/profile_password_line.h"

namespace {

constexpr int status_refused = 2;
// Room for a 20-character password and a carriage return; anything longer is too long.
constexpr size_t input_room = password_body_length + 1;

// A profile is a few hundred bytes; one far larger is no profile.
constexpr size_t profile_limit = 65536;
unsigned char profile_bytes[profile_limit + 1];
unsigned char written_bytes[profile_limit + 256 + protected_value_limit];

const char *const usage_text =
    "usage: korvanel-password PROFILE      (for example PRD.P00; then type the password, it is not shown)\n"
    "       korvanel-password PROFILE < password-file\n"
    "       korvanel-password                (prints the line instead of writing it)\n"
    "       korvanel-password --protect [--account] PROFILE\n"
    "       korvanel-password --convert [--account] FOLDER\n"
    "Reads a password of 2 to 20 printable ASCII characters from standard input. With a\n"
    "profile it writes the line \"Password...: <24 characters>\" into that profile, in place of\n"
    "its last password line or at its end; without one it prints the line.\n"
    "--protect writes \"Protected..: <base64>\" instead: the password protected by Windows for\n"
    "this computer, or with --account for the Windows account that runs the tool, and for\n"
    "this profile's name alone. --convert does so for every profile in FOLDER from its own\n"
    "Password...: line, asking for no password. Both remove the scrambled line.\n";

const char *refusal_text(scramble_refusal refusal) {
    switch (refusal) {
        case scramble_refusal::empty: return "no password given";
        case scramble_refusal::too_short: return "the password is too short: a profile needs at least 2 characters";
        case scramble_refusal::too_long: return "the password is too long: a profile holds at most 20 characters";
        case scramble_refusal::not_printable:
            return "the password may hold only printable ASCII characters (blank to ~)";
        case scramble_refusal::no_printable_form:
            return "this password has no printable stored form; please choose another one";
        case scramble_refusal::none: break;
    }
    return "";
}

// Reads the first line of standard input into `plain`; returns its length, or
// input_room + 1 when the line is longer than `plain` holds.
size_t read_password_line(char plain[input_room + 1]) {
    size_t length = 0;
    bool overlong = false;
    for (int c = fgetc(stdin); c != EOF && c != '\n'; c = fgetc(stdin)) {
        if (length < input_room)
            plain[length++] = static_cast<char>(c);
        else
            overlong = true;
    }
    if (!overlong && length > 0 && plain[length - 1] == '\r') --length;
    plain[length] = '\0';
    return overlong ? input_room + 1 : length;
}

void wipe(char *text, size_t count) {
    volatile char *bytes = text;
    for (size_t i = 0; i < count; ++i) bytes[i] = '\0';
}

// Every message has the tool's name in front, so that it stands out in a script's log.
void complain(const char *text) { fprintf(stderr, "korvanel-password: %s\n", text); }

// The messages never name the file: a name that is no file may be a password typed in
// the wrong place.
void report_file_problem(host_file_result result) {
    switch (result) {
        case host_file_result::missing:
            complain("no profile file by the name given; name the profile file, for example PRD.P00 (the password is typed when asked, never given on the command line)");
            return;
        case host_file_result::denied:
            complain("cannot write the profile: it is read-only, or this user may not change it (below Program Files only an administrator may); the profile is unchanged");
            return;
        case host_file_result::failed:
            complain("cannot write the profile; the profile is unchanged");
            return;
        case host_file_result::done:
            return;
    }
}

// Reads the whole profile into profile_bytes; false with the message when it cannot be
// read or is too large to be a profile.
bool read_profile_bytes(const char *name, size_t &length) {
    FILE *file = host_open_read(name);
    if (file == nullptr) {
        report_file_problem(host_file_result::missing);
        return false;
    }
    length = fread(profile_bytes, 1, sizeof profile_bytes, file);
    bool failed = ferror(file) != 0;
    fclose(file);
    if (failed) {
        complain("cannot read the profile; the profile is unchanged");
        return false;
    }
    if (length > profile_limit) {
        complain("the file is larger than 64 KiB and cannot be a profile; the profile is unchanged");
        return false;
    }
    return true;
}

// Two tools at work on one profile take turns through the lock file beside it (the
// profile's name and ".lck"), which stays: the second waits until the first has
// written, never reads the profile while the first replaces it, and keeps the line
// the first wrote. Without a lock file (a name too long for one) they go on unlocked.
// The lock file's name; false when the profile's name leaves no room for it.
bool lock_file_name(const char *profile, bounded_text<1023> &lock_name) { return lock_name.format("%s.lck", profile); }

host_file_lock lock_profile(const char *name) {
    bounded_text<1023> lock_name;
    if (!lock_file_name(name, lock_name)) return host_no_lock;
    return host_lock_file(lock_name.c_str());
}

// Writes the stored password's line (`key`, replacing the other form's lines) into the
// profile; returns the exit status.
int write_into_profile(const char *name, size_t length, const char *key, const char *stored) {
    size_t written = 0;
    password_line_edit edit;
    const char *other = key == protected_password_key ? scrambled_password_key : protected_password_key;
    bool fits = put_password_line(profile_bytes, length, key, other, stored, written_bytes, sizeof written_bytes,
                                  &written, edit);
    host_file_result result = fits ? host_replace_file(name, written_bytes, written) : host_file_result::failed;
    wipe(reinterpret_cast<char *>(written_bytes), sizeof written_bytes);
    if (result != host_file_result::done) {
        report_file_problem(result);
        return status_refused;
    }
    printf("korvanel-password: %s: %s line %s (line %zu)\n", name,
           key == protected_password_key ? "protected password" : "password", edit.replaced ? "replaced" : "added",
           edit.line_number);
    if (edit.removed_lines > 0)
        printf("korvanel-password: %s: %zu %s line(s) removed\n", name, edit.removed_lines, other);
    if (edit.earlier_lines > 0)
        complain("note: the profile has more lines of this key before this one; the sensor stops at the first it cannot read, so remove them");
    return 0;
}

// Protects `plain` for the profile `name` into the base64 text `out`; false with the
// reason told.
bool protect_for(const char *name, const char *plain, size_t length, host_protection_scope scope,
                 bounded_text<protected_value_limit> &out, host_secret_reason &reason) {
    static unsigned char blob[protected_bytes_limit];
    size_t count = 0;
    protection_entropy entropy;
    protection_entropy_of(name, entropy);
    if (!host_protect_secret(plain, length, entropy.c_str(), entropy.length, scope, blob, sizeof blob, count, reason))
        return false;
    if (encode_base64(blob, count, out)) return true;
    reason.format("the protected password is longer than %zu characters of base64", protected_value_limit);
    return false;
}

const char *const no_password_line = "it has no Password...: line";
const char *const already_protected = "its password is protected already";

// The profile's password as the sensor reads it from its Password...: lines; false,
// with `why`, when it has none or one of them cannot be read (the sensor would stop
// there), or when its password comes from PRTG.
bool scrambled_password_of(const char *name, bounded_text<password_capacity> &plain, const char *&why) {
    FILE *file = host_open_read(name);
    if (file == nullptr) {
        why = "it cannot be read";
        return false;
    }
    unsigned char key[password_key_length];
    build_password_key(key);
    text_reader reader;
    open_text_reader(reader, file, text_decoding::as_saved);
    char line[160];
    bool found = false, bad = false, protected_line = false, from_prtg = false;
    while (read_line(reader, line, 159)) {
        if (strncmp(line, "Protected..:", 12) == 0) protected_line = true;
        if (strncmp(line, "Credentials:", 12) == 0) {
            text_upper_ascii(line);
            from_prtg = strstr(line, "PRTG_WINDOWSPASSWORD") != nullptr;
        }
        if (strncmp(line, scrambled_password_key, 12) != 0 || bad) continue;
        bounded_text<60> value;
        if (strlen(line) > 13) value.assign(line + 13, 60);
        if (unscramble_password(key, value.c_str(), plain) == password_outcome::good)
            found = true;
        else
            bad = true;
    }
    fclose(file);
    why = from_prtg         ? "it takes its password from PRTG"
          : protected_line  ? already_protected
          : bad             ? "its Password...: line cannot be read (the sensor reports error 1004 or 1005)"
          : !found          ? no_password_line
          : plain.length < shortest_password ? "its Password...: line holds no password"
                                             : nullptr;
    if (why != nullptr) wipe(plain.data, sizeof plain.data);
    return why == nullptr;
}

// The files of the folder to convert, gathered before any is written, so that the
// files the writing makes and replaces are not met on the way.
constexpr size_t folder_file_limit = 4096;
struct folder_files {
    bounded_text<255> names[folder_file_limit];
    size_t count;
    bool too_many;
};
folder_files files;

void gather_file(const char *name, void *) {
    size_t length = strlen(name);
    // The lock files of this tool are never profiles.
    if (length >= 4 && strcmp(name + length - 4, ".lck") == 0) return;
    if (files.count == folder_file_limit) {
        files.too_many = true;
        return;
    }
    files.names[files.count++].assign(name);
}

// Converts the profile `name`; false with `why` when it is left unchanged, and with
// `why` null when it is no profile with a password line.
bool convert_profile(const char *name, host_protection_scope scope, const char *&why) {
    bounded_text<password_capacity> plain;
    if (!scrambled_password_of(name, plain, why)) {
        // Files that are no profiles, and profiles converted before: nothing to say.
        if (why == no_password_line || why == already_protected) why = nullptr;
        return false;
    }
    wipe(plain.data, sizeof plain.data);
    // Read again under the lock, as every write of this tool is made.
    host_file_lock lock = lock_profile(name);
    static bounded_text<protected_value_limit> stored;
    static host_secret_reason reason;
    size_t length = 0;
    bool done = false;
    if (!scrambled_password_of(name, plain, why)) {
        if (why == nullptr) why = "it changed while it was read";
    } else if (!protect_for(name, plain.c_str(), plain.length, scope, stored, reason)) {
        why = reason.c_str();
    } else if (!read_profile_bytes(name, length) ||
               write_into_profile(name, length, protected_password_key, stored.c_str()) != 0) {
        why = "it could not be written";
    } else {
        done = true;
    }
    wipe(plain.data, sizeof plain.data);
    host_unlock_file(lock);
    return done;
}

int convert_folder(const char *folder, host_protection_scope scope) {
    files.count = 0;
    files.too_many = false;
    if (!host_list_files(folder, gather_file, nullptr)) {
        complain("cannot read the folder; nothing was changed");
        return status_refused;
    }
    if (files.too_many) {
        fprintf(stderr, "korvanel-password: the folder holds more than %zu files; nothing was changed\n",
                folder_file_limit);
        return status_refused;
    }
    size_t converted = 0, refused = 0;
    size_t folder_length = strlen(folder);
    bool separated = folder_length == 0 || folder[folder_length - 1] == '\\' || folder[folder_length - 1] == '/' ||
                     folder[folder_length - 1] == ':';
    for (size_t i = 0; i < files.count; ++i) {
        bounded_text<1023> name;
        if (!name.format("%s%s%s", folder, separated ? "" : "\\", files.names[i].c_str())) continue;
        const char *why = nullptr;
        if (convert_profile(name.c_str(), scope, why)) {
            ++converted;
        } else if (why != nullptr) {
            ++refused;
            fprintf(stderr, "korvanel-password: %s: left unchanged: %s\n", name.c_str(), why);
        }
    }
    printf("korvanel-password: %zu profile(s) protected, %zu left unchanged\n", converted, refused);
    return refused > 0 ? status_refused : 0;
}

}  // namespace

int main(int argc, char **argv) {
    host_start();
    bool protect = false, convert = false, account = false;
    int first = 1;
    for (; first < argc; ++first) {
        if (strcmp(argv[first], "--protect") == 0)
            protect = true;
        else if (strcmp(argv[first], "--convert") == 0)
            convert = true;
        else if (strcmp(argv[first], "--account") == 0)
            account = true;
        else
            break;
    }
    const char *profile = argc - first == 1 ? argv[first] : nullptr;
    bool bad = argc - first > 1 || (protect && convert) || (account && !protect && !convert) ||
               ((protect || convert) && profile == nullptr) ||
               (profile != nullptr && (profile[0] == '-' || strcmp(profile, "/?") == 0 || profile[0] == '\0'));
    if (bad) {
        fputs(usage_text, stderr);
        return status_refused;
    }
    host_protection_scope scope = account ? host_protection_scope::account : host_protection_scope::machine;
    if (convert) return convert_folder(profile, scope);
    // The profile is read and its write permission tested before the password is asked
    // for, so nobody types a password for a file that cannot take it.
    // Checked before the lock file is made, so that a refused profile leaves nothing.
    size_t profile_length = 0;
    if (profile != nullptr) {
        host_file_result ready = host_check_replaceable(profile);
        if (ready == host_file_result::missing) {
            // Another tool may be replacing it this very moment (the new file takes the
            // old one's name): asked again once that tool has finished. A profile that
            // is still missing leaves no lock file behind.
            bounded_text<1023> lock_name;
            bool named = lock_file_name(profile, lock_name);
            uint64_t size = 0;
            bool lock_was_there = named && host_file_size(lock_name.c_str(), size);
            host_file_lock lock = lock_profile(profile);
            ready = host_check_replaceable(profile);
            host_unlock_file(lock);
            if (ready == host_file_result::missing && named && !lock_was_there) host_delete(lock_name.c_str());
        }
        if (ready != host_file_result::done) {
            report_file_problem(ready);
            return status_refused;
        }
        host_file_lock lock = lock_profile(profile);
        bool read = read_profile_bytes(profile, profile_length);
        host_unlock_file(lock);
        if (!read) return status_refused;
    }

    bool terminal = host_stdin_is_terminal();
    if (terminal) {
        fputs("Password (not shown): ", stderr);
        host_set_stdin_echo(false);
    }
    char plain[input_room + 1];
    size_t length = read_password_line(plain);
    if (terminal) {
        host_set_stdin_echo(true);
        fputs("\n", stderr);
    }

    scramble_refusal refusal = check_plain_password(plain, length);
    if (protect && refusal == scramble_refusal::none) {
        static bounded_text<protected_value_limit> protected_value;
        host_secret_reason reason;
        bool made = protect_for(profile, plain, length, scope, protected_value, reason);
        wipe(plain, sizeof plain);
        if (!made) {
            complain(reason.c_str());
            complain("the profile is unchanged");
            return status_refused;
        }
        host_file_lock lock = lock_profile(profile);
        int status = read_profile_bytes(profile, profile_length)
                         ? write_into_profile(profile, profile_length, protected_password_key, protected_value.c_str())
                         : status_refused;
        host_unlock_file(lock);
        return status;
    }
    char stored[stored_password_length + 1] = {};
    if (refusal == scramble_refusal::none) {
        unsigned char key[password_key_length];
        build_password_key(key);
        uint32_t state = static_cast<uint32_t>(time(nullptr)) ^ static_cast<uint32_t>(clock()) * 2654435761u;
        refusal = scramble_password(key, plain, state, stored);
    }
    wipe(plain, sizeof plain);
    if (refusal != scramble_refusal::none) {
        complain(refusal_text(refusal));
        return status_refused;
    }
    if (profile != nullptr) {
        // Read again under the lock: another tool may have written it while the
        // password was typed.
        host_file_lock lock = lock_profile(profile);
        int status = read_profile_bytes(profile, profile_length)
                         ? write_into_profile(profile, profile_length, scrambled_password_key, stored)
                         : status_refused;
        host_unlock_file(lock);
        wipe(stored, sizeof stored);
        return status;
    }
    host_print("Password...: ");
    host_print(stored);
    host_print("\n");
    return 0;
}
