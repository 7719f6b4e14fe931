// Child processes, private folders and locks on Windows; see host_process.h. A child
// inherits exactly its three standard handles (a handle list), runs without a console
// and with crash dialogs off, so that neither a hang nor a crash can stall the run.
#include <windows.h>

#include <cstring>

#include "core/bounded_text.h"
#include "host/host.h"
#include "host/host_process.h"

namespace {

typedef bounded_text<1023> path_text;

constexpr DWORD killed_status = 3;  // what a child ended by the run reports

HANDLE inheritable(HANDLE handle) {
    if (handle != INVALID_HANDLE_VALUE) SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    return handle;
}

#ifndef PROC_THREAD_ATTRIBUTE_JOB_LIST
// Windows 10's attribute that starts a process inside jobs (ProcThreadAttributeValue(13,
// FALSE, TRUE, FALSE), as Microsoft's documentation of UpdateProcThreadAttribute gives it).
#define PROC_THREAD_ATTRIBUTE_JOB_LIST 0x0002000D
#endif

// The run's environment block without PRTG's placeholders, in Windows' wide form, or
// null when it does not fit: a child is then refused rather than given the variables.
constexpr size_t child_environment_units = 65536;
wchar_t child_block[child_environment_units];

wchar_t *child_environment() {
    wchar_t *strings = GetEnvironmentStringsW();
    if (strings == nullptr) return nullptr;
    size_t at = 0;
    bool fits = true;
    for (const wchar_t *entry = strings; *entry != L'\0' && fits; entry += wcslen(entry) + 1) {
        char name[6] = {};
        for (size_t i = 0; i < 5 && entry[i] != L'\0'; ++i) name[i] = entry[i] < 0x80 ? static_cast<char>(entry[i]) : '?';
        if (host_is_prtg_variable(name)) continue;
        size_t length = wcslen(entry) + 1;
        fits = at + length + 1 <= child_environment_units;
        if (fits) {
            memcpy(child_block + at, entry, length * sizeof(wchar_t));
            at += length;
        }
    }
    FreeEnvironmentStringsW(strings);
    if (!fits) return nullptr;
    child_block[at++] = L'\0';
    if (at == 1) child_block[at++] = L'\0';  // an empty block still ends in two
    return child_block;
}

// Starts the process with only `handles` inherited and, where Windows can (10 and
// later), inside `job` from its first moment: a run killed while the child is being
// made then takes it too. `in_job` says whether it was. Without the attribute list
// (an old system) it falls back to plain inheritance of what is marked inheritable.
BOOL create_with_handles(char *command_line, const char *folder, HANDLE in, HANDLE out, HANDLE err, HANDLE channel,
                         HANDLE job, PROCESS_INFORMATION &process, bool &in_job) {
    STARTUPINFOEXA info;
    memset(&info, 0, sizeof info);
    info.StartupInfo.cb = sizeof info;
    info.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    info.StartupInfo.hStdInput = in;
    info.StartupInfo.hStdOutput = out;
    info.StartupInfo.hStdError = err;

    HANDLE handles[4] = {in, out, err, channel};
    size_t handle_count = channel != INVALID_HANDLE_VALUE ? 4 : 3;
    static HANDLE jobs[1];
    jobs[0] = job;
    // The list holds pointers: aligned for them (the 64-bit build's children too).
    alignas(void *) static unsigned char attribute_space[256];
    BOOL started = FALSE;
    DWORD error = 0;
    // First inside the job; where Windows refuses that, as before: joined right after.
    for (int attempt = job != nullptr ? 0 : 1; attempt < 2 && !started; ++attempt) {
        SIZE_T size = sizeof attribute_space;
        LPPROC_THREAD_ATTRIBUTE_LIST attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attribute_space);
        bool listed = InitializeProcThreadAttributeList(attributes, 2, 0, &size) &&
                      UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles,
                                                handle_count * sizeof handles[0], nullptr, nullptr);
        in_job = listed && attempt == 0 &&
                 UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_JOB_LIST, jobs, sizeof jobs, nullptr,
                                           nullptr);
        if (attempt == 0 && !in_job) {
            if (listed) DeleteProcThreadAttributeList(attributes);
            continue;
        }
        // No console at all, not one without a window: a console brings its host process
        // (conhost), one more process start per system, and wine's conhost keeps the
        // child's standard handles open after the child has ended, so that its console
        // file could not be deleted nor its folder removed. The child writes to the
        // handles given. Not suspended: a run stopped or killed between a start and a
        // resume would leave a suspended child that nothing ends; the child's guard reads
        // the run from its argument before anything else, and it starts no process of
        // its own.
        DWORD flags = DETACHED_PROCESS;
        if (listed) {
            info.lpAttributeList = attributes;
            flags |= EXTENDED_STARTUPINFO_PRESENT;
        } else {
            info.lpAttributeList = nullptr;
            info.StartupInfo.cb = sizeof info.StartupInfo;
        }
        // Without PRTG's placeholders; wide, so that no value is changed on the way.
        wchar_t *environment = child_environment();
        if (environment == nullptr) {
            error = ERROR_NOT_ENOUGH_MEMORY;
            if (listed) DeleteProcThreadAttributeList(attributes);
            break;
        }
        started = CreateProcessA(nullptr, command_line, nullptr, nullptr, TRUE, flags | CREATE_UNICODE_ENVIRONMENT,
                                 environment, folder, &info.StartupInfo, &process);
        error = GetLastError();  // why a start was refused, kept for the caller
        if (listed) DeleteProcThreadAttributeList(attributes);
    }
    if (!started) in_job = false;
    SetLastError(error);
    return started;
}

// The job that holds every child of the run. Its handle is the run's alone (never
// inherited), so Windows closes it when the run's process ends for any reason, a
// kill included, and kill-on-close then ends every child still running. Since
// Windows 8 jobs nest: PRTG may run the sensor in a job of its own. Where a child
// cannot join (an older Windows inside a job that forbids it), it still ends itself
// when the run ends or its time is up (host_guard_child).
HANDLE run_job = nullptr;
bool run_job_tried = false;

HANDLE job_of_run() {
    if (run_job_tried) return run_job;
    run_job_tried = true;
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    if (job == nullptr) return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
    memset(&limits, 0, sizeof limits);
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        CloseHandle(job);
        return nullptr;
    }
    run_job = job;
    return run_job;
}

int64_t age_seconds(const FILETIME &changed) {
    FILETIME now_time;
    GetSystemTimeAsFileTime(&now_time);
    ULARGE_INTEGER now, then;
    now.LowPart = now_time.dwLowDateTime;
    now.HighPart = now_time.dwHighDateTime;
    then.LowPart = changed.dwLowDateTime;
    then.HighPart = changed.dwHighDateTime;
    if (now.QuadPart < then.QuadPart) return 0;
    return static_cast<int64_t>((now.QuadPart - then.QuadPart) / 10000000ULL);  // 100 ns steps
}

}  // namespace

namespace {

bounded_text<127> start_refusal;

// Keeps the system's message for `error` (without its line end) and fails the start.
bool refused(DWORD error) {
    char text[128];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == ' ')) --length;
    if (length == 0)
        start_refusal.format("Windows error %lu", static_cast<unsigned long>(error));
    else
        start_refusal.assign(text, length);
    return false;
}

void close_end(intptr_t &end) {
    if (end != -1) CloseHandle(reinterpret_cast<HANDLE>(end));
    end = -1;
}

}  // namespace

const char *host_start_refusal() { return start_refusal.c_str(); }

bool host_open_channel(host_child &child, unsigned long &number) {
    host_close_channel(child);
    HANDLE read_end = nullptr, write_end = nullptr;
    // Far larger than a result: the child's write never waits for the run.
    if (!CreatePipe(&read_end, &write_end, nullptr, 65536)) return refused(GetLastError());
    child.channel = reinterpret_cast<intptr_t>(read_end);
    child.channel_child = reinterpret_cast<intptr_t>(write_end);
    // A handle's value is the same in the child that inherits it, and fits 32 bits on
    // 64-bit Windows too.
    number = static_cast<unsigned long>(reinterpret_cast<uintptr_t>(write_end));
    return true;
}

size_t host_read_channel(host_child &child, char *buffer, size_t capacity, bool &overflow) {
    size_t used = 0;
    overflow = false;
    HANDLE channel = reinterpret_cast<HANDLE>(child.channel);
    char spill[512];
    // Only what is there: a process the child left behind may still hold its end.
    DWORD waiting = 0;
    while (child.channel != -1 && PeekNamedPipe(channel, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0) {
        bool full = used == capacity;
        DWORD wanted = full ? sizeof spill : static_cast<DWORD>(capacity - used);
        if (wanted > waiting) wanted = waiting;
        DWORD count = 0;
        if (!ReadFile(channel, full ? spill : buffer + used, wanted, &count, nullptr) || count == 0) break;
        if (full)
            overflow = true;
        else
            used += count;
    }
    host_close_channel(child);
    return used;
}

void host_close_channel(host_child &child) {
    close_end(child.channel);
    close_end(child.channel_child);
}

void host_hold_channel(unsigned long number) {
    SetHandleInformation(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(number)), HANDLE_FLAG_INHERIT, 0);
}

int host_write_channel(unsigned long number, const char *bytes, size_t count) {
    HANDLE channel = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(number));
    while (count > 0) {
        DWORD written = 0;
        if (!WriteFile(channel, bytes, static_cast<DWORD>(count), &written, nullptr)) return static_cast<int>(GetLastError());
        if (written == 0) return ERROR_WRITE_FAULT;
        bytes += written;
        count -= written;
    }
    return 0;
}

unsigned long host_process_id() { return GetCurrentProcessId(); }

bool host_start_child(const char *folder, const char *argument, const char *output_name, const char *input,
                      size_t input_count, host_child &child) {
    child.process = 0;
    child.running = false;
    start_refusal.clear();
    char program[MAX_PATH + 1];
    DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return refused(length == 0 ? GetLastError() : ERROR_FILENAME_EXCED_RANGE);
    program[length] = '\0';
    bounded_text<MAX_PATH + 63> command_line;
    path_text output;
    if (!command_line.format("\"%s\" %s", program, argument) || !output.format("%s\\%s", folder, output_name))
        return false;
    // CreateProcess wants the child's current directory as a full path.
    char directory[MAX_PATH + 1];
    DWORD directory_length = GetFullPathNameA(folder, sizeof directory, directory, nullptr);
    if (directory_length == 0 || directory_length >= sizeof directory) return false;

    HANDLE read_end = nullptr, write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, nullptr, 65536)) return refused(GetLastError());
    HANDLE out = CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE null = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    PROCESS_INFORMATION process;
    memset(&process, 0, sizeof process);
    BOOL started = FALSE;
    bool in_job = false;
    DWORD error = out == INVALID_HANDLE_VALUE || null == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    if (out != INVALID_HANDLE_VALUE && null != INVALID_HANDLE_VALUE) {
        HANDLE channel = reinterpret_cast<HANDLE>(child.channel_child);
        started = create_with_handles(command_line.data, directory, inheritable(read_end), inheritable(out),
                                      inheritable(null), inheritable(channel), job_of_run(), process, in_job);
        if (!started) error = GetLastError();
    }
    CloseHandle(read_end);
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    if (null != INVALID_HANDLE_VALUE) CloseHandle(null);
    if (!started) {
        CloseHandle(write_end);
        return refused(error);
    }
    HANDLE job = job_of_run();
    if (job != nullptr && !in_job) AssignProcessToJobObject(job, process.hProcess);
    CloseHandle(process.hThread);
    child.process = reinterpret_cast<intptr_t>(process.hProcess);
    child.running = true;
    close_end(child.channel_child);
    DWORD written = 0;
    WriteFile(write_end, input, static_cast<DWORD>(input_count), &written, nullptr);
    CloseHandle(write_end);
    return true;
}

int host_wait_any(host_child *children, size_t count, uint64_t deadline, child_end &end, int &status) {
    HANDLE handles[MAXIMUM_WAIT_OBJECTS];
    size_t index[MAXIMUM_WAIT_OBJECTS];
    DWORD waiting = 0;
    for (size_t i = 0; i < count && waiting < MAXIMUM_WAIT_OBJECTS; ++i) {
        if (!children[i].running) continue;
        handles[waiting] = reinterpret_cast<HANDLE>(children[i].process);
        index[waiting++] = i;
    }
    if (waiting == 0) return -1;
    DWORD timeout = INFINITE;
    if (deadline != 0) {
        uint64_t now = host_clock_ms();
        timeout = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
    }
    DWORD signalled = WaitForMultipleObjects(waiting, handles, FALSE, timeout);
    if (signalled >= WAIT_OBJECT_0 + waiting) return -1;
    host_child &done = children[index[signalled - WAIT_OBJECT_0]];
    DWORD code = 0;
    GetExitCodeProcess(handles[signalled - WAIT_OBJECT_0], &code);
    CloseHandle(handles[signalled - WAIT_OBJECT_0]);
    done.running = false;
    done.process = 0;
    // An unhandled exception ends a process with its NTSTATUS code (0xC0000005 and the like).
    end = code >= 0xC0000000u ? child_end::crashed : child_end::exited;
    status = static_cast<int>(code);
    return static_cast<int>(index[signalled - WAIT_OBJECT_0]);
}

namespace {

// What a child's guard watches; written before its thread starts.
struct child_guard {
    HANDLE parent;
    uint64_t deadline;
    UINT status;
};
child_guard guard;

DWORD WINAPI watch_parent(LPVOID) {
    for (;;) {
        DWORD wait = INFINITE;
        if (guard.deadline != 0) {
            uint64_t now = host_clock_ms();
            if (now >= guard.deadline) break;
            uint64_t rest = guard.deadline - now;
            wait = rest > 60000 ? 60000 : static_cast<DWORD>(rest);
        }
        DWORD waited = WaitForSingleObject(guard.parent, wait);
        if (waited != WAIT_TIMEOUT) break;  // ended, or no longer to be waited on
    }
    TerminateProcess(GetCurrentProcess(), guard.status);
    return 0;
}

uint64_t created_at(HANDLE process) {
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(process, &created, &ended, &kernel, &user)) return 0;
    return (static_cast<uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

}  // namespace

void host_guard_child(unsigned long parent_id, uint64_t deadline, int status) {
    guard.deadline = deadline;
    guard.status = static_cast<UINT>(status);
    guard.parent = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(parent_id));
    // A process with that id created after this one is not the run that started it.
    uint64_t parent_created = guard.parent == nullptr ? 0 : created_at(guard.parent);
    uint64_t own_created = created_at(GetCurrentProcess());
    if (guard.parent == nullptr || parent_created == 0 || (own_created != 0 && parent_created > own_created) ||
        WaitForSingleObject(guard.parent, 0) != WAIT_TIMEOUT)
        TerminateProcess(GetCurrentProcess(), guard.status);
    HANDLE thread = CreateThread(nullptr, 64 * 1024, watch_parent, nullptr, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread != nullptr) CloseHandle(thread);
}

void host_kill_child(host_child &child) {
    if (!child.running) return;
    HANDLE process = reinterpret_cast<HANDLE>(child.process);
    TerminateProcess(process, killed_status);
    WaitForSingleObject(process, INFINITE);
    CloseHandle(process);
    child.running = false;
    child.process = 0;
}

bool host_make_folder(const char *name) { return CreateDirectoryA(name, nullptr) != 0; }

bool host_remove_folder(const char *name) { return RemoveDirectoryA(name) != 0; }

bool host_list_folder(const char *name, host_entry_visitor visit, void *context) {
    path_text pattern;
    if (!pattern.format("%s%s*", name, name[0] == '\0' ? "" : "\\")) return false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0) continue;
        // A junction, a symbolic link or any other reparse point is never a folder here:
        // it is removed as a link and never entered, so that a sweep run by a service
        // account cannot be led to delete files elsewhere.
        bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                      (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
        visit(found.cFileName, folder, age_seconds(found.ftLastWriteTime), context);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return true;
}

bool host_append_whole(const char *name, const char *bytes, size_t count) {
    HANDLE file = CreateFileA(name, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL whole = count == 0 || (WriteFile(file, bytes, static_cast<DWORD>(count), &written, nullptr) && written == count);
    CloseHandle(file);
    return whole != FALSE;
}

size_t host_read_input(char *buffer, size_t capacity, bool &overflow) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    size_t used = 0;
    overflow = false;
    char spill[512];
    for (;;) {
        bool full = used == capacity;
        DWORD count = 0;
        BOOL read = full ? ReadFile(input, spill, sizeof spill, &count, nullptr)
                         : ReadFile(input, buffer + used, static_cast<DWORD>(capacity - used), &count, nullptr);
        if (!read || count == 0) return used;  // the end of the pipe reads as a broken pipe
        if (full)
            overflow = true;
        else
            used += count;
    }
}
