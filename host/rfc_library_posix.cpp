// POSIX: librfc32.so through the loader's search, as the import found it before:
// LD_LIBRARY_PATH first (how the tests put the bridge in the stand-in's place), then
// the program's RUNPATH, its own folder. dlerror's text says what would not load.
#include "host/rfc_library_host.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <climits>

const char *const host_rfc_library_name = "librfc32.so";
const char *const host_program_name = "korvanel";
const char *const host_other_program_name = "korvanel";
const char *const host_rfc_library_place = "librfc32.so";
const bool host_reads_library_width = false;

void host_load_rfc_library(host_rfc_library &library) {
    library = host_rfc_library{};
    void *module = dlopen(host_rfc_library_name, RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char *error = dlerror();
        library.system_text.assign(error != nullptr ? error : "no reason given");
        return;
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
