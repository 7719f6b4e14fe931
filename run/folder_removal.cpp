// Removing private folders; see folder_removal.h. On Windows a file deleted while
// another handle to it is open stays, pending, until that handle closes, and the folder
// stays with it: a virus scanner opening the files a child has just written, or the
// error reporting still reading a crashed child, holds them for a moment after the
// child's end. Trying again briefly removes the folder then; one that still stands is
// left to the next run's start, which removes every folder whose lock it can take.
//
// A leftover folder may hold anything a hostile user put there: a link or a mount point
// leading elsewhere (host_list_folder never reports either as a folder, so neither is
// entered), a tree of any depth, names of any length. The tree is walked without
// recursion, keeping one path and, for each level, the name up to which its folders
// were found to stand; a folder below the deepest level entered, or whose path would
// grow too long, is first moved up to the top of the tree, so that any depth is removed
// within the same fixed room. How many folders one removal lists is bounded: a tree
// too large for one run is removed over several.
#include "run/folder_removal.h"

#include <cstring>

#include "core/bounded_text.h"
#include "host/host.h"
#include "host/host_process.h"

namespace {

constexpr unsigned retry_pause_ms = 20;
constexpr int deepest_level = 8;          // levels entered below the folder
constexpr size_t longest_entered = 160;   // a longer path is moved up before it is entered
constexpr unsigned most_listings = 65536;  // folders one removal lists
constexpr unsigned lift_attempts = 64;     // names tried for a folder moved up

typedef bounded_text<1023> file_path;   // longest_entered, a separator and any name
typedef bounded_text<255> entry_name;

struct tree_walk {
    const char *top;
    file_path path;                         // the folder being emptied
    int depth;                              // its level below top
    entry_name passed[deepest_level + 1];   // per level: its folders up to this name stand
    entry_name next;                        // the first folder of this level after passed
    bool has_next;
    unsigned lifted;                        // folders moved up so far
};

// Moves a folder too deep or too long to be entered up to the top of the tree, under a
// name of the walk's own; false when no name was free or it cannot be moved. A rename
// never replaces a folder that holds anything, and an empty one it might replace is
// part of the same tree.
bool lift(tree_walk &walk, const char *from) {
    for (unsigned attempt = 0; attempt < lift_attempts; ++attempt) {
        file_path to;
        if (!to.format("%s\\~%u", walk.top, walk.lifted++)) return false;
        if (host_rename_replacing(from, to.c_str())) {
            walk.passed[0].clear();  // it must be looked at there, whatever its name
            return true;
        }
    }
    return false;
}

void empty_entry(const char *name, bool is_folder, int64_t, void *context) {
    tree_walk &walk = *static_cast<tree_walk *>(context);
    file_path item;
    if (!item.format("%s\\%s", walk.path.c_str(), name)) return;  // stands: it cannot be named
    if (!is_folder) {
        host_delete(item.c_str());  // a link, a mount point's included, goes as a link or stays
        return;
    }
    if (walk.depth == deepest_level || item.length > longest_entered) {
        lift(walk, item.c_str());
        return;
    }
    const entry_name &passed = walk.passed[walk.depth];
    if (!passed.empty() && strcmp(name, passed.c_str()) <= 0) return;
    if (walk.has_next && strcmp(name, walk.next.c_str()) >= 0) return;
    walk.has_next = walk.next.assign(name);
}

// At namespace scope, not in remove_tree: a local static of this type would need a
// guard, and with it the C++ runtime library in every start.
tree_walk removal_walk;

bool remove_tree(const char *folder) {
    tree_walk &walk = removal_walk;
    walk.top = folder;
    if (!walk.path.assign(folder)) return false;
    walk.depth = 0;
    walk.passed[0].clear();
    walk.lifted = 0;
    for (unsigned listed = 0; listed < most_listings; ++listed) {
        walk.has_next = false;
        host_list_folder(walk.path.c_str(), empty_entry, &walk);
        if (walk.has_next) {  // into its first folder not yet found to stand
            walk.path.append("\\");
            walk.path.append(walk.next.c_str());
            walk.passed[++walk.depth].clear();
            continue;
        }
        bool removed = host_remove_folder(walk.path.c_str());
        if (walk.depth == 0) return removed;
        // Back up one level; a folder that stands is passed from now on.
        const char *last = strrchr(walk.path.c_str(), '\\');
        entry_name name;
        name.assign(last + 1);
        walk.path.truncate(static_cast<size_t>(last - walk.path.c_str()));
        --walk.depth;
        if (!removed) walk.passed[walk.depth] = name;
    }
    return false;
}

}  // namespace

bool remove_folder_tree(const char *folder) { return remove_tree(folder); }

bool remove_folder_patiently(const char *folder, uint64_t deadline, removal_patience &patience) {
    for (;;) {
        if (remove_tree(folder)) return true;
        if (patience.left_ms == 0) return false;
        if (deadline != 0 && host_clock_ms() + retry_pause_ms > deadline) return false;
        unsigned pause = patience.left_ms < retry_pause_ms ? patience.left_ms : retry_pause_ms;
        host_sleep_ms(pause);
        patience.left_ms -= pause;
    }
}
