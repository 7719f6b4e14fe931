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

size_t host_decode_ansi(const unsigned char *bytes, size_t available, unsigned long *code_point) {
    // A double-byte code page's lead byte and the byte after it are one character.
    int length = (available >= 2 && IsDBCSLeadByteEx(CP_ACP, bytes[0])) ? 2 : 1;
    wchar_t wide[2] = {};
    int count = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, reinterpret_cast<const char *>(bytes), length,
                                    wide, 2);
    if (count == 1 && !(wide[0] >= 0xD800 && wide[0] <= 0xDFFF)) {
        *code_point = wide[0];
    } else if (count == 2 && wide[0] >= 0xD800 && wide[0] <= 0xDBFF && wide[1] >= 0xDC00 && wide[1] <= 0xDFFF) {
        *code_point = 0x10000 + ((static_cast<unsigned long>(wide[0]) - 0xD800) << 10) + (wide[1] - 0xDC00);
    } else {
        *code_point = 0xFFFD;
        return 1;
    }
    return static_cast<size_t>(length);
}
