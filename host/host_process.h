// Child processes, private folders and file locks: what a multi-system run needs to
// visit each system in a process of its own. Children are this same program, started
// with one internal argument; their secrets go in through a pipe on standard input,
// never on the command line or in the environment, and their result comes back
// through a pipe of its own, which needs no disk space. process_win32.cpp and
// process_posix.cpp implement it.
#pragma once

#include <cstddef>
#include <cstdint>

/// A started child: the process, whether it is still to be waited for, and the run's
/// end of the channel through which it hands back its result.
struct host_child {
    intptr_t process;            // process handle (Windows) or process id (POSIX); 0 when none
    bool running;                // started and not yet seen to end
    intptr_t channel{-1};        // the run's end of its result channel; -1 when none
    intptr_t channel_child{-1};  // the child's end, held by the run until the child has started
};

/// Opens the child's result channel (a pipe; any earlier one of `child` is closed
/// first) and gives in `number` how the child names its end (a descriptor on POSIX, a
/// handle's value on Windows). False when the system refuses it: host_start_refusal
/// says why.
bool host_open_channel(host_child &child, unsigned long &number);

/// Reads, after the child has ended, what it wrote to its channel, without ever
/// waiting (a process the child left behind may still hold its end): at most
/// `capacity` bytes into `buffer`, more read and dropped with `overflow` set. Closes
/// the channel; returns the count read.
size_t host_read_channel(host_child &child, char *buffer, size_t capacity, bool &overflow);

/// Closes both ends of the child's channel, where still open.
void host_close_channel(host_child &child);

/// Called by a child on the end `number` of its channel: keeps it from the processes
/// the RFC library may start, so that none of them can hold it or write to it.
void host_hold_channel(unsigned long number);

/// Writes `count` bytes to the child's end `number` of its channel; returns 0, or the
/// system's error number (errno, GetLastError) when not all were written.
int host_write_channel(unsigned long number, const char *bytes, size_t count);

/// How a child ended.
enum class child_end { exited, crashed };

/// Whether the environment variable that begins at `entry` ("NAME=value") is one of
/// PRTG's placeholders: a name beginning with "prtg_" in any letter case, among them
/// the device's credentials (prtg_windowsuser, prtg_windowspassword, prtg_linuxpassword,
/// ...). A listing's children start without them: their password comes in their request.
bool host_is_prtg_variable(const char *entry);

/// Starts this program again with the single argument `argument`, in `folder` (a
/// relative Windows-style name) as its current directory: its standard output goes to
/// the file `output_name` in that folder (created empty), its standard error to the
/// null device, and its standard input is a pipe into which `input` (`input_count`
/// bytes) is written and closed at once. The child's end of a channel opened with
/// host_open_channel is handed to it under its number and closed in the run once the
/// child has started. Its environment is the run's without PRTG's placeholders
/// (host_is_prtg_variable). No window is opened. On Windows every child
/// belongs to one job object of the run that ends it when the run's process ends for
/// any reason. False when the child could not be started; then nothing is left running.
bool host_start_child(const char *folder, const char *argument, const char *output_name, const char *input,
                      size_t input_count, host_child &child);

/// The system's own words for why the last start of a child was refused (for example
/// "Resource temporarily unavailable"), or "" when none was.
const char *host_start_refusal();

/// Waits until one of the `count` children that are still running ends, or until
/// host_clock_ms reaches `deadline` (0: no deadline). Returns the index of
/// a child that ended (its `running` is cleared, `end` and `status` say how), or -1 at
/// the deadline or when no child is running.
int host_wait_any(host_child *children, size_t count, uint64_t deadline, child_end &end, int &status);

/// Called by a child before anything else: it never outlives the run that started it.
/// The child ends itself with `status` when the process `parent_id` has ended, or
/// when host_clock_ms passes `deadline` (0: never). On POSIX the parent's death sends
/// the child SIGKILL and a check every quarter of a second sees a parent that is no
/// longer the one that started it; on Windows the child waits on its parent's handle,
/// opened only when that process is older than the child (an id comes back quickly).
void host_guard_child(unsigned long parent_id, uint64_t deadline, int status);

/// Ends a running child at once (TerminateProcess / SIGKILL) and waits for its end.
void host_kill_child(host_child &child);

/// The id of this process, for names of its private folders.
unsigned long host_process_id();

/// Creates the folder `name` (relative Windows-style name); false when it exists or
/// cannot be made.
bool host_make_folder(const char *name);
/// Removes the empty folder `name`; false when that is not possible.
bool host_remove_folder(const char *name);

/// Called for each entry of a folder other than "." and "..": its name, whether it is a
/// folder, and its age in seconds (from its last change). A link of any kind (on
/// Windows any reparse point, a junction and a mounted volume included) and on POSIX a
/// mount point (another file system, or the top of a bind mount) is never reported as a
/// folder, whatever it leads to: host_delete removes a link itself, and leaves a mount
/// point.
typedef void (*host_entry_visitor)(const char *name, bool is_folder, int64_t age_seconds, void *context);
/// Lists the folder `name` ("" for the working directory); false when it cannot be read.
bool host_list_folder(const char *name, host_entry_visitor visit, void *context);

/// Appends `count` bytes to the file `name` (created when missing) in one write, so
/// that writers of other processes never split it; false when not all were written.
bool host_append_whole(const char *name, const char *bytes, size_t count);

/// Reads standard input in binary to its end into `buffer` (at most `capacity` bytes);
/// returns the count read. More than fits is read and dropped, so the writer never waits.
size_t host_read_input(char *buffer, size_t capacity, bool &overflow);
