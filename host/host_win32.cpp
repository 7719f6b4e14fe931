// The Windows host: names go to the C library as they are (Windows resolves drive
// letters, the current drive and letter case itself); standard output is switched
// to binary so the document's line feeds reach PRTG without carriage returns. The
// clock is the performance counter; the process's age comes from its creation time.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstring>

#include "host/host.h"

void host_start() {
    _setmode(_fileno(stdout), _O_BINARY);
    // A crash inside the library ends the process at once, with no error dialog or
    // report held open on the probe until PRTG's timeout.
    SetErrorMode(GetErrorMode() | SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS);
}

size_t host_ansi_from_utf16(const uint16_t *units, size_t count, unsigned char out[8]) {
    // No best fit: a look-alike could turn a full-width backslash into a path separator.
    // The UTF-8 code page takes neither the flag nor a default character.
    bool utf8 = GetACP() == CP_UTF8;
    BOOL used_default = FALSE;
    int written = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, reinterpret_cast<LPCWCH>(units),
                                      static_cast<int>(count), reinterpret_cast<LPSTR>(out), 8, utf8 ? nullptr : "?",
                                      utf8 ? nullptr : &used_default);
    // A character the code page cannot hold is one "?": Windows (and wine) put a default
    // character for each half of a surrogate pair, which would make two of it.
    if (written <= 0 || used_default) {
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

bool host_list_files(const char *folder, void (*each)(const char *name, void *context), void *context) {
    bounded_text<MAX_PATH + 2> pattern;
    pattern.assign(folder);
    if (!pattern.empty() && pattern.data[pattern.length - 1] != '\\' && pattern.data[pattern.length - 1] != ':')
        pattern.append("\\");
    if (!pattern.append("*")) return false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) each(found.cFileName, context);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return true;
}

FILE *host_create_write(const char *name) { return fopen(name, "wb"); }

bool host_delete(const char *name) {
    if (DeleteFileA(name)) return true;
    // A link to a folder (a junction or a directory symbolic link) is removed as a
    // folder: the link goes, what it points to stays untouched.
    DWORD attributes = GetFileAttributesA(name);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return RemoveDirectoryA(name) != 0;
    return false;
}

bool host_file_size(const char *name, uint64_t &size) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(name, GetFileExInfoStandard, &data)) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

bool host_rename_replacing(const char *from, const char *to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

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
    // The whole path from here on: given a bare name such as "PRD.P00", wine's
    // ReplaceFile cannot find the file's folder ("path not found") and the password
    // line was never written there; a whole path works on every Windows.
    char full[MAX_PATH];
    DWORD full_length = GetFullPathNameA(name, sizeof full, full, nullptr);
    if (full_length == 0 || full_length >= sizeof full) return host_file_result::failed;
    name = full;
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

namespace {

// The watchdog's one setting, written before its thread starts.
struct watchdog_setting {
    uint64_t deadline;
    void (*at_deadline)();
};
watchdog_setting watchdog;

DWORD WINAPI watch(LPVOID) {
    for (uint64_t now = host_clock_ms(); now < watchdog.deadline; now = host_clock_ms()) {
        uint64_t rest = watchdog.deadline - now;
        Sleep(rest > 60000 ? 60000 : static_cast<DWORD>(rest));
    }
    watchdog.at_deadline();
    return 0;
}

constexpr uint64_t filetime_units_per_ms = 10000;  // FILETIME counts 100 ns
constexpr uint64_t longest_believable_start = 600000;  // ten minutes: longer means the clock was set

uint64_t filetime_value(const FILETIME &time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// How long ago Windows created this process: what PRTG's timeout counts from.
uint64_t process_age_ms() {
    FILETIME created, ended, kernel, user, now;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return 0;
    GetSystemTimeAsFileTime(&now);
    uint64_t from = filetime_value(created), to = filetime_value(now);
    if (to < from) return 0;
    uint64_t age = (to - from) / filetime_units_per_ms;
    return age > longest_believable_start ? 0 : age;
}

uint64_t query_frequency() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart > 0 ? static_cast<uint64_t>(frequency.QuadPart) : 1;
}

// Both taken while the program is loaded, before main and before any other thread.
const uint64_t counter_frequency = query_frequency();
const uint64_t process_start = [] {
    uint64_t now = host_clock_ms();
    uint64_t age = process_age_ms();
    return age < now ? now - age : 0;
}();

}  // namespace

uint64_t host_clock_ms() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    uint64_t ticks = static_cast<uint64_t>(counter.QuadPart);
    return ticks / counter_frequency * 1000u + ticks % counter_frequency * 1000u / counter_frequency;
}

uint64_t host_process_start_ms() { return process_start; }

void host_sleep_ms(unsigned milliseconds) { Sleep(milliseconds); }

bool host_start_watchdog(uint64_t deadline, void (*at_deadline)()) {
    watchdog.deadline = deadline;
    watchdog.at_deadline = at_deadline;
    // A reservation only: room for a listing's summary, which the watchdog writes when
    // a system visited in this process is still waiting for SAP at the deadline.
    HANDLE thread = CreateThread(nullptr, 256 * 1024, watch, nullptr, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread == nullptr) return false;
    CloseHandle(thread);
    return true;
}

void host_terminate(int status) {
    fflush(stdout);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
    for (;;) Sleep(INFINITE);  // not reached: the process ends above
}

namespace {

void (*crash_notice)() = nullptr;

DWORD WINAPI notice_crash(LPVOID) {
    crash_notice();
    return 0;
}

// Called for an exception nothing in the process handled, on the thread that raised
// it. A stack overflow leaves too little stack for an answer: that one is answered
// from a thread of its own, which this one waits for.
LONG WINAPI on_unhandled_exception(EXCEPTION_POINTERS *exception) {
    if (exception->ExceptionRecord->ExceptionCode != EXCEPTION_STACK_OVERFLOW) {
        crash_notice();
        return EXCEPTION_CONTINUE_SEARCH;
    }
    HANDLE thread = CreateThread(nullptr, 256 * 1024, notice_crash, nullptr, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread == nullptr) return EXCEPTION_CONTINUE_SEARCH;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

bool host_catch_crashes(void (*on_crash)()) {
    crash_notice = on_crash;
    SetUnhandledExceptionFilter(on_unhandled_exception);
    return true;
}

unsigned long host_thread_id() { return GetCurrentThreadId(); }

namespace {
constexpr DWORD lock_retry_ms = 10;  // between two tries for a lock held by another process
}  // namespace

host_file_lock host_lock_file(const char *name) { return host_lock_file_until(name, 0); }

host_file_lock host_lock_file_until(const char *name, uint64_t deadline) {
    HANDLE file = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return host_no_lock;
    // On a handle opened without overlapped I/O the call waits until the lock is granted;
    // with a deadline it is asked for without waiting, again and again, until then.
    DWORD flags = deadline == 0 ? LOCKFILE_EXCLUSIVE_LOCK : LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY;
    for (;;) {
        OVERLAPPED region = {};
        if (LockFileEx(file, flags, 0, 1, 0, &region)) break;
        if (deadline == 0 || GetLastError() != ERROR_LOCK_VIOLATION || host_clock_ms() >= deadline) {
            CloseHandle(file);
            return host_no_lock;
        }
        Sleep(lock_retry_ms);
    }
    return reinterpret_cast<host_file_lock>(file);
}

void host_unlock_file(host_file_lock lock) {
    if (lock == host_no_lock) return;
    HANDLE file = reinterpret_cast<HANDLE>(lock);
    OVERLAPPED region = {};
    UnlockFileEx(file, 0, 1, 0, &region);
    CloseHandle(file);
}

bool host_find_rfc_library(host_module_path &path, rfc_library_describe_function &describe) {
    path.clear();
    describe = nullptr;
    // The module Windows loaded for the program's imports: the one beside the program,
    // or whichever the DLL search found first (System32, a folder on the PATH).
    HMODULE library = GetModuleHandleA("librfc32.dll");
    if (library == nullptr) return false;
    char name[1024];
    DWORD length = GetModuleFileNameA(library, name, sizeof name);
    if (length >= sizeof name) {
        // Longer than the buffer: its end, the file's name among it, is lost.
        path.assign(name, path.capacity - 3);
        path.append("...");
        path.cut = true;
    } else {
        host_take_module_path(path, name, length);
    }
    FARPROC found = GetProcAddress(library, rfc_library_describe_name);
    describe = reinterpret_cast<rfc_library_describe_function>(reinterpret_cast<void *>(found));
    return true;
}
