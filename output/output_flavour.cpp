// Choosing the output flavour. The option is read like every other parameter option,
// but its value keeps its letter case: the host programs know the flavours by their
// exact names.
#include "output/output_flavour.h"

#include "core/options.h"

namespace {

const char *const flavour_names[] = {"EXEXML", "Lumaset", "Tessvar", "Gantries", "Brimtol"};

}  // namespace

void choose_output_flavour(run_record &run) {
    run.output_flavour.assign("EXEXML");
    // A value longer than the field is cut to 15 characters, longer than every name,
    // so it can never pass for one.
    bounded_text<15> wanted;
    if (!option_value(run, "FLAVOUR=", wanted)) return;
    for (const char *name : flavour_names)
        if (wanted.equals(name)) run.output_flavour.assign(name);
}

bool is_gantries_flavour(const run_record &run) { return run.output_flavour.equals("Gantries"); }

bool is_brimtol_flavour(const run_record &run) { return run.output_flavour.equals("Brimtol"); }

bool is_xml_flavour(const run_record &run) { return !is_gantries_flavour(run) && !is_brimtol_flavour(run); }
