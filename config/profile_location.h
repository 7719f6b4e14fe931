// Finding the profile file named on the command line: for PRTG (flavour EXEXML) in
// the working directory, below the directory named by "C:\PRTG_Path.Txt" or in PRTG's
// fixed sensor directories; for the other flavours in the directory given with it.
#pragma once

#include "core/run_record.h"

/// The optional file that names PRTG's installation directory.
constexpr const char *prtg_path_file = "C:\\PRTG_Path.Txt";

/// Splits run.profile_name into directory and file name, switches to the global
/// listing when the file name is "GLOBAL.P00" (multi_system_mode), finds the file and
/// leaves it open in run.profile_file, with profile_name (the file name alone),
/// profile_directory and profile_path set. Returns false with the 1002 message in
/// `message` when it is not found or its file name is longer than 63 characters ("is
/// missing"), or when the path file names a directory longer than 100 characters or the
/// directory given with the name is longer than directory_capacity ("is too long").
bool locate_profile(run_record &run, run_message &message);

/// Closes run.profile_file when it is open.
void close_profile_file(run_record &run);
