// Which output flavour a run has: PRTG XML by default, or the form another host
// program reads. The flavour is chosen once at start-up from the FLAVOUR= option and
// compared by its exact name, so a name in another letter case is no flavour at all.
#pragma once

#include "core/run_record.h"

/// Sets output_flavour from the option FLAVOUR= in parameter_string, its value taken
/// from parameter_text in its own case up to a blank or a comma: "EXEXML", "Lumaset",
/// "Tessvar", "Gantries" or "Brimtol". An absent, empty or unknown value gives "EXEXML".
void choose_output_flavour(run_record &run);

/// True when the run prints PRTG XML: every flavour except Gantries and Brimtol.
bool is_xml_flavour(const run_record &run);
/// True when the run prints the Gantries "Message."/"Statistic." lines.
bool is_gantries_flavour(const run_record &run);
/// True when the run prints the Brimtol "> " lines or a single selected value.
bool is_brimtol_flavour(const run_record &run);
