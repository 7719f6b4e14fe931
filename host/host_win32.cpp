// The Windows host: names go to the C library as they are (Windows resolves drive
// letters, the current drive and letter case itself); standard output is switched
// to binary so the document's line feeds reach PRTG without carriage returns.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "host/host.h"

void host_start() {
    _setmode(_fileno(stdout), _O_BINARY);
}

size_t host_ansi_from_utf16(const uint16_t *units, size_t count, unsigned char out[8]) {
    // No best fit: a look-alike could turn a full-width backslash into a path separator.
    // The UTF-8 code page takes neither the flag nor a default character.
    bool utf8 = GetACP() == CP_UTF8;
    BOOL used_default = FALSE;
    int written = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, reinterpret_cast<LPCWCH>(units),
                                      static_cast<int>(count), reinterpret_cast<LPSTR>(out), 8, utf8 ? nullptr : "?",
                                      utf8 ? nullptr : &used_default);
    if (written <= 0) {
        out[0] = '?';
        return 1;
    }
    return static_cast<size_t>(written);
}

namespace {

// The console's input mode from before echo was switched off, restored on Ctrl+C
// so that the console is not left without echo.
DWORD console_mode = 0;
bool echo_is_off = false;

BOOL WINAPI restore_echo_on_interrupt(DWORD) {
    SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), console_mode);
    return FALSE;  // the default handler still ends the process
}

}  // namespace

bool host_stdin_is_terminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

bool host_set_stdin_echo(bool on) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (on) {
        if (!echo_is_off) return host_stdin_is_terminal();
        echo_is_off = false;
        SetConsoleCtrlHandler(restore_echo_on_interrupt, FALSE);
        return SetConsoleMode(input, console_mode) != 0;
    }
    if (echo_is_off) return true;
    if (GetConsoleMode(input, &console_mode) == 0) return false;
    SetConsoleCtrlHandler(restore_echo_on_interrupt, TRUE);
    echo_is_off = SetConsoleMode(input, console_mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) != 0;
    return echo_is_off;
}

FILE *host_open_read(const char *name) {
    DWORD attributes = GetFileAttributesA(name);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return nullptr;
    return fopen(name, "rb");
}

FILE *host_create_write(const char *name) { return fopen(name, "wb"); }

bool host_delete(const char *name) { return remove(name) == 0; }
