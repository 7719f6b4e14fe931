// The DLLs a Windows DLL imports, read from its import table: the bridge names the
// one SAP's library needs and Windows cannot find, where Windows says only "error 126".
// Plain byte reading, no Windows calls, so the Linux build tests it too.
#pragma once

/// Reads `size` bytes at `offset` of the file into `buffer`; false when it cannot.
typedef bool (*pe_reader)(void *file, unsigned long offset, void *buffer, unsigned size);
/// Called with each imported DLL's name, in the table's order; false stops the listing.
typedef bool (*pe_import_visitor)(void *context, const char *dll_name);

/// Lists the import table of the PE file (32- or 64-bit) read through `read`; false
/// when it is no PE file or its headers do not hold together. At most 256 names.
bool list_pe_imports(pe_reader read, void *file, pe_import_visitor visit, void *context);
