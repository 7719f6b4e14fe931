// The RFC library the program talks to, loaded by the program itself when a run first
// needs it, never by Windows' loader at start: a library that cannot be loaded then
// stops the run with a document PRTG reads (error 1016) instead of a loader's message
// before the program's first line. The eleven functions are found by name, as the
// library exports them; a function only some runs use is found only when asked for.
#pragma once

#include <cstdio>

#include "core/bounded_text.h"
#include "core/librfc32.h"
#include "host/rfc_library_host.h"

// The eleven functions every run may call, in core/librfc32.h's order.
#define RFC_LIBRARY_FUNCTION_LIST(X)                                                                    \
    X(RfcEnvironment) X(RfcOpen) X(RfcOpenEx) X(RfcInstallStructure) X(RfcCall) X(RfcReceive)           \
    X(RfcLastError) X(RfcLastErrorEx) X(RfcClose) X(ItCreate) X(ItDelete)

/// One pointer per function, typed as core/librfc32.h declares it.
struct rfc_library_functions {
#define RFC_LIBRARY_POINTER(name) decltype(&::name) name;
    RFC_LIBRARY_FUNCTION_LIST(RFC_LIBRARY_POINTER)
#undef RFC_LIBRARY_POINTER
};

/// The loaded library's functions, through which every call of the program goes; all
/// null until load_rfc_library has succeeded.
extern rfc_library_functions rfc_library;

/// Why the library could not be used, in one sentence that begins "RFC library " and
/// names the file found, its width and the program that fits it: the text of error
/// 1016, of the trace mode's "* RFC library......: " line and of the trace file's block.
typedef bounded_text<600> rfc_library_account;

/// Loads the RFC library (once per process; later calls answer as the first) and finds
/// its eleven functions. False, with `account` saying why, when no library was found,
/// it could not be loaded or it lacks one of them; rfc_library then stays all null, and
/// the first failure has appended write_rfc_library_block's block to "Dev_Rfc.Trc".
bool load_rfc_library(rfc_library_account &account);

/// The account of a library that cannot be used: what the search found (`found`) and,
/// for one that loaded, the first of the eleven functions it lacks (`lacking`, else null).
void describe_unusable_rfc_library(const host_rfc_library &found, const char *lacking,
                                   rfc_library_account &account);

/// Writes the trace file's block for a library that cannot be used, in the shape of the
/// library's own blocks (core/trace_block.h): `account` as the message, where the
/// program looked and the system's own words, and the result line. `opened` is the
/// time as "YYYYMMDD hhmmss zone", `thread` the thread's number.
void write_rfc_library_block(FILE *file, const host_rfc_library &found, const char *account, const char *opened,
                             unsigned thread);

/// Finds a function that only some runs call, by its export name, in the library
/// load_rfc_library loaded; null when none is loaded or it lacks the function (an
/// older library): the caller decides what that means for its run.
void *find_optional_rfc_function(const char *name);

/// The same, typed: `function` is set to the export `name` as `Function`, or null.
template <typename Function>
bool find_optional_rfc_function(const char *name, Function &function) {
    function = reinterpret_cast<Function>(find_optional_rfc_function(name));
    return function != nullptr;
}
