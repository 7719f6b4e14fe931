// The private folders a listing's children work in, below the working directory:
// "Korvanel.<process id>.<number>.tmp". Their name is known to the program, which
// makes and removes them, and to the bridge, whose SAP library trace belongs to the
// working directory above such a folder, not to the folder that goes with its child.
#pragma once

#include <cstring>

constexpr const char *listing_folder_prefix = "Korvanel.";
constexpr const char *listing_folder_suffix = ".tmp";

/// True for "Korvanel.<digits>.<digits>.tmp": only folders of this program's own making.
inline bool is_listing_folder_name(const char *name) {
    size_t prefix = strlen(listing_folder_prefix);
    if (strncmp(name, listing_folder_prefix, prefix) != 0) return false;
    const char *at = name + prefix;
    for (int part = 0; part < 2; ++part) {
        if (*at < '0' || *at > '9') return false;
        while (*at >= '0' && *at <= '9') ++at;
        if (part == 0 && *at++ != '.') return false;
    }
    return strcmp(at, listing_folder_suffix) == 0;
}
