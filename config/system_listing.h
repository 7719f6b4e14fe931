// The list of systems of a multi-system run: read from the global listing file
// "SAP Wendmark.Gbl" (the group of this sensor key, with its one entry line) or from
// the family profile "Wendmark.Prf" (ITEM= runs). Every failure is handed back as the
// message of the error document, before any system is visited.
#pragma once

#include "core/run_record.h"

/// Closes run.profile_file (when open), reads the file named by profile_path again (in
/// any encoding line_reader.h understands; a listing line whole, however long) and
/// fills system_listing, and for the global listing file item_label, entry_text
/// (cut at ",Sensor=", ':' shown as a blank, at most 127 characters) and entry_line
/// (the same text uncut, as the line holds it). ITEM= in
/// parameter_string selects the family profile, whose item_label stays as given.
/// `first_parameter` is the first parameter argument as typed (null when none), named
/// in error 1030. The entry line's LIMITS= (read from the whole line) replaces
/// run.asp_limits; without one there run.asp_limits (the parameter field's) stays. Returns false with `message` set to the error text (1019, 1024,
/// "10x1", 1025, 1026, 1027, 1029 or 1030); the file is closed on every path.
bool load_system_listing(run_record &run, const char *first_parameter, run_message &message);
