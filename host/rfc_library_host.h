// Finding and loading the RFC library at run time, the one part of it that differs
// between Windows and POSIX: which file the program looks for where, and what the
// system says when it will not load. What that means for the run is rfc/rfc_library's
// concern.
#pragma once

#include "core/bounded_text.h"
#include "host/host.h"

/// The RFC library's file name on this system.
extern const char *const host_rfc_library_name;
/// The name this program is looked for by where the library is named (Korvanel.exe or
/// Korvanel64.exe, after its width; korvanel natively) and the one of the other width.
extern const char *const host_program_name;
extern const char *const host_other_program_name;
/// Where this width of the program looks for the library, as the messages name it:
/// "librfc32.dll" (beside the program, then the DLL search) or "x64\librfc32.dll".
extern const char *const host_rfc_library_place;
/// True where the found file's width is read from its header (Windows' DLLs).
extern const bool host_reads_library_width;

/// What the search for the RFC library and its load found.
struct host_rfc_library {
    void *module;                   // the loaded library; null when it could not be loaded
    host_module_path file;          // the file loaded or refused; empty when none was found
    unsigned width;                 // the found file's width from its header, 32 or 64; 0: no DLL, or not read
    bounded_text<63> missing;       // a DLL the library needs that the system cannot load, when found out
    bounded_text<63> missing_for;   // the file that imports it: the library or a DLL beside it
    bounded_text<255> system_text;  // the system's own words for the failure
};

/// Loads the RFC library where this program looks for it. Windows, 32-bit:
/// librfc32.dll by Windows' standard search for a DLL name (the program's folder
/// first), exactly where the load-time import found it. 64-bit: x64\librfc32.dll
/// beside the program, with its own folder first in the search for its dependencies;
/// when x64\ holds none, the standard search as for the 32-bit program. POSIX:
/// librfc32.so through the loader's search (LD_LIBRARY_PATH, the program's RUNPATH).
/// `library.module` is null when it could not be loaded; the other fields say why.
void host_load_rfc_library(host_rfc_library &library);

/// The address of the export `name` of a library host_load_rfc_library loaded; null
/// when it has none.
void *host_rfc_library_export(void *module, const char *name);
