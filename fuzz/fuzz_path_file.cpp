// Fuzz target: any bytes as the path file "C:\PRTG_Path.Txt", through the whole
// profile location of PRTG's flavour, on a private drive root whose drives hold the
// profile below each directory the search can descend to. Inputs that name ".." are
// skipped, also in UTF-16 (". ." with any byte between), so no search ever leaves the
// private root.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

#include "config/profile_location.h"

namespace {

std::string drive_root;

void make_file(const std::string &relative, const char *content) {
    std::string path = drive_root;
    for (size_t slash = 0; (slash = relative.find('/', slash + 1)) != std::string::npos;)
        mkdir((drive_root + relative.substr(0, slash)).c_str(), 0755);
    FILE *file = fopen((drive_root + relative).c_str(), "wb");
    if (file == nullptr) abort();
    fputs(content, file);
    fclose(file);
}

void lay_out_drives() {
    char here[4096];
    if (getcwd(here, sizeof here) == nullptr) abort();
    drive_root = std::string(here) + "/fuzz_path_file.drives";
    setenv("KORVANEL_DRIVE_ROOT", drive_root.c_str(), 1);
    mkdir(drive_root.c_str(), 0755);
    const char *profile = "Destination: FUZ\n";
    make_file("/C/FUZZ.P00", profile);
    make_file("/C/work/FUZZ.P00", profile);
    make_file("/E/Tools/PRTG Network Monitor/Custom Sensors/ExeXml/FUZZ.P00", profile);
    make_file("/E/Tools/PRTG Network Monitor/Custom Sensors/ExeXml/Custom Sensors/ExeXml/FUZZ.P00", profile);
    make_file("/D/Custom Sensors/ExeXml/FUZZ.P00", profile);
    if (chdir((drive_root + "/C/work").c_str()) != 0) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static bool ready = false;
    if (!ready) {
        lay_out_drives();
        ready = true;
    }
    for (size_t i = 0; i + 1 < size; ++i)
        if (data[i] == '.' && (data[i + 1] == '.' || (i + 2 < size && data[i + 2] == '.'))) return 0;
    FILE *path_file = fopen((drive_root + "/C/PRTG_Path.Txt").c_str(), "wb");
    if (path_file == nullptr) abort();
    fwrite(data, 1, size, path_file);
    fclose(path_file);

    static run_record run;
    const char *long_name = "FUZZFUZZFUZZFUZZFUZZFUZZFUZZFUZZFUZZFUZZFUZZFUZZFUZZFUZZFUZ.P00";
    for (const char *name : {"FUZZ.P00", long_name}) {
        run = run_record{};
        run.output_flavour.assign("EXEXML");
        run.profile_name.assign(name);
        run_message message;
        bool found = locate_profile(run, message);
        if (found) {
            // What was found is named whole and where it was found.
            if (run.profile_file == nullptr || !run.profile_name.equals(name)) abort();
            const bounded_text<directory_capacity> &directory = run.profile_directory;
            if (directory.cut || (!directory.empty() && directory.data[directory.length - 1] != '\\')) abort();
            if (run.profile_path.cut || run.profile_path.length != directory.length + strlen(name)) abort();
        } else if (!message.starts_with("Error 1002: Profile ") || run.profile_file != nullptr) {
            abort();
        }
        close_profile_file(run);
    }
    return 0;
}
