// Fuzz target: a parameter text and a listing file (split at the first NUL byte)
// through the global listing or family profile reader, then the texts it took as
// channel, value and unit through every output flavour's document.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "config/system_listing.h"
#include "fuzz/fuzz_input.h"
#include "output/prtg_writer.h"
#include "run/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static char parameters[8192];
    const uint8_t *listing = nullptr;
    size_t listing_size = 0;
    if (!split_input(data, size, parameters, sizeof parameters, &listing, &listing_size)) return 0;

    const char *name = "fuzz_system_listing.tmp";
    FILE *file = fopen(name, "wb");
    if (file == nullptr) return 0;
    if (listing != nullptr) fwrite(listing, 1, listing_size, file);
    fclose(file);

    const char *argv[] = {"Korvanel.exe", "GLOBAL", parameters};
    static run_record run;
    run = run_record{};
    parse_command_line(run, 3, argv);
    run.profile_path.assign(name);
    run_message message;
    load_system_listing(run, parameters, message);

    for (const char *flavour : {"EXEXML", "Gantries", "Brimtol"}) {
        run.output_flavour.assign(flavour);
        open_document(run);
        open_text(run);
        append_text(run, run.entry_text.c_str());
        close_text(run);
        write_result(run, run.entry_text.c_str(), run.item_label.c_str(), run.system_listing.c_str());
        close_document(run);
        write_error_document(run, message.c_str());
    }
    return 0;
}
