// The RFC connection to one SAP system, opened from the profile's logon data: with
// RfcOpen and explicit options, or, when a file "SapRfc.<destination>" lies in the
// working directory, through the library's own "SapRfc.ini" and RfcOpenEx. Sensors
// that PRTG runs at the same time share the one "SapRfc.ini" of the working
// directory, so the second route holds a lock from the copy until the library has
// read it.
#pragma once

#include "core/librfc32.h"
#include "core/run_record.h"

/// Fills run.connection_options from the profile record and the ",HOST=" / ",NO="
/// options of the parameter string: text copies (user padded to 12, password to 10
/// blanks), mode 1 (CPIC) only for a mode of exactly "R/2", absent (null) host and
/// gateway texts when empty, the system number kept when no value is given, trace 0.
void fill_connection_options(run_record &run);

/// Builds the "CLIENT=... USER=... PASSWD=... LANG=D DEST=..." text for RfcOpenEx
/// into `out` from the profile values as they stand, a value with a blank in double
/// quotes; false when it does not fit or a value cannot be quoted (it holds a quote).
bool build_connect_string(const run_record &run, bounded_text<255> &out);

/// The lock file beside "SapRfc.ini" that every run taking the destination-file
/// route holds while "SapRfc.ini" is its own; its content is never used.
constexpr const char *ini_lock_file_name = "SapRfc.ini.lck";

/// Opens the connection described by the profile record: through "SapRfc.ini" (after
/// printing "* SapRfc.Ini.......: <destination><" and copying the destination file
/// there byte for byte, holding the lock of ini_lock_file_name, waited for as long as
/// it takes, from before the copy until RfcOpenEx has returned) when
/// "SapRfc.<destination>" exists, else with RfcOpen.
/// Returns the handle, or 0 when no connection was opened (also when "SapRfc.ini"
/// could not be written completely, in which case the library is not called).
RFC_HANDLE open_connection(run_record &run);
