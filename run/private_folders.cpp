// The private folders of a listing's children; see private_folders.h. A folder is ours
// while its lock file is locked: process ids come back, so a folder's name cannot tell
// whose it is, and the lock can, at any age.
#include "run/private_folders.h"

#include <cstring>

#include "core/listing_folder.h"
#include "host/host_process.h"
#include "run/folder_removal.h"

namespace {

constexpr int64_t stale_folder_seconds = 3600;
// Locked by the run for as long as it uses the folder.
constexpr const char *folder_lock_name = "Korvanel.lock";
constexpr unsigned folder_name_attempts = 16;  // names tried before a system is visited in-process

// Files the library may look for in its current directory: they follow it into a child's folder.
const char *const library_files[] = {"sapmsg.ini", "sideinfo", "saproute.ini"};

typedef bounded_text<191> file_path;

bool in_folder(file_path &path, const char *folder, const char *name) {
    return path.format("%s\\%s", folder, name);
}

// Copies `name` from the working directory into `folder` as `copy_name`, when it is there.
void copy_in(const char *folder, const char *name, const char *copy_name) {
    FILE *source = host_open_read(name);
    if (source == nullptr) return;
    file_path target;
    FILE *copy = in_folder(target, folder, copy_name) ? host_create_write(target.c_str()) : nullptr;
    if (copy != nullptr) {
        char block[4096];
        size_t count;
        while ((count = fread(block, 1, sizeof block, source)) > 0) fwrite(block, 1, count, copy);
        fclose(copy);
    }
    fclose(source);
}

// "SapRfc.ini", the destination files and the files the library looks for.
bool is_library_file(const char *name) {
    bounded_text<7> start;
    start.assign(name, 7);
    if (same_file_name(start.c_str(), "SapRfc.")) return true;
    for (const char *file : library_files)
        if (same_file_name(name, file)) return true;
    return false;
}

// The files of the working directory that may follow a child into its folder, found
// once per run: looking each one up for every system would read the whole directory
// each time, since the children's folders keep changing it.
struct working_files {
    bounded_text<63> names[32];
    size_t count;
    bool all;  // every candidate fitted
};
working_files candidates;

// The candidate named `name` in any letter case, or null.
const char *candidate(const char *name) {
    for (size_t i = 0; i < candidates.count; ++i)
        if (same_file_name(candidates.names[i].c_str(), name)) return candidates.names[i].c_str();
    return nullptr;
}

// A private folder whose run has ended: its lock file can be locked. A folder without
// its lock file (a run ended between making the folder and locking it, or a folder of
// an older version) is stale only after an hour, since a run may be about to lock it.
bool is_stale_folder(const char *name, int64_t age_seconds) {
    file_path lock_path;
    uint64_t size = 0;
    if (!in_folder(lock_path, name, folder_lock_name) || !host_file_size(lock_path.c_str(), size))
        return age_seconds > stale_folder_seconds;
    host_file_lock lock = host_lock_file_until(lock_path.c_str(), host_clock_ms());
    if (lock == host_no_lock) return false;  // its run is still using it
    host_unlock_file(lock);
    return true;
}

void look_at_working_entry(const char *name, bool is_folder, int64_t age_seconds, void *) {
    if (is_listing_folder_name(name)) {
        // A link with a private folder's name is never one of ours: removed as a link.
        if (!is_folder)
            host_delete(name);
        else if (is_stale_folder(name, age_seconds))
            remove_folder_tree(name);
        return;
    }
    if (is_folder || !is_library_file(name)) return;
    if (candidates.count == sizeof candidates.names / sizeof candidates.names[0] ||
        !candidates.names[candidates.count].assign(name)) {
        candidates.all = false;
        return;
    }
    ++candidates.count;
}

// Copies `name` in when the working directory holds it.
void copy_in_if_there(const char *folder, const char *name) {
    const char *found = candidates.all ? candidate(name) : name;
    if (found != nullptr) copy_in(folder, found, name);
}

}  // namespace

bool same_file_name(const char *a, const char *b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        char x = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a + 32) : *a;
        char y = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b + 32) : *b;
        if (x != y) return false;
    }
    return *a == *b;
}

void look_at_working_directory() {
    candidates.count = 0;
    candidates.all = true;
    if (!host_list_folder("", look_at_working_entry, nullptr)) candidates.all = false;
}

bool make_private_folder(private_folder_name &made, host_file_lock &made_lock) {
    static unsigned folder_number = 0;
    static bool no_folders = false;  // known after the first system
    if (no_folders) return false;
    // A name may be taken by a leftover of an earlier run with the same process id
    // (ids come back quickly on Windows): another number is tried, never the fallback.
    for (unsigned attempt = 0; attempt < folder_name_attempts; ++attempt) {
        private_folder_name folder;
        folder.format("%s%lu.%u%s", listing_folder_prefix, host_process_id(), folder_number++,
                      listing_folder_suffix);
        if (!host_make_folder(folder.c_str())) continue;
        file_path lock_path;
        host_file_lock lock = in_folder(lock_path, folder.c_str(), folder_lock_name)
                                  ? host_lock_file_until(lock_path.c_str(), host_clock_ms())
                                  : host_no_lock;
        if (lock == host_no_lock) {
            remove_folder_tree(folder.c_str());
            continue;
        }
        made = folder;
        made_lock = lock;
        return true;
    }
    no_folders = true;
    return false;
}

void copy_in_library_files(const char *folder, const char *destination) {
    for (const char *file : library_files) copy_in_if_there(folder, file);
    // A destination that names a path would make its copy land outside the folder.
    if (strpbrk(destination, "\\/:") == nullptr) {
        bounded_text<31> destination_file;
        if (destination_file.format("SapRfc.%s", destination)) copy_in_if_there(folder, destination_file.c_str());
    }
}

bool is_run_file(const char *name) { return same_file_name(name, folder_lock_name) || is_library_file(name); }

void drop_private_folder(private_folder_name &folder, host_file_lock &lock) {
    host_unlock_file(lock);
    lock = host_no_lock;
    remove_folder_tree(folder.c_str());
    folder.clear();
}
