// Profile location. PRTG starts the sensor in its own directory, not in the sensor
// directory, so a bare profile name is looked for in the places where PRTG keeps
// custom sensors. Directories are built in a wider buffer than the run record's, so
// that one too long for the record is refused rather than used cut.
#include "config/profile_location.h"

#include <cstring>

#include "host/host.h"
#include "host/line_reader.h"
#include "core/options.h"

namespace {

// Path-file lines are read whole up to this length; a longer one is too long for any
// directory and is never read in pieces, whose rest could pass for a directory line.
constexpr size_t path_file_line = message_capacity;

// The path file names PRTG's installation directory or one of the two below it.
const char *const sensor_directory_below_prtg = "PRTG Network Monitor\\Custom Sensors\\ExeXml\\";
const char *const sensor_directory_below_install = "Custom Sensors\\ExeXml\\";

// Where PRTG keeps custom sensors when no path file says otherwise, on the current drive.
const char *const fixed_sensor_directories[] = {
    "\\Programme\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\",
    "\\Program Files\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\",
    "\\Program Files (x86)\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\",
};

// A directory or path while it is being searched: wide enough for a path-file line,
// both descents and a file name, so the capacity test comes only at the end.
typedef bounded_text<message_capacity> search_text;

bool names_directory(const char *line) {
    size_t length = strlen(line);
    return line[0] == '\\' || (length >= 2 && line[1] == ':') || (length >= 3 && line[2] == '\\');
}

// What the path file gave.
enum class path_file_base { none, found, too_long };

// The base directory from the path file, ending in a backslash ("\" when no line names
// one); none when there is no readable path file, too_long when the line that names the
// directory is longer than the search can descend below.
path_file_base read_path_file(search_text &base) {
    FILE *file = host_open_read(prtg_path_file);
    if (file == nullptr) return path_file_base::none;
    base.clear();
    bool too_long = false;
    char line[path_file_line + 1];
    text_reader reader;
    open_text_reader(reader, file, text_decoding::as_saved);
    // The last line that names a directory wins.
    while (read_line(reader, line, path_file_line)) {
        bool whole = reader.piece_ended_line;
        skip_rest_of_line(reader);
        if (!names_directory(line)) continue;
        base.assign(line);
        size_t bare = base.length - (base.data[base.length - 1] == '\\' ? 1 : 0);
        too_long = !whole || bare > path_file_directory_limit;
    }
    fclose(file);
    if (base.empty() || base.data[base.length - 1] != '\\') base.append_char('\\');
    return too_long ? path_file_base::too_long : path_file_base::found;
}

FILE *open_in(const char *directory, const char *subdirectory, const char *name) {
    search_text path;
    path.assign(directory);
    path.append(subdirectory);
    path.append(name);
    return path.cut ? nullptr : host_open_read(path.c_str());
}

bool exists_in(const char *directory, const char *subdirectory, const char *name) {
    FILE *file = open_in(directory, subdirectory, name);
    if (file == nullptr) return false;
    fclose(file);
    return true;
}

// PRTG's own flavour: the directory given with the name is dropped. Leaves the open
// file and its directory, or null (with `too_long` set when the path file's directory
// is too long to search below).
FILE *search_prtg_directories(const char *name, search_text &directory, bool &too_long) {
    directory.clear();
    path_file_base base = read_path_file(directory);
    too_long = base == path_file_base::too_long;
    if (too_long) return nullptr;
    if (base == path_file_base::found) {
        // The two descents are tested one after the other on the growing directory;
        // with a path file the fixed directories are never tried.
        if (exists_in(directory.c_str(), sensor_directory_below_prtg, name))
            directory.append(sensor_directory_below_prtg);
        if (exists_in(directory.c_str(), sensor_directory_below_install, name))
            directory.append(sensor_directory_below_install);
        return open_in(directory.c_str(), "", name);
    }
    FILE *file = open_in("", "", name);
    for (const char *fixed : fixed_sensor_directories) {
        if (file != nullptr) break;
        directory.assign(fixed);
        file = open_in(fixed, "", name);
    }
    if (file == nullptr) directory.clear();
    return file;
}

}  // namespace

void close_profile_file(run_record &run) {
    if (run.profile_file != nullptr) fclose(run.profile_file);
    run.profile_file = nullptr;
}

bool locate_profile(run_record &run, run_message &message) {
    close_profile_file(run);
    message.clear();

    // A backslash in the first place roots the name; it does not make a directory part.
    const char *whole = run.profile_name.c_str();
    const char *last_backslash = strrchr(whole, '\\');
    size_t directory_length = last_backslash != nullptr && last_backslash != whole
                                  ? static_cast<size_t>(last_backslash - whole) + 1
                                  : 0;
    search_text given_directory;
    given_directory.assign(whole, directory_length);
    const char *name_part = whole + directory_length;

    bounded_text<file_name_capacity> name;
    bool name_whole = name.assign(name_part) && !run.profile_name.cut;
    if (name_whole && is_global_profile_name(name.c_str())) {
        run.multi_system_mode = true;
        name.assign(global_listing_name);
    }
    const char *shown_name = name_whole ? name.c_str() : name_part;

    search_text directory;
    FILE *file = nullptr;
    bool too_long = false;
    bool prtg_flavour = run.output_flavour.equals("EXEXML");
    if (prtg_flavour) {
        if (name_whole) file = search_prtg_directories(name.c_str(), directory, too_long);
    } else {
        directory = given_directory;
        too_long = directory.length > directory_capacity;
        if (name_whole && !too_long) file = open_in(directory.c_str(), "", name.c_str());
    }
    // A directory the run record cannot hold is named as such: "is missing" would send
    // the administrator looking for a file that is there.
    static_assert(path_file_directory_limit == 100 && directory_capacity == 166, "the messages name the limits");
    if (too_long) {
        if (prtg_flavour)
            message.format("Error 1002: Profile directory in %s is too long (more than 100 characters)...",
                           prtg_path_file);
        else
            message.format("Error 1002: Profile directory of %s is too long (more than 166 characters)...",
                           shown_name);
        return false;
    }
    if (file == nullptr) {
        if (prtg_flavour)
            message.format("Error 1002: Profile %s is missing...", shown_name);
        else
            message.format("Error 1002: Profile %s%s is missing...", given_directory.c_str(), shown_name);
        return false;
    }

    run.profile_name.assign(name.c_str());
    run.profile_directory.assign(directory.c_str());
    run.profile_path.assign(directory.c_str());
    run.profile_path.append(name.c_str());
    run.profile_file = file;
    return true;
}
