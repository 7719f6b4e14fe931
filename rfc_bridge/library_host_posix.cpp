// Linux: libsapnwrfc.so beside the bridge (found through the bridge's own address),
// else the loader's search (LD_LIBRARY_PATH, the cache); dlerror names what is
// missing, a companion library included.
#include "rfc_bridge/library_host.h"

#include "core/listing_folder.h"

#include <dirent.h>
#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>
#include <ctime>

namespace {

const char library_name[] = "libsapnwrfc.so";

bool exists(const char *path) {
    struct stat info;
    return stat(path, &info) == 0;
}

}  // namespace

void *load_nwrfc_library(bounded_text<260> &path, load_diagnosis &diagnosis) {
    bounded_text<260> beside;
    Dl_info self;
    if (dladdr(reinterpret_cast<void *>(&load_nwrfc_library), &self) != 0 && self.dli_fname != nullptr) {
        const char *slash = strrchr(self.dli_fname, '/');
        if (slash != nullptr) beside.assign(self.dli_fname, static_cast<size_t>(slash + 1 - self.dli_fname));
    }
    beside.append(library_name);
    path.assign(beside.c_str());
    if (exists(beside.c_str())) {
        void *library = dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (library != nullptr) return library;
        const char *error = dlerror();
        diagnosis.message.format("%s could not be loaded", library_name);
        diagnosis.location.format("%s (beside the bridge)", beside.c_str());
        diagnosis.detail.assign(error != nullptr ? error : "no reason given");
        return nullptr;
    }
    void *library = dlopen(library_name, RTLD_NOW | RTLD_LOCAL);
    if (library != nullptr) {
        // The file the loader's search found, so the trace and the description name it.
        struct link_map *map = nullptr;
        if (dlinfo(library, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && map->l_name != nullptr &&
            map->l_name[0] != '\0')
            path.assign(map->l_name);
        else
            path.assign(library_name);
        return library;
    }
    const char *error = dlerror();
    diagnosis.message.format("%s not found", library_name);
    diagnosis.location.format("%s (beside the bridge), then the loader's search path", beside.c_str());
    diagnosis.detail.assign(error != nullptr ? error : "no reason given");
    return nullptr;
}

void *find_nwrfc_symbol(void *library, const char *plain_name, unsigned) { return dlsym(library, plain_name); }

unsigned bridge_thread_number() { return static_cast<unsigned>(syscall(SYS_gettid)); }

bool prepare_sap_trace_folder(char16_t *folder, unsigned capacity) {
    char here[4096];
    if (getcwd(here, sizeof here) == nullptr) return false;
    bounded_text<4200> path;
    path.assign(here);
    const char *slash = strrchr(here, '/');
    if (slash != nullptr && slash != here && is_listing_folder_name(slash + 1))
        path.assign(here, static_cast<size_t>(slash - here));
    path.append_format("/%s", sap_trace_folder_name);
    if (path.cut || path.size() + 1 > capacity) return false;
    mkdir(path.c_str(), 0777);  // there already: fine
    DIR *listing = opendir(path.c_str());
    if (listing == nullptr) return false;
    time_t oldest = time(nullptr) - static_cast<time_t>(sap_trace_keep_days) * 24 * 3600;
    while (const dirent *entry = readdir(listing)) {
        bounded_text<4500> file;
        file.format("%s/%s", path.c_str(), entry->d_name);
        struct stat info;
        if (file.cut || stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
        if (info.st_mtime < oldest) unlink(file.c_str());
    }
    closedir(listing);
    // The path's bytes as they are: the folder is only ever handed to SAP's library.
    for (size_t i = 0; i <= path.size(); ++i) folder[i] = static_cast<unsigned char>(path.c_str()[i]);
    return true;
}
