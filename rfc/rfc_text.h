// The library's interface takes every text as a mutable char pointer, also names it
// only reads (function modules, parameters, tables, structures). The program passes
// its constant names through this one conversion instead of scattered casts.
#pragma once

/// Returns `name` as the library's text type; the library must not write through it.
inline char *rfc_text(const char *name) { return const_cast<char *>(name); }
