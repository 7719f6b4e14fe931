// Reading the global listing and the family profile. Lines are read in pieces of 199
// characters like every listing ever written for the sensor, except that a listing line
// is taken whole, however many systems it names; markers and keys are matched on an
// upper-cased copy, texts are taken in their own case. A listing that does not fit is
// an error, never a silently shortened run.
#include "config/system_listing.h"

#include <cstdio>
#include <cstring>

#include "config/limits_option.h"
#include "config/profile_location.h"
#include "host/host.h"
#include "host/line_reader.h"

namespace {

constexpr size_t piece_characters = 199;
constexpr size_t sensor_key_length = 10;
constexpr size_t listing_text_column = 20;  // column 21, counted from 0
constexpr size_t entry_text_column = 19;    // column 20, counted from 0

const char *const sensor_allocation = "Sensor=\"SAP Korvanel\"";

using line_text = bounded_text<piece_characters>;

// The texts of the global listing file that one run takes.
struct global_selection {
    bounded_text<18> listing_marker;  // "# GSNG: " and the sensor key
    bounded_text<18> entry_marker;    // "# GSNX: " and the sensor key
    bool entry_taken = false;
    line_text entry_uncut;            // the entry text, for its item
};

void take_text_from(const line_text &line, size_t column, bounded_text<system_listing_capacity> &listing) {
    if (line.length > column) listing.append(line.c_str() + column);
}

// The sensor key is the parameter text's first word, always 10 characters.
void form_markers(const run_record &run, global_selection &selection) {
    bounded_text<sensor_key_length> key;
    const char *parameters = run.parameter_string.c_str();
    key.assign(parameters, strcspn(parameters, " "));
    while (key.length < sensor_key_length) key.append_char(' ');
    selection.listing_marker.assign("# GSNG: ");
    selection.listing_marker.append(key.c_str());
    selection.entry_marker.assign("# GSNX: ");
    selection.entry_marker.append(key.c_str());
}

// The item of an entry line: the value of "Item=" up to a blank or a comma.
void item_from_entry(const char *entry, bounded_text<90> &item) {
    item.clear();
    const char *at = strstr(entry, "Item=");
    if (at == nullptr) return;
    at += strlen("Item=");
    // A label cut at its 90 characters must not end inside a character.
    if (!item.assign(at, strcspn(at, " ,"))) text_drop_cut_character(item.data, &item.length);
    text_colons_to_blanks(item.data);
}

// Handles one line of the global listing file; false with the message when the
// selected entry line does not belong to this sensor. Sets `listing_line` when the line
// gave listing text.
bool global_line(run_record &run, const line_text &line, global_selection &selection, run_message &message,
                 bool &listing_line) {
    line_text upper = line;
    text_upper_ascii(upper.data);
    listing_line = upper.starts_with(selection.listing_marker.c_str());
    if (listing_line) take_text_from(line, listing_text_column, run.system_listing);
    if (selection.entry_taken || !upper.starts_with(selection.entry_marker.c_str())) return true;

    const char *entry = line.length > entry_text_column ? line.c_str() + entry_text_column : "";
    if (strstr(entry, sensor_allocation) == nullptr) {
        message.assign("Error 1029: Invalid Sensor-Allocation...");
        return false;
    }
    selection.entry_taken = true;
    selection.entry_uncut.assign(entry);
    const char *sensor = strstr(entry, ",Sensor=");
    run.entry_text.assign(entry, sensor != nullptr ? static_cast<size_t>(sensor - entry) : strlen(entry));
    text_colons_to_blanks(run.entry_text.data);
    return true;
}

// Handles one line of the family profile; true when it gave listing text.
bool family_line(run_record &run, const line_text &line) {
    if (!line.starts_with("# Gsng: ")) return false;
    take_text_from(line, listing_text_column, run.system_listing);
    return true;
}

// Reads the whole file line by line; false with the message from the first bad line.
bool read_listing(run_record &run, FILE *file, bool family, global_selection &selection, run_message &message) {
    char piece[piece_characters + 1];
    line_text line;
    text_reader reader;
    open_text_reader(reader, file, text_decoding::as_saved);
    while (read_line(reader, piece, piece_characters)) {
        line.assign(piece);
        bool listing_line = false;
        if (family)
            listing_line = family_line(run, line);
        else if (!global_line(run, line, selection, message, listing_line))
            return false;
        // The rest of a long listing line is more of its listing text, never a line of
        // its own: a system named there is visited, or the listing is too long (1027).
        while (listing_line && !reader.piece_ended_line && read_line(reader, piece, piece_characters))
            run.system_listing.append(piece);
    }
    return true;
}

}  // namespace

bool load_system_listing(run_record &run, const char *first_parameter, run_message &message) {
    message.clear();
    close_profile_file(run);
    run.system_listing.clear();
    run.entry_text.clear();
    run.entry_line.clear();
    const bool family = run.parameter_string.find("ITEM=") >= 0;
    global_selection selection;
    if (!family) form_markers(run, selection);

    FILE *file = host_open_read(run.profile_path.c_str());
    if (file == nullptr) {
        message.format("Error %s: ProFile %s is missing...", family ? "1024" : "10x1", run.profile_name.c_str());
        return false;
    }
    bool read = read_listing(run, file, family, selection, message);
    fclose(file);
    if (!read) return false;
    // The entry line's LIMITS= wins over the parameter field's, as DETAIL=, TIMEOUT= and
    // PARALLEL= do; without one there the parameter field's limits stand. It is read
    // from the whole line, not from the entry text cut at ",Sensor=".
    if (selection.entry_taken && !read_limits_option(selection.entry_uncut.c_str(), run.asp_limits, message))
        return false;

    if (!family) {
        run.entry_line.assign(selection.entry_uncut.c_str());
        item_from_entry(selection.entry_uncut.c_str(), run.item_label);
        if (!selection.entry_taken) {
            bounded_text<parameter_capacity> typed;
            typed.assign(first_parameter != nullptr ? first_parameter : "");
            message.format("Error 1030: Global Sensor %s not found...", typed.c_str());
            return false;
        }
    }
    if (run.system_listing.cut) {
        message.assign("Error 1027: Global Server Listing too long...");
        return false;
    }
    if (run.system_listing.empty()) {
        message.assign("Error 1025: Global Server Listing missing...");
        return false;
    }
    if (run.item_label.empty()) {
        message.assign("Error 1026: Global Item Idenification missing...");
        return false;
    }
    return true;
}
