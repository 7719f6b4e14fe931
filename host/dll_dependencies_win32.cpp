// The import tables are read with core/pe_imports; a DLL counts as there when it lies
// beside the first one or Windows loads it as a data file by its name (the system
// folders, the PATH). API sets are resolved by Windows itself and never files.
#include "host/dll_dependencies.h"

#include "core/pe_imports.h"

#include <windows.h>

#include <cstdio>

namespace {

struct dependency_search {
    bounded_text<260> folder;      // the first DLL's folder, with its final backslash
    bounded_text<63> files[16];    // DLLs beside it still to read, the first one first
    int file_count;
    bounded_text<63> seen[64];     // names already looked at
    int seen_count;
    const char *importer;          // the DLL being read
    bounded_text<63> missing;
    bounded_text<63> missing_importer;
};

bool read_file_at(void *file, unsigned long offset, void *buffer, unsigned size) {
    FILE *handle = static_cast<FILE *>(file);
    return fseek(handle, static_cast<long>(offset), SEEK_SET) == 0 && fread(buffer, 1, size, handle) == size;
}

bool check_import(void *context, const char *name) {
    dependency_search &search = *static_cast<dependency_search *>(context);
    if (_strnicmp(name, "api-ms-", 7) == 0 || _strnicmp(name, "ext-ms-", 7) == 0) return true;
    for (int i = 0; i < search.seen_count; ++i)
        if (_stricmp(search.seen[i].c_str(), name) == 0) return true;
    if (search.seen_count == 64) return false;
    search.seen[search.seen_count++].assign(name);
    bounded_text<330> beside;
    beside.format("%s%s", search.folder.c_str(), name);
    if (GetFileAttributesA(beside.c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (search.file_count < 16) search.files[search.file_count++].assign(name);
        return true;
    }
    HMODULE found = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (found != nullptr) {
        FreeLibrary(found);
        return true;
    }
    search.missing.assign(name);
    search.missing_importer.assign(search.importer);
    return false;
}

}  // namespace

bool find_missing_dll(const char *folder, const char *dll_name, bounded_text<63> &missing,
                      bounded_text<63> &importer) {
    static dependency_search search;
    search = dependency_search{};
    search.folder.assign(folder);
    search.files[search.file_count++].assign(dll_name);
    search.seen[search.seen_count++].assign(dll_name);
    for (int i = 0; i < search.file_count && search.missing.empty(); ++i) {
        bounded_text<330> path;
        path.format("%s%s", folder, search.files[i].c_str());
        FILE *file = fopen(path.c_str(), "rb");
        if (file == nullptr) continue;
        search.importer = search.files[i].c_str();
        list_pe_imports(read_file_at, file, check_import, &search);
        fclose(file);
    }
    missing = search.missing;
    importer = search.missing_importer;
    return !missing.empty();
}
