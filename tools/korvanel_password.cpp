// korvanel-password: turns a password into the stored value of a profile's
// "Password...:" line. The password is read from standard input only (never from
// the command line, where other users could see it), without echo at a terminal.
#include <cstdio>
#include <cstring>
#include <ctime>

#include "host/host.h"
#include "tools/password_scrambler.h"

namespace {

constexpr int status_refused = 2;
// Room for a 20-character password and a carriage return; anything longer is too long.
constexpr size_t input_room = password_body_length + 1;

const char *const usage_text =
    "usage: korvanel-password < password-file\n"
    "       korvanel-password            (then type the password; it is not shown)\n"
    "Reads a password of 2 to 20 printable ASCII characters from standard input and prints\n"
    "the line to put into a Korvanel profile, for example: Password...: <24 characters>\n";

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

}  // namespace

int main(int argc, char **argv) {
    (void)argv;
    host_start();
    if (argc > 1) {
        fputs(usage_text, stderr);
        return status_refused;
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
    char stored[stored_password_length + 1] = {};
    if (refusal == scramble_refusal::none) {
        unsigned char key[password_key_length];
        build_password_key(key);
        uint32_t state = static_cast<uint32_t>(time(nullptr)) ^ static_cast<uint32_t>(clock()) * 2654435761u;
        refusal = scramble_password(key, plain, state, stored);
    }
    wipe(plain, sizeof plain);
    if (refusal != scramble_refusal::none) {
        fprintf(stderr, "korvanel-password: %s\n", refusal_text(refusal));
        return status_refused;
    }
    host_print("Password...: ");
    host_print(stored);
    host_print("\n");
    return 0;
}
