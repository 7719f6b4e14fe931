// The Windows host: names go to the C library as they are (Windows resolves drive
// letters, the current drive and letter case itself); standard output is switched
// to binary so the document's line feeds reach PRTG without carriage returns.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstring>

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

namespace {

host_file_result result_of(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
            return host_file_result::missing;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return host_file_result::denied;
        default:
            return host_file_result::failed;
    }
}

}  // namespace

host_file_result host_check_replaceable(const char *name) {
    DWORD attributes = GetFileAttributesA(name);
    if (attributes == INVALID_FILE_ATTRIBUTES) return result_of(GetLastError());
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return host_file_result::missing;
    if (attributes & FILE_ATTRIBUTE_READONLY) return host_file_result::denied;
    // Opening for writing asks the file's access list without changing the file. With
    // the programs' asInvoker manifest a protected folder refuses here, instead of the
    // write landing in the user's VirtualStore, where PRTG never looks.
    HANDLE file = CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return result_of(GetLastError());
    CloseHandle(file);
    return host_file_result::done;
}

host_file_result host_replace_file(const char *name, const unsigned char *bytes, size_t count) {
    host_file_result ready = host_check_replaceable(name);
    if (ready != host_file_result::done) return ready;
    char directory[MAX_PATH];
    char temporary[MAX_PATH];
    size_t length = strlen(name);
    size_t cut = length;
    while (cut > 0 && name[cut - 1] != '\\' && name[cut - 1] != '/' && name[cut - 1] != ':') --cut;
    if (cut >= sizeof directory) return host_file_result::failed;
    memcpy(directory, name, cut);
    directory[cut] = '\0';
    if (cut == 0) memcpy(directory, ".", 2);
    if (GetTempFileNameA(directory, "kvp", 0, temporary) == 0) return result_of(GetLastError());
    HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        DeleteFileA(temporary);
        return result_of(error);
    }
    DWORD error = 0;
    for (size_t at = 0; error == 0 && at < count;) {
        DWORD done = 0;
        DWORD chunk = static_cast<DWORD>(count - at > 0x10000000 ? 0x10000000 : count - at);
        if (!WriteFile(file, bytes + at, chunk, &done, nullptr) || done == 0)
            error = GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
        at += done;
    }
    if (error == 0 && !FlushFileBuffers(file)) error = GetLastError();
    CloseHandle(file);
    // ReplaceFile gives the new file the old one's identity: its access list, attributes
    // and creation time, so an administrator's protection of the profile stays.
    if (error == 0 && !ReplaceFileA(name, temporary, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        error = GetLastError();
        // The old file is already gone and the new one still has its own name: it must
        // not stay that way, or the profile would be lost.
        if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 && MoveFileExA(temporary, name, MOVEFILE_REPLACE_EXISTING))
            error = 0;
    }
    if (error != 0) {
        DeleteFileA(temporary);
        return result_of(error);
    }
    return host_file_result::done;
}

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
