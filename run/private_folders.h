// The private folders a listing's children work in, below the working directory: made
// and locked for as long as the run uses them, given the files the library may look for
// in its current directory, and, at the start of a run, the sweep of the folders that
// runs ended from outside left behind.
#pragma once

#include "core/bounded_text.h"
#include "host/host.h"

typedef bounded_text<47> private_folder_name;

/// Reads the working directory once at the start of a run: removes the private folders
/// (and their files) that a run ended from outside left there (their lock can be taken,
/// or, without a lock file, more than an hour ago), and notes the files that children may
/// need copied in ("SapRfc.*" and the files the library looks for), so that they are not
/// looked up again for every system.
void look_at_working_directory();

/// Makes a private folder of a name no other folder has and locks it for the run; false
/// when none can be made (the working directory takes no folders), from then on for the
/// whole run.
bool make_private_folder(private_folder_name &folder, host_file_lock &lock);

/// Copies into `folder` the files of the working directory the library may look for in
/// its current directory, with "SapRfc.<destination>".
void copy_in_library_files(const char *folder, const char *destination);

/// True for the files the run itself puts in a private folder: its lock file and the
/// copies of copy_in_library_files.
bool is_run_file(const char *name);

/// Lets go of the folder's lock and removes it; `folder` is then empty.
void drop_private_folder(private_folder_name &folder, host_file_lock &lock);

/// Compares two file names as Windows does for ASCII letters.
bool same_file_name(const char *a, const char *b);
