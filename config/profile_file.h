// The profile file of one SAP system: "Key........: value" lines read into the
// run's profile record, with the stored password unscrambled. A value too long for
// its field is kept cut but marked, so it can never be used as a different value.
#pragma once

#include "core/run_record.h"

// How a profile defect is treated.
enum class profile_reading {
    strict,   // one profile per run: the first defect is the run's error
    lenient,  // one of many systems: a defect only marks the system as failed
};

/// Reads the open run.profile_file to its end (strict: up to a bad password line) and
/// closes it; the file may be ANSI, UTF-8 with or without mark, or UTF-16 (line_reader.h). Fills run.profile_record (the user upper-cased, the password plain) and
/// run.display_host from "Hostname...:" lines. Sets `system_failed` when the profile is
/// unusable, and puts the 1003 to 1007 message into `message`, which names
/// run.profile_name (read leniently: the defect a strict reading would have named). Sets `*password_rejected` (when given) when the profile's own
/// password line was invalid or wrong, which leaves the earlier password in the record.
/// Returns false when the profile is unusable.
bool read_profile(run_record &run, profile_reading mode, run_message &message, bool &system_failed,
                  bool *password_rejected = nullptr);
