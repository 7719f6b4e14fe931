// Windows: sapnwrfc.dll beside the bridge (found through the bridge's own module),
// else the DLL search. Error 126 with the DLL present means a companion is missing:
// the diagnosis lists which of SAP's companions are not beside it; error 193 means
// a DLL of the other width (a 64-bit DLL in the 32-bit process the probe runs).
#include "rfc_bridge/library_host.h"

#include "core/listing_folder.h"
#include "host/dll_dependencies.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

const char library_name[] = "sapnwrfc.dll";
// The product is 32-bit; the 64-bit check build that runs the tests under wine64 says
// its own width, so that its diagnosis stays true.
constexpr bool bridge_is_32_bit = sizeof(void *) == 4;

bool exists(const char *path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool any_matches(const char *pattern) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

void append_system_text(bounded_text<255> &detail, DWORD code) {
    char text[200] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                  sizeof text, nullptr);
    // Windows ends its texts with a full stop and a line end; the diagnosis goes on after it.
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' ' ||
                          text[length - 1] == '.'))
        text[--length] = '\0';
    detail.append_format("Windows error %lu: ", static_cast<unsigned long>(code));
    if (length == 0) {
        detail.append("no text for this code");
        return;
    }
    // Some texts name the file by an insert ("%1 is not a valid Win32 application"):
    // the library's name goes there, never the bare "%1".
    for (const char *at = text; *at != '\0';) {
        const char *insert = strstr(at, "%1");
        if (insert == nullptr) {
            detail.append(at);
            break;
        }
        detail.append(at, static_cast<size_t>(insert - at));
        detail.append(library_name);
        at = insert + 2;
    }
}

// The first DLL that sapnwrfc.dll or a companion beside it imports and Windows cannot
// load: error 126 does not say which (a missing Visual C++ runtime is imported by the
// companions as well as by sapnwrfc.dll).
void name_missing_dependency(const char *folder, bounded_text<255> &detail) {
    bounded_text<63> missing, importer;
    if (find_missing_dll(folder, library_name, missing, importer))
        detail.append_format("; %s needs %s, which Windows cannot load", importer.c_str(), missing.c_str());
}

// SAP's companions of sapnwrfc.dll, as the NetWeaver RFC SDK and SAP GUI ship them.
void list_missing_companions(const char *folder, bounded_text<255> &detail) {
    const char *companions[] = {"libsapucum.dll", "libicudecnumber.dll", "icuuc*.dll", "icuin*.dll", "icudt*.dll"};
    bounded_text<200> missing;
    for (const char *companion : companions) {
        bounded_text<300> pattern;
        pattern.format("%s%s", folder, companion);
        if (!any_matches(pattern.c_str())) missing.append_format("%s%s", missing.empty() ? "" : ", ", companion);
    }
    if (!missing.empty())
        detail.append_format("; missing beside it: %s", missing.c_str());
    detail.append(bridge_is_32_bit ? "; SAP's DLL also needs its Visual C++ runtime (32-bit)"
                                   : "; SAP's DLL also needs its Visual C++ runtime (64-bit)");
}

}  // namespace

void *load_nwrfc_library(bounded_text<260> &path, load_diagnosis &diagnosis) {
    char module_path[MAX_PATH] = "";
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&load_nwrfc_library), &self);
    DWORD length = GetModuleFileNameA(self, module_path, MAX_PATH);
    bounded_text<260> folder;
    if (length > 0 && length < MAX_PATH) {
        char *slash = strrchr(module_path, '\\');
        if (slash != nullptr) folder.assign(module_path, static_cast<size_t>(slash + 1 - module_path));
    }
    bounded_text<260> beside;
    beside.format("%s%s", folder.c_str(), library_name);
    path.assign(beside.c_str());
    bool present = exists(beside.c_str());
    // Loaded with its own folder first in the search, so its companions beside it are found.
    HMODULE library = present ? LoadLibraryExA(beside.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)
                              : LoadLibraryA(library_name);
    if (library != nullptr) {
        if (!present) {
            char loaded[MAX_PATH] = "";
            if (GetModuleFileNameA(library, loaded, MAX_PATH) > 0) path.assign(loaded);
        }
        return library;
    }
    DWORD error = GetLastError();
    if (present) {
        diagnosis.message.format("%s could not be loaded", library_name);
        diagnosis.location.format("%s (beside librfc32.dll)", beside.c_str());
    } else {
        diagnosis.message.format("%s not found", library_name);
        diagnosis.location.format("%s (beside librfc32.dll), then the DLL search path", beside.c_str());
    }
    append_system_text(diagnosis.detail, error);
    if (error == ERROR_BAD_EXE_FORMAT)
        diagnosis.detail.append(bridge_is_32_bit ? "; it is a 64-bit DLL: this probe needs SAP's 32-bit sapnwrfc.dll"
                                                 : "; it is a 32-bit DLL: this 64-bit bridge needs SAP's 64-bit sapnwrfc.dll");
    else if (error == ERROR_MOD_NOT_FOUND && present) {
        name_missing_dependency(folder.c_str(), diagnosis.detail);
        list_missing_companions(folder.c_str(), diagnosis.detail);
    }
    return nullptr;
}

void *find_nwrfc_symbol(void *library, const char *plain_name, unsigned stdcall_argument_bytes) {
    HMODULE module = static_cast<HMODULE>(library);
    FARPROC found = GetProcAddress(module, plain_name);
    if (found == nullptr) {
        bounded_text<80> decorated;
        decorated.format("_%s@%u", plain_name, stdcall_argument_bytes);
        found = GetProcAddress(module, decorated.c_str());
    }
    return reinterpret_cast<void *>(found);
}

unsigned bridge_thread_number() { return static_cast<unsigned>(GetCurrentThreadId()); }

bool prepare_sap_trace_folder(char16_t *folder, unsigned capacity) {
    wchar_t here[MAX_PATH + 1];
    DWORD length = GetCurrentDirectoryW(MAX_PATH + 1, here);
    if (length == 0 || length > MAX_PATH) return false;
    while (length > 3 && (here[length - 1] == L'\\' || here[length - 1] == L'/')) here[--length] = L'\0';
    // The last part of the path, in ASCII, to recognise a listing child's folder.
    DWORD last = length;
    while (last > 0 && here[last - 1] != L'\\' && here[last - 1] != L'/') --last;
    char name[64] = "";
    bool ascii = length - last < sizeof name;
    for (DWORD i = last; ascii && i < length; ++i) {
        ascii = here[i] < 0x80;
        name[i - last] = static_cast<char>(here[i]);
    }
    if (ascii) name[length - last] = '\0';
    if (ascii && last > 1 && is_listing_folder_name(name)) length = last - 1;
    const wchar_t *suffix = L"\\sapnwrfc-trace";
    size_t suffix_length = wcslen(suffix);
    if (length + suffix_length + 1 > capacity || length + suffix_length + 3 > MAX_PATH) return false;
    wchar_t path[MAX_PATH + 1];
    memcpy(path, here, length * sizeof(wchar_t));
    memcpy(path + length, suffix, (suffix_length + 1) * sizeof(wchar_t));
    CreateDirectoryW(path, nullptr);  // there already: fine
    wchar_t pattern[MAX_PATH + 3];
    wcscpy(pattern, path);
    wcscat(pattern, L"\\*");
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FILETIME now_time;
    GetSystemTimeAsFileTime(&now_time);
    ULARGE_INTEGER now, written;
    now.LowPart = now_time.dwLowDateTime;
    now.HighPart = now_time.dwHighDateTime;
    const unsigned long long keep = static_cast<unsigned long long>(sap_trace_keep_days) * 24 * 3600 * 10000000ull;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        written.LowPart = found.ftLastWriteTime.dwLowDateTime;
        written.HighPart = found.ftLastWriteTime.dwHighDateTime;
        if (now.QuadPart < written.QuadPart || now.QuadPart - written.QuadPart < keep) continue;
        wchar_t file[2 * MAX_PATH + 2];
        if (wcslen(path) + 1 + wcslen(found.cFileName) + 1 > sizeof file / sizeof file[0]) continue;
        wcscpy(file, path);
        wcscat(file, L"\\");
        wcscat(file, found.cFileName);
        DeleteFileW(file);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    for (size_t i = 0; i <= wcslen(path); ++i) folder[i] = static_cast<char16_t>(path[i]);
    return true;
}
