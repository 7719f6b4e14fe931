// Removing private folders; see folder_removal.h. On Windows a file deleted while
// another handle to it is open stays, pending, until that handle closes, and the folder
// stays with it: a virus scanner opening the files a child has just written, or the
// error reporting still reading a crashed child, holds them for a moment after the
// child's end. Trying again briefly removes the folder then; one that still stands is
// left to the next run's start, which removes every folder whose lock it can take.
#include "run/folder_removal.h"

#include "core/bounded_text.h"
#include "host/host.h"
#include "host/host_process.h"

namespace {

constexpr unsigned retry_pause_ms = 20;
constexpr int deepest_level = 8;

typedef bounded_text<191> file_path;

bool remove_tree(const char *folder, int depth);

struct tree_context {
    const char *folder;
    int depth;
};

void remove_entry(const char *name, bool is_folder, int64_t, void *context) {
    const tree_context &tree = *static_cast<const tree_context *>(context);
    file_path path;
    if (!path.format("%s\\%s", tree.folder, name)) return;
    if (is_folder)
        remove_tree(path.c_str(), tree.depth + 1);
    else
        host_delete(path.c_str());
}

bool remove_tree(const char *folder, int depth) {
    if (depth > deepest_level) return false;
    tree_context tree = {folder, depth};
    host_list_folder(folder, remove_entry, &tree);
    return host_remove_folder(folder);
}

}  // namespace

bool remove_folder_tree(const char *folder) { return remove_tree(folder, 0); }

bool remove_folder_patiently(const char *folder, uint64_t deadline, removal_patience &patience) {
    for (;;) {
        if (remove_tree(folder, 0)) return true;
        if (patience.left_ms == 0) return false;
        if (deadline != 0 && host_clock_ms() + retry_pause_ms > deadline) return false;
        unsigned pause = patience.left_ms < retry_pause_ms ? patience.left_ms : retry_pause_ms;
        host_sleep_ms(pause);
        patience.left_ms -= pause;
    }
}
