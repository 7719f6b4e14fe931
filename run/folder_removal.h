// Removing a private folder of a listing and everything in it, never following a link
// or a mount point out of it; and, where a file of it is still held a moment after its
// child has ended, trying again briefly within what the run can spare.
#pragma once

#include <cstdint>

/// Removes `folder` (a relative name) with its files and folders of any depth; a link
/// inside is removed as a link, and a mount point inside is left with what it leads to
/// (the folder then stands). True when the folder is gone.
bool remove_folder_tree(const char *folder);

/// What a run may spend, over all its folders, waiting for files to be let go.
struct removal_patience {
    unsigned left_ms;
};

/// Removes `folder` as remove_folder_tree does; while it still stands, tries again
/// every few milliseconds, drawing on `patience` and never past `deadline` (host
/// clock; 0: none). True when the folder is gone.
bool remove_folder_patiently(const char *folder, uint64_t deadline, removal_patience &patience);
