// What a Windows DLL's headers say: its width and the DLLs it imports. The program and
// the bridge name the file of the other width or the dependency Windows cannot find,
// where Windows says only "error 193" or "error 126". Plain byte reading, no Windows
// calls, so the Linux build tests it too.
#pragma once

/// Reads `size` bytes at `offset` of the file into `buffer`; false when it cannot.
typedef bool (*pe_reader)(void *file, unsigned long offset, void *buffer, unsigned size);
/// Called with each imported DLL's name, in the table's order; false stops the listing.
typedef bool (*pe_import_visitor)(void *context, const char *dll_name);

/// The width of the PE file read through `read` from its optional header: 32 (PE32)
/// or 64 (PE32+); 0 when it is no PE file, as a text or an ELF library is not.
unsigned pe_width(pe_reader read, void *file);

/// Lists the import table of the PE file (32- or 64-bit) read through `read`; false
/// when it is no PE file or its headers do not hold together. At most 256 names.
bool list_pe_imports(pe_reader read, void *file, pe_import_visitor visit, void *context);
