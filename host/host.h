// What differs between Windows and POSIX: opening, creating and deleting files by
// the Windows-style names the program uses, the local time of day, standard
// output and the end of the process. host_win32.cpp and host_posix.cpp implement it;
// nothing outside this folder needs to know which one is linked.
#pragma once

#include <cstddef>
#include <cstdio>

/// Prepares the process: standard output in binary mode, so a line feed is written alone.
void host_start();

/// Opens a file for reading in binary; null when it is missing, unreadable or a directory.
FILE *host_open_read(const char *name);
/// Creates (or empties) a file for writing in binary; null when that is not possible.
FILE *host_create_write(const char *name);
/// Deletes a file; false when it was missing or could not be deleted.
bool host_delete(const char *name);

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

/// Writes `count` bytes to standard output unchanged.
void host_write_stdout(const char *bytes, size_t count);
/// Writes a terminated text to standard output unchanged.
void host_print(const char *text);
/// Flushes standard output and ends the process with `status`.
[[noreturn]] void host_exit(int status);
