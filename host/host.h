// What differs between Windows and POSIX: opening, creating, locking and deleting
// files by the Windows-style names the program uses, the local time of day and a
// clock that never jumps, standard output, the watchdog thread and the end of the
// process. host_win32.cpp and host_posix.cpp implement it; nothing outside this
// folder needs to know which one is linked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "core/bounded_text.h"
#include "core/rfc_library_description.h"

/// Prepares the process: standard output in binary mode, so a line feed is written alone.
void host_start();

/// Opens a file for reading in binary; null when it is missing, unreadable or a directory.
FILE *host_open_read(const char *name);
/// Creates (or empties) a file for writing in binary; null when that is not possible.
FILE *host_create_write(const char *name);
/// Deletes a file, or a link itself (a link to a folder too), never what it points to;
/// false when it was missing or could not be deleted.
bool host_delete(const char *name);
/// The size of the file `name` in bytes; false when it is missing or cannot be asked.
bool host_file_size(const char *name, uint64_t &size);
/// Renames the file or folder `from` to `to`, replacing a file `to` in one step; false
/// when that is not possible (on Windows, for one, while another process has `from` open).
bool host_rename_replacing(const char *from, const char *to);

// What became of an operation on an existing file.
enum class host_file_result {
    done,     // it worked
    missing,  // no such file (or it is a directory)
    denied,   // read-only, or no permission for this user
    failed,   // any other failure
};

/// Calls `each` with the name (without folder) of every file, not folder, directly in
/// `folder`, in no particular order, with `context`; false when the folder cannot be read.
bool host_list_files(const char *folder, void (*each)(const char *name, void *context), void *context);

/// Tests, without changing anything, that `name` is an existing file that this process
/// may replace: writable itself (not read-only), in a directory where a new file can be
/// made.
host_file_result host_check_replaceable(const char *name);

/// Replaces the existing file `name` by the `count` bytes in one step: writes them to a
/// new file in the same directory, then puts that in the old file's place, keeping the
/// old file's permissions (its access list on Windows, its mode on POSIX). On failure
/// the old file is untouched and no new file is left behind.
host_file_result host_replace_file(const char *name, const unsigned char *bytes, size_t count);

/// Writes one UTF-16 character (`count` 1, or 2 for a surrogate pair) in the probe's ANSI
/// code page into `out` (Windows-1252 where there is no Windows) and returns the number of
/// bytes, 1 to 8. A character the code page cannot hold becomes "?", never a look-alike.
size_t host_ansi_from_utf16(const uint16_t *units, size_t count, unsigned char out[8]);
/// A lock held on a file, or host_no_lock.
typedef intptr_t host_file_lock;
constexpr host_file_lock host_no_lock = -1;
/// Opens (creating it when missing) the file `name` and waits, however long it takes,
/// until this process holds it exclusively: no other process that locks the same file
/// gets past this call until the lock is released (LockFileEx / flock). The file's
/// content is never touched. Returns host_no_lock when the file cannot be opened or
/// locked; the lock ends with host_unlock_file or with the process, however it ends.
host_file_lock host_lock_file(const char *name);
/// The same, waiting at most until host_clock_ms reaches `deadline` (0: as long as it
/// takes); host_no_lock when the lock could not be had by then.
host_file_lock host_lock_file_until(const char *name, uint64_t deadline);
/// Releases a lock of host_lock_file and closes its file; nothing for host_no_lock.
void host_unlock_file(host_file_lock lock);

/// True when standard input is an interactive terminal (console), not a pipe or file.
bool host_stdin_is_terminal();
/// Switches the echo of typed characters on standard input on or off; false when
/// standard input is no terminal. While echo is off, an interrupt restores it first.
bool host_set_stdin_echo(bool on);

/// Decodes the character that begins at `bytes` (`available` >= 1 bytes readable) in
/// this machine's ANSI code page, the one Windows hands a program's arguments and old
/// files in: writes its Unicode code point into `code_point` and returns the bytes it
/// takes (1, or 2 for a double-byte character). A byte sequence the code page does not
/// map gives U+FFFD and takes 1 byte.
size_t host_decode_ansi(const unsigned char *bytes, size_t available, unsigned long *code_point);

/// Writes the local time of day as "hh:mm:ss" (24-hour clock) into `out`, 9 bytes with terminator.
void host_time_of_day(char out[9]);

/// Milliseconds on a clock that never jumps (not with the time of day, not backwards),
/// counted from an arbitrary origin; the same clock in every thread of the process.
uint64_t host_clock_ms();
/// The reading of host_clock_ms when the process started: on Windows taken from the
/// process's creation time, so the time the loader and librfc32's start-up took counts;
/// on POSIX the moment host_start ran, which follows the start within milliseconds.
uint64_t host_process_start_ms();
/// Sleeps for at least `milliseconds`.
void host_sleep_ms(unsigned milliseconds);
/// Starts a thread that waits until host_clock_ms reaches `deadline` and then calls
/// `at_deadline` once (at once when the deadline has passed). The thread holds no
/// resource the process needs to end; false when no thread could be started.
bool host_start_watchdog(uint64_t deadline, void (*at_deadline)());

/// From now on, when this process meets an invalid memory access, an illegal
/// instruction, a bus error or an arithmetic fault (POSIX: SIGSEGV, SIGBUS, SIGILL,
/// SIGFPE, handled on a stack of their own; Windows: the process's unhandled-exception
/// filter, so that an exception the library handles itself is never seen), `on_crash`
/// is called on the thread that met it. When it returns, the fault ends the process as
/// it would have without this. False when the handler could not be installed.
bool host_catch_crashes(void (*on_crash)());
/// The calling thread's id, distinct among the process's living threads.
unsigned long host_thread_id();

/// The full path of a loaded module as the trace shows it: Windows' MAX_PATH, and more.
typedef bounded_text<300> host_module_path;
/// Puts the `length` bytes of `path` into `out`. A longer path keeps its beginning and
/// its end (the file's name) with "..." between, so that the cut shows and the file is
/// still named; `out.cut` is then set.
void host_take_module_path(host_module_path &out, const char *path, size_t length);
/// Finds the RFC library this process has loaded, the module librfc32.dll (Windows) or
/// librfc32.so (POSIX) that the program's RFC functions come from, without loading
/// anything: writes its full path into `path` (made absolute, cut as
/// host_take_module_path cuts) and its export rfc_library_describe_name into
/// `describe`, null when it has none (SAP's classic library, the stand-in). False, with
/// `path` empty and `describe` null, when no such module is loaded.
bool host_find_rfc_library(host_module_path &path, rfc_library_describe_function &describe);

/// Writes `count` bytes to standard output unchanged.
void host_write_stdout(const char *bytes, size_t count);
/// Writes a terminated text to standard output unchanged.
void host_print(const char *text);
/// Hands what was written to standard output on at once, so that it is not lost when
/// the process dies without ending (a crash inside the library).
void host_flush();
/// Flushes standard output and ends the process with `status`.
[[noreturn]] void host_exit(int status);
/// Flushes standard output and ends the whole process with `status` at once, from any
/// thread (TerminateProcess / _exit): no exit handlers and no cleanup of the C library
/// run, so a library stuck in another thread, perhaps holding its own locks, cannot
/// stop the end.
[[noreturn]] void host_terminate(int status);
