// The NetWeaver library's functions the bridge calls, found by name in the library
// once it is loaded. On 32-bit Windows a name is looked for plain first, then in its
// __stdcall form "_Name@N": no public source shows which one SAP's DLL exports.
#pragma once

#include "core/bounded_text.h"
#include "nwrfc/sapnwrfc_api.h"

#define NWRFC_FUNCTION_LIST(X)                                                                              \
    X(RfcOpenConnection) X(RfcCloseConnection) X(RfcInvoke) X(RfcGetVersion) X(RfcCreateFunctionDesc)      \
    X(RfcAddParameter) X(RfcDestroyFunctionDesc) X(RfcCreateTypeDesc) X(RfcAddTypeField) X(RfcSetTypeLength) \
    X(RfcDestroyTypeDesc) X(RfcCreateFunction) X(RfcDestroyFunction) X(RfcGetStructure) X(RfcGetTable)      \
    X(RfcGetRowCount) X(RfcMoveTo) X(RfcGetCurrentRow) X(RfcAppendNewRow) X(RfcGetChars) X(RfcGetNum)        \
    X(RfcGetDate) X(RfcGetTime) X(RfcGetBytes) X(RfcGetInt) X(RfcGetInt1) X(RfcGetInt2)       \
    X(RfcGetFloat) X(RfcSetChars) X(RfcSetNum) X(RfcSetDate) X(RfcSetTime) X(RfcSetBytes)                     \
    X(RfcSetInt) X(RfcSetInt1) X(RfcSetInt2) X(RfcSetFloat) X(RfcSetTraceDir) X(RfcGetFunctionDesc)               \
    X(RfcGetParameterDescByName) X(RfcGetTypeLength) X(RfcGetFieldCount) X(RfcGetFieldDescByIndex)

/// One pointer per function, typed as our declarations give it.
struct nwrfc_functions {
#define NWRFC_POINTER(name) decltype(&nwrfc::name) name;
    NWRFC_FUNCTION_LIST(NWRFC_POINTER)
#undef NWRFC_POINTER
};

/// Finds a symbol of the loaded library; see library_host.h.
typedef void *(*symbol_finder)(void *library, const char *plain_name, unsigned stdcall_argument_bytes);

/// Fills `functions` from `library` through `find`; false with `missing` naming the
/// first function the library lacks (an old or foreign library).
bool resolve_nwrfc_functions(void *library, symbol_finder find, nwrfc_functions &functions,
                             bounded_text<60> &missing);
