// Which DLL a Windows DLL needs that Windows cannot load, where Windows' own answer
// (error 126, "module not found") names none: read from the import tables of the DLL
// and of the DLLs beside it that it imports in turn. The program asks it of the RFC
// library, the bridge of SAP's sapnwrfc.dll; Windows only.
#pragma once

#include "core/bounded_text.h"

/// Reads the imports of `dll_name` in `folder` (ending in a backslash) and of the DLLs
/// beside it that it imports, in turn: the first imported DLL that is neither beside
/// it nor loadable by Windows goes into `missing`, the file that imports it into
/// `importer`. False, both empty, when every import is found (or none can be read).
bool find_missing_dll(const char *folder, const char *dll_name, bounded_text<63> &missing,
                      bounded_text<63> &importer);
