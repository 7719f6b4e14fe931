// Windows: the RFC library loaded by the program itself. The 32-bit program looks for
// librfc32.dll as its load-time import did (Windows' standard search: the program's
// folder first); the 64-bit one in x64\ beside itself, so that both widths share one
// EXEXML folder, and only when x64\ holds none by the same standard search (a 64-bit
// classic library installed elsewhere). A file that will not load is read: its width
// from its header, and the DLL it needs that Windows cannot find.
#include "host/rfc_library_host.h"

#include "core/pe_imports.h"
#include "host/dll_dependencies.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

const char *const host_rfc_library_name = "librfc32.dll";
constexpr bool program_is_64_bit = sizeof(void *) == 8;
const char *const host_program_name = program_is_64_bit ? "Korvanel64.exe" : "Korvanel.exe";
const char *const host_other_program_name = program_is_64_bit ? "Korvanel.exe" : "Korvanel64.exe";
const char *const host_rfc_library_place = program_is_64_bit ? "x64\\librfc32.dll" : "librfc32.dll";
const bool host_reads_library_width = true;

namespace {

// A path of the system's as the trace shows it: in the ANSI code page, cut as
// host_take_module_path cuts.
void take_wide_path(host_module_path &out, const wchar_t *path) {
    char bytes[4 * MAX_PATH];
    int length = WideCharToMultiByte(CP_ACP, 0, path, -1, bytes, sizeof bytes, nullptr, nullptr);
    if (length <= 0) {
        out.assign("?");
        return;
    }
    host_take_module_path(out, bytes, static_cast<size_t>(length - 1));
}

void take_system_text(bounded_text<255> &out, DWORD code) {
    char text[200] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                  sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' ' ||
                          text[length - 1] == '.'))
        text[--length] = '\0';
    out.format("Windows error %lu", static_cast<unsigned long>(code));
    if (length == 0) return;
    // "%1 is not a valid Win32 application": the library's name in place of the insert.
    out.append(": ");
    for (const char *at = text; *at != '\0';) {
        const char *insert = strstr(at, "%1");
        if (insert == nullptr) {
            out.append(at);
            break;
        }
        out.append(at, static_cast<size_t>(insert - at));
        out.append(host_rfc_library_name);
        at = insert + 2;
    }
}

// What the file at `path`, which would not load, is: its width, and the DLL it needs
// that Windows cannot load.
void read_refused_file(const wchar_t *path, host_rfc_library &library) {
    take_wide_path(library.file, path);
    FILE *file = _wfopen(path, L"rb");
    if (file == nullptr) return;
    library.width = pe_width(read_pe_from_stdio, file);
    fclose(file);
    if (library.width != 8 * sizeof(void *)) return;
    char ansi[4 * MAX_PATH];
    if (WideCharToMultiByte(CP_ACP, 0, path, -1, ansi, sizeof ansi, nullptr, nullptr) <= 0) return;
    char *slash = strrchr(ansi, '\\');
    if (slash == nullptr) return;
    slash[1] = '\0';
    find_missing_dll(ansi, host_rfc_library_name, library.missing, library.missing_for);
}

}  // namespace

void host_load_rfc_library(host_rfc_library &library) {
    library = host_rfc_library{};
    wchar_t path[MAX_PATH + 1] = L"";
    if (program_is_64_bit) {
        wchar_t self[MAX_PATH + 1];
        DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH + 1);
        wchar_t *slash = length > 0 && length <= MAX_PATH ? wcsrchr(self, L'\\') : nullptr;
        if (slash != nullptr && static_cast<size_t>(slash + 1 - self) + wcslen(L"x64\\librfc32.dll") <= MAX_PATH) {
            slash[1] = L'\0';
            wcscpy(path, self);
            wcscat(path, L"x64\\librfc32.dll");
        }
    }
    HMODULE module = nullptr;
    DWORD error = 0;
    // A librfc32.dll already in the process (one linked at build time, as the unit tests
    // link the stand-in) is the one to call: a second copy would keep connections and
    // tables of its own that the first never sees.
    if (GetModuleHandleExW(0, L"librfc32.dll", &module) && module != nullptr) {
        path[0] = L'\0';
    } else if (path[0] != L'\0' && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) {
        // The library's own folder first in the search for its dependencies: SAP's
        // companions and the bridge's sapnwrfc.dll lie beside it.
        module = LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        error = GetLastError();
    } else {
        module = LoadLibraryW(L"librfc32.dll");
        error = GetLastError();
        path[0] = L'\0';
        if (module == nullptr) {
            // The file the standard search would have taken: the system folders before
            // the working directory, as LoadLibrary looks.
            SetSearchPathMode(BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE);
            DWORD found = SearchPathW(nullptr, L"librfc32.dll", nullptr, MAX_PATH + 1, path, nullptr);
            if (found == 0 || found > MAX_PATH) path[0] = L'\0';
        }
    }
    if (module != nullptr) {
        library.module = module;
        wchar_t loaded[MAX_PATH + 1];
        DWORD length = GetModuleFileNameW(module, loaded, MAX_PATH + 1);
        if (length > 0 && length <= MAX_PATH) take_wide_path(library.file, loaded);
        library.width = 8 * sizeof(void *);
        return;
    }
    take_system_text(library.system_text, error);
    if (path[0] != L'\0') read_refused_file(path, library);
}

void *host_rfc_library_export(void *module, const char *name) {
    return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(module), name));
}
