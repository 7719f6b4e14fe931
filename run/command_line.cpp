// Reading the command line: the joined parameter text and its upper-cased twin in
// which options are found by plain substring search, the item option, the trace
// switch and the profile name with its default suffix.
#include "run/command_line.h"

#include <cstring>

namespace {

constexpr size_t item_label_capacity = 90;

// The family profile of an ITEM= run.
const char *const family_profile_name = "Wendmark.Prf";

}  // namespace

void parse_command_line(run_record &run, int argc, const char *const *argv) {
    run.parameter_text.clear();
    if (argc >= 3) run.parameter_text.append(argv[2]);
    if (argc >= 4) {
        run.parameter_text.append(" ");
        run.parameter_text.append(argv[3]);
    }
    run.parameter_string = run.parameter_text;
    text_upper_ascii(run.parameter_string.data);
    run.trace_mode = strpbrk(run.parameter_string.c_str(), "#@$%") != nullptr;

    const char *profile_argument = argc >= 2 ? argv[1] : "";
    if (option_value(run, "ITEM=", run.item_label)) {
        // The item label is shown in the summary, where ':' would read as a separator.
        text_colons_to_blanks(run.item_label.data);
        // A label as long as the field may have been cut there, inside a character.
        if (run.item_label.length == item_label_capacity)
            text_drop_cut_character(run.item_label.data, &run.item_label.length);
        run.multi_system_mode = true;
        profile_argument = family_profile_name;
    }
    static_assert(decltype(run.item_label)::capacity == item_label_capacity, "item label holds 90 characters");

    run.profile_name.assign(profile_argument);
    // A name without a three-character extension gets the default one.
    size_t length = run.profile_name.length;
    if (length < 4 || run.profile_name.data[length - 4] != '.') run.profile_name.append(".P00");
    if (is_global_profile_name(run.profile_name.c_str())) {
        run.multi_system_mode = true;
        run.profile_name.assign(global_listing_name);
    }
}
