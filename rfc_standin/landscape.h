// The simulated SAP systems, read from the landscape file: $KORVANEL_RFC_LANDSCAPE
// when set, else "SapLandscape.txt" in the working directory. The file is read again
// at every open, so a changed landscape applies to the next logon; a faulty line
// makes the whole file count as unusable, named by its line number.
#pragma once

#include <cstdio>

#include "rfc_standin/standin_state.h"

/// Why the landscape file cannot be used: file name, line number and reason.
typedef bounded_text<200> landscape_problem;

/// Reads the landscape file into `landscape`; false with `problem` (never holding
/// a password) when it is missing or a line is not understood.
bool load_landscape(standin_landscape &landscape, landscape_problem &problem);
/// The reading part of load_landscape, for a landscape file already open: reads
/// `file` to its end (without closing it) into `landscape`; false with `problem`
/// naming `name` and the line when a line is not understood.
bool read_landscape(FILE *file, const char *name, standin_landscape &landscape, landscape_problem &problem);
/// The first fault of `kind` in `system` whose target is `target` (letter case
/// ignored; null `target` for faults without one); null when there is none.
const standin_fault *find_fault(const standin_system &system, fault_kind kind, const char *target);
