// The argument bytes of every SAP library function we call on 32-bit Windows: the N of
// its __stdcall name "_Name@N", the bytes the callee pops off the stack. Written by hand
// from SAP's public parameter lists, apart from our own declarations, so that a
// declaration with one argument of the wrong size fails the build (the program and the
// stand-ins are compiled from the same declarations, and no run could show it).
//
// Sources: [S] the classic SDK's saprfc.h and sapitab.h and SAP's RFC API documentation
// of librfc32 (RFC_HANDLE, ITAB_H and every pointer 4 bytes, unsigned 4); [H] SAP's sapnwrfc.h of
// the NetWeaver RFC SDK 7.50 as public repositories carry it; [P] SAP's PyRFC,
// src/pyrfc/csapnwrfc.pxd. On i386 each argument takes a multiple of 4 bytes: a
// pointer, handle, enum, unsigned, int, short or char 4, a double 8.
#pragma once

#include <type_traits>

struct stdcall_entry {
    const char *name;  // the plain export name
    unsigned bytes;    // N of "_name@N"
};

// clang-format off
constexpr stdcall_entry stdcall_table[] = {
    // librfc32 [S]
    {"RfcEnvironment", 4},          // RFC_ENV*
    {"RfcOpen", 4},                 // RFC_OPTIONS*
    {"RfcOpenEx", 8},               // char* connect_param, RFC_ERROR_INFO_EX*
    {"RfcInstallStructure", 16},    // char* name, RFC_TYPE_ELEMENT*, unsigned entries, RFC_TYPEHANDLE*
    {"RfcCall", 16},                // RFC_HANDLE, char* function, RFC_PARAMETER*, RFC_TABLE*
    {"RfcReceive", 16},             // RFC_HANDLE, RFC_PARAMETER*, RFC_TABLE*, char** exception
    {"RfcLastError", 4},            // RFC_ERROR_INFO*
    {"RfcLastErrorEx", 4},          // RFC_ERROR_INFO_EX*
    {"RfcClose", 4},                // RFC_HANDLE
    {"ItCreate", 16},               // char* name, unsigned leng, unsigned occu, unsigned memo
    {"ItDelete", 4},                // ITAB_H
    {"ItFill", 4},                  // ITAB_H
    {"ItGetLine", 8},               // ITAB_H, unsigned line
    // sapnwrfc [H][P]: every function ends with RFC_ERROR_INFO* (4) unless said otherwise
    {"RfcOpenConnection", 12},      // RFC_CONNECTION_PARAMETER*, unsigned paramCount
    {"RfcCloseConnection", 8},      // RFC_CONNECTION_HANDLE
    {"RfcInvoke", 12},              // RFC_CONNECTION_HANDLE, RFC_FUNCTION_HANDLE
    {"RfcGetVersion", 12},          // unsigned* major, minor, patchLevel (no error info)
    {"RfcSetTraceDir", 8},          // SAP_UC* traceDir
    {"RfcSetTraceLevel", 16},       // RFC_CONNECTION_HANDLE, SAP_UC* destination, unsigned level
    {"RfcGetFunctionDesc", 12},     // RFC_CONNECTION_HANDLE, SAP_UC* funcName
    {"RfcCreateFunctionDesc", 8},   // SAP_UC* name
    {"RfcAddParameter", 12},        // RFC_FUNCTION_DESC_HANDLE, RFC_PARAMETER_DESC*
    {"RfcGetParameterCount", 12},   // RFC_FUNCTION_DESC_HANDLE, unsigned* count
    {"RfcGetParameterDescByIndex", 16},  // RFC_FUNCTION_DESC_HANDLE, unsigned index, RFC_PARAMETER_DESC*
    {"RfcGetParameterDescByName", 16},   // RFC_FUNCTION_DESC_HANDLE, SAP_UC* name, RFC_PARAMETER_DESC*
    {"RfcDestroyFunctionDesc", 8},  // RFC_FUNCTION_DESC_HANDLE
    {"RfcCreateTypeDesc", 8},       // SAP_UC* name
    {"RfcAddTypeField", 12},        // RFC_TYPE_DESC_HANDLE, RFC_FIELD_DESC*
    {"RfcSetTypeLength", 16},       // RFC_TYPE_DESC_HANDLE, unsigned nucByteLength, unsigned ucByteLength
    {"RfcGetTypeLength", 16},       // RFC_TYPE_DESC_HANDLE, unsigned* nucByteLength, unsigned* ucByteLength
    {"RfcGetTypeName", 12},         // RFC_TYPE_DESC_HANDLE, RFC_ABAP_NAME buffer
    {"RfcGetFieldCount", 12},       // RFC_TYPE_DESC_HANDLE, unsigned* count
    {"RfcGetFieldDescByIndex", 16}, // RFC_TYPE_DESC_HANDLE, unsigned index, RFC_FIELD_DESC*
    {"RfcGetFieldDescByName", 16},  // RFC_TYPE_DESC_HANDLE, SAP_UC* name, RFC_FIELD_DESC*
    {"RfcDestroyTypeDesc", 8},      // RFC_TYPE_DESC_HANDLE
    {"RfcCreateFunction", 8},       // RFC_FUNCTION_DESC_HANDLE
    {"RfcDestroyFunction", 8},      // RFC_FUNCTION_HANDLE
    {"RfcGetStructure", 16},        // DATA_CONTAINER_HANDLE, SAP_UC* name, RFC_STRUCTURE_HANDLE*
    {"RfcGetTable", 16},            // DATA_CONTAINER_HANDLE, SAP_UC* name, RFC_TABLE_HANDLE*
    {"RfcGetRowCount", 12},         // RFC_TABLE_HANDLE, unsigned* rowCount
    {"RfcMoveTo", 12},              // RFC_TABLE_HANDLE, unsigned index
    {"RfcGetCurrentRow", 8},        // RFC_TABLE_HANDLE
    {"RfcAppendNewRow", 8},         // RFC_TABLE_HANDLE
    {"RfcGetChars", 20},            // DATA_CONTAINER_HANDLE, SAP_UC* name, RFC_CHAR*, unsigned bufferLength
    {"RfcGetNum", 20},              // DATA_CONTAINER_HANDLE, SAP_UC* name, RFC_NUM*, unsigned bufferLength
    {"RfcGetDate", 16},             // DATA_CONTAINER_HANDLE, SAP_UC* name, RFC_DATE (an array: a pointer)
    {"RfcGetTime", 16},             // DATA_CONTAINER_HANDLE, SAP_UC* name, RFC_TIME (an array: a pointer)
    {"RfcGetBytes", 20},            // DATA_CONTAINER_HANDLE, SAP_UC* name, SAP_RAW*, unsigned bufferLength
    {"RfcGetString", 24},           // DATA_CONTAINER_HANDLE, SAP_UC* name, SAP_UC*, unsigned bufferLength, unsigned* stringLength
    {"RfcGetInt", 16},              // DATA_CONTAINER_HANDLE, SAP_UC* name, RFC_INT*
    {"RfcGetInt1", 16},             // DATA_CONTAINER_HANDLE, SAP_UC* name, RFC_INT1*
    {"RfcGetInt2", 16},             // DATA_CONTAINER_HANDLE, SAP_UC* name, RFC_INT2*
    {"RfcGetFloat", 16},            // DATA_CONTAINER_HANDLE, SAP_UC* name, RFC_FLOAT*
    {"RfcSetChars", 20},            // DATA_CONTAINER_HANDLE, SAP_UC* name, RFC_CHAR*, unsigned valueLength
    {"RfcSetNum", 20},              // DATA_CONTAINER_HANDLE, SAP_UC* name, RFC_NUM*, unsigned valueLength
    {"RfcSetDate", 16},             // DATA_CONTAINER_HANDLE, SAP_UC* name, RFC_DATE (a pointer)
    {"RfcSetTime", 16},             // DATA_CONTAINER_HANDLE, SAP_UC* name, RFC_TIME (a pointer)
    {"RfcSetBytes", 20},            // DATA_CONTAINER_HANDLE, SAP_UC* name, SAP_RAW*, unsigned valueLength
    {"RfcSetString", 20},           // DATA_CONTAINER_HANDLE, SAP_UC* name, SAP_UC*, unsigned valueLength
    {"RfcSetInt", 16},              // DATA_CONTAINER_HANDLE, SAP_UC* name, RFC_INT value
    {"RfcSetInt1", 16},             // DATA_CONTAINER_HANDLE, SAP_UC* name, RFC_INT1 value (a byte, pushed as 4)
    {"RfcSetInt2", 16},             // DATA_CONTAINER_HANDLE, SAP_UC* name, RFC_INT2 value (pushed as 4)
    {"RfcSetFloat", 20},            // DATA_CONTAINER_HANDLE, SAP_UC* name, RFC_FLOAT value (a double: 8)
};
// clang-format on

/// The table's bytes for `name`; 0 when the table lacks it (which fails every check).
constexpr unsigned stdcall_argument_bytes(const char *name) {
    for (const stdcall_entry &entry : stdcall_table) {
        const char *a = entry.name;
        const char *b = name;
        while (*a != '\0' && *a == *b) {
            ++a;
            ++b;
        }
        if (*a == *b)
            return entry.bytes;
    }
    return 0;
}

/// The bytes one argument of type T takes on the i386 stack, whatever this build's
/// width: a pointer 4 (an array parameter is one), anything else its size rounded up to 4.
template <typename T>
constexpr unsigned i386_stack_bytes() {
    if constexpr (std::is_pointer_v<T> || std::is_array_v<T>)
        return 4;
    else
        return (sizeof(T) + 3) / 4 * 4;
}

#if defined(_WIN32)
#define KORVANEL_STDCALL __stdcall
#else
#define KORVANEL_STDCALL
#endif

/// The N of "_name@N" that a 32-bit compiler gives a function of this type.
template <typename Result, typename... Arguments>
constexpr unsigned i386_argument_bytes(Result(KORVANEL_STDCALL *)(Arguments...)) {
    return (0u + ... + i386_stack_bytes<Arguments>());
}

/// Fails the build when the function `pointer` (declared or typed for the export
/// `name`) takes other arguments than SAP's documented list.
#define KORVANEL_CHECK_STDCALL_AS(pointer, name)                                      \
    static_assert(i386_argument_bytes(pointer) == stdcall_argument_bytes(name),      \
                  name ": the declared arguments differ from SAP's documented __stdcall size")
#define KORVANEL_CHECK_STDCALL(function) KORVANEL_CHECK_STDCALL_AS(&function, #function)
