// The multi-system run: every system of the listing in turn, logged on, identified,
// measured without channels, and one summary line that counts the systems taken,
// processed and failed. A failing system never ends the run; a failing system
// information call or a foreign database does.
#pragma once

#include "core/run_record.h"

/// Visits every entry of run.system_listing ("NAME#NAME#...", profiles resolved in
/// profile_directory), prints the trace lines as they come and the summary document
/// with its count channels at the end; the document head comes first in trace mode and
/// with the summary otherwise, so a run ended early prints its error document alone.
/// Returns exit_success after the summary, or exit_error_document when a system cannot
/// be identified or is not on DB4.
int run_multi_system(run_record &run);
