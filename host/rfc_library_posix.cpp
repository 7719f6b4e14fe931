// POSIX: librfc32.so through the loader's search, as the import found it before:
// LD_LIBRARY_PATH first (how the tests put the bridge in the stand-in's place), then
// the program's RUNPATH, its own folder. dlerror's text says what would not load.
#include "host/rfc_library_host.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <climits>
#include <cstring>

const char *const host_rfc_library_name = "librfc32.so";
const char *const host_program_name = "korvanel";
const char *const host_other_program_name = "korvanel";
const char *const host_rfc_library_place = "librfc32.so";
const bool host_reads_library_width = false;

namespace {

// The library in the program's own folder, named in full: what the RUNPATH ($ORIGIN)
// gives, for when a dlopen interposed by a sanitizer's runtime searches with that
// runtime's paths in place of the program's.
void *open_beside_program() {
    char program[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", program, sizeof program - 1);
    if (length <= 0) return nullptr;
    program[length] = '\0';
    char *slash = strrchr(program, '/');
    if (slash == nullptr) return nullptr;
    bounded_text<PATH_MAX + 32> path;
    path.assign(program, static_cast<size_t>(slash - program) + 1);
    if (!path.append(host_rfc_library_name)) return nullptr;
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

}  // namespace

void host_load_rfc_library(host_rfc_library &library) {
    library = host_rfc_library{};
    void *module = dlopen(host_rfc_library_name, RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char *error = dlerror();
        library.system_text.assign(error != nullptr ? error : "no reason given");
        module = open_beside_program();
        if (module == nullptr) return;
        library.system_text.clear();
    }
    library.module = module;
    struct link_map *map = nullptr;
    if (dlinfo(module, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && map->l_name != nullptr) {
        bounded_text<PATH_MAX + 300> full;
        char here[PATH_MAX];
        if (map->l_name[0] != '/' && getcwd(here, sizeof here) != nullptr) full.format("%s/", here);
        full.append(map->l_name);
        host_take_module_path(library.file, full.c_str(), full.length);
    }
}

void *host_rfc_library_export(void *module, const char *name) { return dlsym(module, name); }
