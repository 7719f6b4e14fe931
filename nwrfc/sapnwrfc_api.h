// SAP's NetWeaver RFC library (sapnwrfc.dll / libsapnwrfc.so) as the bridge uses it,
// declared by us: only the types and functions the bridge calls, each with the public
// source that fixes it. Texts are UTF-16 (SAP_UC, two bytes everywhere); on 32-bit
// Windows every function is __stdcall. The closing note says where sources differ.
//
// Sources, named by letter in the notes below:
//  [H] SAP's header sapnwrfc.h of the NetWeaver RFC SDK 7.50 as public repositories
//      carry it (for example GitHub dhongu/deltatech, folder static/nwrfcsdk/include):
//      field order, array lengths, enum values, and SAP_API = _stdcall on SAPonNT.
//  [P] SAP's PyRFC, src/pyrfc/csapnwrfc.pxd (Apache-2.0): public code calling the
//      library, with the parameter lists of every function used here.
//  [D] SAP's NetWeaver RFC SDK documentation (the programming guide and the SDK's
//      doxygen pages): which getter converts which field type, ownership of handles.
//  [N] .NET callers huysentruitw/SapNwRfc and dbosoft/YaNco (DllImport "sapnwrfc"):
//      the plain export names and the UTF-16 (CharSet.Unicode) texts.
#pragma once

#include <cstddef>

#include "core/stdcall_argument_bytes.h"

#if defined(_WIN32)
#define SAP_API __stdcall  // [H]: "#ifdef SAPonNT #define SAP_API _stdcall"
#else
#define SAP_API             // [H]: empty elsewhere
#endif

// In a namespace of their own: the classic interface, declared in the same bridge,
// has records and return codes of the same names (RFC_ERROR_INFO, RFC_OK, RFC_TIMEOUT)
// with other layouts and values. The functions keep their C names.
namespace nwrfc {
extern "C" {

// --- scalar types [H] "RFC scalar data type mappings", [P] -----------------------
typedef char16_t SAP_UC;           // UTF-16 code unit: wchar_t on Windows, unsigned short elsewhere [H][P]
typedef unsigned char SAP_RAW;     // [H][P]
typedef SAP_UC RFC_CHAR;           // RFCTYPE_CHAR [H]
typedef RFC_CHAR RFC_NUM;          // RFCTYPE_NUM [H]
typedef SAP_RAW RFC_BYTE;          // RFCTYPE_BYTE [H]
typedef SAP_RAW RFC_INT1;          // RFCTYPE_INT1, unsigned [H]
typedef short RFC_INT2;            // RFCTYPE_INT2 [H]
typedef int RFC_INT;               // RFCTYPE_INT [H]
typedef double RFC_FLOAT;          // RFCTYPE_FLOAT [H]
typedef RFC_CHAR RFC_DATE[8];      // YYYYMMDD [H]
typedef RFC_CHAR RFC_TIME[6];      // HHMMSS [H]
typedef RFC_CHAR RFC_ABAP_NAME[30 + 1];           // [H]
typedef RFC_CHAR RFC_PARAMETER_DEFVALUE[30 + 1];  // [H]
typedef RFC_CHAR RFC_PARAMETER_TEXT[79 + 1];      // [H]

// --- enums: values as [H] numbers them (plain C enums, 4 bytes) -----------------
typedef enum _RFCTYPE {
    RFCTYPE_CHAR = 0, RFCTYPE_DATE = 1, RFCTYPE_BCD = 2, RFCTYPE_TIME = 3, RFCTYPE_BYTE = 4,
    RFCTYPE_TABLE = 5, RFCTYPE_NUM = 6, RFCTYPE_FLOAT = 7, RFCTYPE_INT = 8, RFCTYPE_INT2 = 9,
    RFCTYPE_INT1 = 10, RFCTYPE_STRUCTURE = 17, RFCTYPE_DECF16 = 23, RFCTYPE_DECF34 = 24, RFCTYPE_STRING = 29,
    RFCTYPE_XSTRING = 30, RFCTYPE_INT8 = 31,  // named by the getters' and setters' lists of types [H]
} RFCTYPE;

// Return codes of every function; also RFC_ERROR_INFO::code [H] (consecutive from 0).
typedef enum _RFC_RC {
    RFC_OK = 0, RFC_COMMUNICATION_FAILURE = 1, RFC_LOGON_FAILURE = 2, RFC_ABAP_RUNTIME_FAILURE = 3,
    RFC_ABAP_MESSAGE = 4, RFC_ABAP_EXCEPTION = 5, RFC_CLOSED = 6, RFC_CANCELED = 7, RFC_TIMEOUT = 8,
    RFC_MEMORY_INSUFFICIENT = 9, RFC_VERSION_MISMATCH = 10, RFC_INVALID_PROTOCOL = 11,
    RFC_SERIALIZATION_FAILURE = 12, RFC_INVALID_HANDLE = 13, RFC_RETRY = 14, RFC_EXTERNAL_FAILURE = 15,
    RFC_EXECUTED = 16, RFC_NOT_FOUND = 17, RFC_NOT_SUPPORTED = 18, RFC_ILLEGAL_STATE = 19,
    RFC_INVALID_PARAMETER = 20, RFC_CODEPAGE_CONVERSION_FAILURE = 21, RFC_CONVERSION_FAILURE = 22,
    RFC_BUFFER_TOO_SMALL = 23, RFC_TABLE_MOVE_BOF = 24, RFC_TABLE_MOVE_EOF = 25,
    RFC_START_SAPGUI_FAILURE = 26, RFC_ABAP_CLASS_EXCEPTION = 27, RFC_UNKNOWN_ERROR = 28,
    RFC_AUTHORIZATION_FAILURE = 29,
} RFC_RC;

// RFC_ERROR_INFO::group [H] (consecutive from 0).
typedef enum _RFC_ERROR_GROUP {
    OK = 0, ABAP_APPLICATION_FAILURE = 1, ABAP_RUNTIME_FAILURE = 2, LOGON_FAILURE = 3,
    COMMUNICATION_FAILURE = 4, EXTERNAL_RUNTIME_FAILURE = 5, EXTERNAL_APPLICATION_FAILURE = 6,
    EXTERNAL_AUTHORIZATION_FAILURE = 7,
} RFC_ERROR_GROUP;

// RFC_PARAMETER_DESC::direction, seen from the called module [H].
typedef enum _RFC_DIRECTION {
    RFC_IMPORT = 0x01, RFC_EXPORT = 0x02, RFC_CHANGING = 0x03, RFC_TABLES = 0x07,
} RFC_DIRECTION;

// --- records [H], field order as there; [P] agrees except as the closing note says
typedef struct _RFC_ERROR_INFO {
    RFC_RC code;
    RFC_ERROR_GROUP group;
    SAP_UC key[128];           // exception name for RFC_ABAP_EXCEPTION [D]
    SAP_UC message[512];
    SAP_UC abapMsgClass[20 + 1];
    SAP_UC abapMsgType[1 + 1];
    RFC_NUM abapMsgNumber[3 + 1];
    SAP_UC abapMsgV1[50 + 1];
    SAP_UC abapMsgV2[50 + 1];
    SAP_UC abapMsgV3[50 + 1];
    SAP_UC abapMsgV4[50 + 1];
} RFC_ERROR_INFO;

typedef struct _RFC_CONNECTION_PARAMETER {
    const SAP_UC *name;   // "ashost", "sysnr", "client", ... in any case [D]
    const SAP_UC *value;
} RFC_CONNECTION_PARAMETER;

// Handles: pointers to a one-pointer record [H]; only ever passed back to the library.
typedef struct _RFC_TYPE_DESC_HANDLE { void *handle; } *RFC_TYPE_DESC_HANDLE;
typedef struct _RFC_FUNCTION_DESC_HANDLE { void *handle; } *RFC_FUNCTION_DESC_HANDLE;
typedef struct RFC_DATA_CONTAINER { void *handle; } *DATA_CONTAINER_HANDLE;
typedef DATA_CONTAINER_HANDLE RFC_STRUCTURE_HANDLE;
typedef DATA_CONTAINER_HANDLE RFC_FUNCTION_HANDLE;
typedef DATA_CONTAINER_HANDLE RFC_TABLE_HANDLE;
typedef struct _RFC_CONNECTION_HANDLE { void *handle; } *RFC_CONNECTION_HANDLE;

typedef struct _RFC_FIELD_DESC {
    RFC_ABAP_NAME name;
    RFCTYPE type;
    unsigned nucLength;   // bytes with one byte per character
    unsigned nucOffset;
    unsigned ucLength;    // bytes with two bytes per character
    unsigned ucOffset;
    unsigned decimals;
    RFC_TYPE_DESC_HANDLE typeDescHandle;
    void *extendedDescription;
} RFC_FIELD_DESC;

typedef struct _RFC_PARAMETER_DESC {
    RFC_ABAP_NAME name;
    RFCTYPE type;
    RFC_DIRECTION direction;
    unsigned nucLength;
    unsigned ucLength;
    unsigned decimals;
    RFC_TYPE_DESC_HANDLE typeDescHandle;
    RFC_PARAMETER_DEFVALUE defaultValue;
    RFC_PARAMETER_TEXT parameterText;
    RFC_BYTE optional;
    void *extendedDescription;
} RFC_PARAMETER_DESC;

// --- functions: parameter lists [H][P]; export name = the function's name [N] -----
// Connection
RFC_CONNECTION_HANDLE SAP_API RfcOpenConnection(const RFC_CONNECTION_PARAMETER *connectionParams,
                                                unsigned paramCount, RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcCloseConnection(RFC_CONNECTION_HANDLE rfcHandle, RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcInvoke(RFC_CONNECTION_HANDLE rfcHandle, RFC_FUNCTION_HANDLE funcHandle,
                            RFC_ERROR_INFO *errorInfo);
const SAP_UC *SAP_API RfcGetVersion(unsigned *majorVersion, unsigned *minorVersion, unsigned *patchLevel);
// The folder of the library's own trace files (dev_rfc.trc and the rfc*.trc of its
// trace levels), by default the working directory [H][D]; not const in [H].
RFC_RC SAP_API RfcSetTraceDir(SAP_UC *traceDir, RFC_ERROR_INFO *errorInfo);
// Metadata the system holds, fetched from its dictionary over the connection [H][P].
// The handles come from the library's cache and live as long as it: [D] says that
// destroying a cached description is an error.
RFC_FUNCTION_DESC_HANDLE SAP_API RfcGetFunctionDesc(RFC_CONNECTION_HANDLE rfcHandle, const SAP_UC *funcName,
                                                   RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcGetParameterDescByName(RFC_FUNCTION_DESC_HANDLE funcDesc, const SAP_UC *name,
                                         RFC_PARAMETER_DESC *paramDesc, RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcGetTypeLength(RFC_TYPE_DESC_HANDLE typeHandle, unsigned *nucByteLength, unsigned *ucByteLength,
                                RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcGetFieldCount(RFC_TYPE_DESC_HANDLE typeHandle, unsigned *count, RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcGetFieldDescByIndex(RFC_TYPE_DESC_HANDLE typeHandle, unsigned index, RFC_FIELD_DESC *fieldDesc,
                                      RFC_ERROR_INFO *errorInfo);
// Metadata built locally, nothing fetched from the system
RFC_FUNCTION_DESC_HANDLE SAP_API RfcCreateFunctionDesc(const SAP_UC *name, RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcAddParameter(RFC_FUNCTION_DESC_HANDLE funcDesc, const RFC_PARAMETER_DESC *paramDescr,
                                  RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcDestroyFunctionDesc(RFC_FUNCTION_DESC_HANDLE funcDesc, RFC_ERROR_INFO *errorInfo);
RFC_TYPE_DESC_HANDLE SAP_API RfcCreateTypeDesc(const SAP_UC *name, RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcAddTypeField(RFC_TYPE_DESC_HANDLE typeHandle, const RFC_FIELD_DESC *fieldDescr,
                                  RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcSetTypeLength(RFC_TYPE_DESC_HANDLE typeHandle, unsigned nucByteLength, unsigned ucByteLength,
                                   RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcDestroyTypeDesc(RFC_TYPE_DESC_HANDLE typeHandle, RFC_ERROR_INFO *errorInfo);
// Data containers
RFC_FUNCTION_HANDLE SAP_API RfcCreateFunction(RFC_FUNCTION_DESC_HANDLE funcDescHandle, RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcDestroyFunction(RFC_FUNCTION_HANDLE funcHandle, RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcGetStructure(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC *name,
                                  RFC_STRUCTURE_HANDLE *structHandle, RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcGetTable(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC *name, RFC_TABLE_HANDLE *tableHandle,
                              RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcGetRowCount(RFC_TABLE_HANDLE tableHandle, unsigned *rowCount, RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcMoveTo(RFC_TABLE_HANDLE tableHandle, unsigned index, RFC_ERROR_INFO *errorInfo);
RFC_STRUCTURE_HANDLE SAP_API RfcGetCurrentRow(RFC_TABLE_HANDLE tableHandle, RFC_ERROR_INFO *errorInfo);
RFC_STRUCTURE_HANDLE SAP_API RfcAppendNewRow(RFC_TABLE_HANDLE tableHandle, RFC_ERROR_INFO *errorInfo);
// Each getter and setter takes only the field types its documentation in [H] lists
// (the NetWeaver stand-in's field_access.cpp holds the lists); the bridge calls for
// each type the function named after it, and RfcGetBytes/RfcSetBytes for BCD.
// Field getters: by field or parameter name; CHAR/NUM fill exactly bufferLength
// characters, blank- or zero-padded, no terminator [D]. RfcGetBytes takes BYTE and
// BCD fields and gives "the binary representation of the value" [H]: for BCD the
// packed bytes. RfcGetString gives a BCD field as a text whose format [H] does not
// fix (it follows the library's patch level and locale): the bridge never reads it.
RFC_RC SAP_API RfcGetChars(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC *name, RFC_CHAR *charBuffer,
                              unsigned bufferLength, RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcGetNum(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC *name, RFC_NUM *charBuffer,
                            unsigned bufferLength, RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcGetDate(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC *name, RFC_DATE emptyDate,
                             RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcGetTime(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC *name, RFC_TIME emptyTime,
                             RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcGetBytes(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC *name, SAP_RAW *byteBuffer,
                              unsigned bufferLength, RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcGetString(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC *name, SAP_UC *stringBuffer,
                               unsigned bufferLength, unsigned *stringLength, RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcGetInt(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC *name, RFC_INT *value,
                            RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcGetInt1(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC *name, RFC_INT1 *value,
                             RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcGetInt2(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC *name, RFC_INT2 *value,
                             RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcGetFloat(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC *name, RFC_FLOAT *value,
                              RFC_ERROR_INFO *errorInfo);
// Field setters: the mirror of the getters [H][P]; RfcSetBytes assigns a BCD field
// when the byte length matches the field's [H].
RFC_RC SAP_API RfcSetChars(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC *name, const RFC_CHAR *charValue,
                              unsigned valueLength, RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcSetNum(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC *name, const RFC_NUM *charValue,
                            unsigned valueLength, RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcSetDate(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC *name, const RFC_DATE date,
                             RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcSetTime(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC *name, const RFC_TIME time,
                             RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcSetBytes(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC *name, const SAP_RAW *byteValue,
                              unsigned valueLength, RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcSetString(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC *name, const SAP_UC *stringValue,
                               unsigned valueLength, RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcSetInt(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC *name, RFC_INT value,
                            RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcSetInt1(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC *name, RFC_INT1 value,
                             RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcSetInt2(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC *name, RFC_INT2 value,
                             RFC_ERROR_INFO *errorInfo);
RFC_RC SAP_API RfcSetFloat(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC *name, RFC_FLOAT value,
                              RFC_ERROR_INFO *errorInfo);

}  // extern "C"

// --- layouts pinned as [H] fixes them with default alignment (no #pragma pack there)
static_assert(sizeof(SAP_UC) == 2, "SAP_UC is one UTF-16 code unit");
static_assert(sizeof(RFCTYPE) == 4 && sizeof(RFC_RC) == 4 && sizeof(RFC_ERROR_GROUP) == 4 &&
                  sizeof(RFC_DIRECTION) == 4,
              "the enums are plain 4-byte C enums");
static_assert(sizeof(RFC_INT) == 4 && sizeof(RFC_INT2) == 2 && sizeof(RFC_INT1) == 1 && sizeof(RFC_FLOAT) == 8,
              "scalar sizes");
// No pointers: the same on 32 and 64 bits. 2 * 4 + 2 * (128 + 512 + 21 + 2 + 4 + 4 * 51) = 1750, padded to 4.
static_assert(sizeof(RFC_ERROR_INFO) == 1752, "RFC_ERROR_INFO size");
static_assert(offsetof(RFC_ERROR_INFO, key) == 8 && offsetof(RFC_ERROR_INFO, message) == 264 &&
                  offsetof(RFC_ERROR_INFO, abapMsgClass) == 1288 && offsetof(RFC_ERROR_INFO, abapMsgType) == 1330 &&
                  offsetof(RFC_ERROR_INFO, abapMsgNumber) == 1334 && offsetof(RFC_ERROR_INFO, abapMsgV1) == 1342 &&
                  offsetof(RFC_ERROR_INFO, abapMsgV4) == 1648,
              "RFC_ERROR_INFO offsets");
static_assert(offsetof(RFC_FIELD_DESC, type) == 64 && offsetof(RFC_FIELD_DESC, nucLength) == 68 &&
                  offsetof(RFC_FIELD_DESC, ucOffset) == 80 && offsetof(RFC_FIELD_DESC, decimals) == 84,
              "RFC_FIELD_DESC offsets before the pointers");
static_assert(offsetof(RFC_PARAMETER_DESC, type) == 64 && offsetof(RFC_PARAMETER_DESC, direction) == 68 &&
                  offsetof(RFC_PARAMETER_DESC, nucLength) == 72 && offsetof(RFC_PARAMETER_DESC, decimals) == 80,
              "RFC_PARAMETER_DESC offsets before the pointers");
#if defined(__SIZEOF_POINTER__) && __SIZEOF_POINTER__ == 4
static_assert(sizeof(RFC_CONNECTION_PARAMETER) == 8, "two pointers");
static_assert(offsetof(RFC_FIELD_DESC, typeDescHandle) == 88 && sizeof(RFC_FIELD_DESC) == 96, "32-bit");
static_assert(offsetof(RFC_PARAMETER_DESC, typeDescHandle) == 84 && offsetof(RFC_PARAMETER_DESC, defaultValue) == 88 &&
                  offsetof(RFC_PARAMETER_DESC, parameterText) == 150 && offsetof(RFC_PARAMETER_DESC, optional) == 310 &&
                  offsetof(RFC_PARAMETER_DESC, extendedDescription) == 312 && sizeof(RFC_PARAMETER_DESC) == 316,
              "32-bit");
#else
static_assert(sizeof(RFC_CONNECTION_PARAMETER) == 16, "two pointers");
static_assert(offsetof(RFC_FIELD_DESC, typeDescHandle) == 88 && sizeof(RFC_FIELD_DESC) == 104, "64-bit");
static_assert(offsetof(RFC_PARAMETER_DESC, typeDescHandle) == 88 && offsetof(RFC_PARAMETER_DESC, defaultValue) == 96 &&
                  offsetof(RFC_PARAMETER_DESC, parameterText) == 158 && offsetof(RFC_PARAMETER_DESC, optional) == 318 &&
                  offsetof(RFC_PARAMETER_DESC, extendedDescription) == 320 && sizeof(RFC_PARAMETER_DESC) == 328,
              "64-bit");
#endif

// Each function's arguments as SAP documents them, held against an independent table.
KORVANEL_CHECK_STDCALL(RfcOpenConnection);
KORVANEL_CHECK_STDCALL(RfcCloseConnection);
KORVANEL_CHECK_STDCALL(RfcInvoke);
KORVANEL_CHECK_STDCALL(RfcGetVersion);
KORVANEL_CHECK_STDCALL(RfcCreateFunctionDesc);
KORVANEL_CHECK_STDCALL(RfcAddParameter);
KORVANEL_CHECK_STDCALL(RfcDestroyFunctionDesc);
KORVANEL_CHECK_STDCALL(RfcCreateTypeDesc);
KORVANEL_CHECK_STDCALL(RfcAddTypeField);
KORVANEL_CHECK_STDCALL(RfcSetTypeLength);
KORVANEL_CHECK_STDCALL(RfcDestroyTypeDesc);
KORVANEL_CHECK_STDCALL(RfcCreateFunction);
KORVANEL_CHECK_STDCALL(RfcDestroyFunction);
KORVANEL_CHECK_STDCALL(RfcGetStructure);
KORVANEL_CHECK_STDCALL(RfcGetTable);
KORVANEL_CHECK_STDCALL(RfcGetRowCount);
KORVANEL_CHECK_STDCALL(RfcMoveTo);
KORVANEL_CHECK_STDCALL(RfcGetCurrentRow);
KORVANEL_CHECK_STDCALL(RfcAppendNewRow);
KORVANEL_CHECK_STDCALL(RfcGetChars);
KORVANEL_CHECK_STDCALL(RfcGetNum);
KORVANEL_CHECK_STDCALL(RfcGetDate);
KORVANEL_CHECK_STDCALL(RfcGetTime);
KORVANEL_CHECK_STDCALL(RfcGetBytes);
KORVANEL_CHECK_STDCALL(RfcGetString);
KORVANEL_CHECK_STDCALL(RfcGetInt);
KORVANEL_CHECK_STDCALL(RfcGetInt1);
KORVANEL_CHECK_STDCALL(RfcGetInt2);
KORVANEL_CHECK_STDCALL(RfcGetFloat);
KORVANEL_CHECK_STDCALL(RfcSetChars);
KORVANEL_CHECK_STDCALL(RfcSetNum);
KORVANEL_CHECK_STDCALL(RfcSetDate);
KORVANEL_CHECK_STDCALL(RfcSetTime);
KORVANEL_CHECK_STDCALL(RfcSetBytes);
KORVANEL_CHECK_STDCALL(RfcSetString);
KORVANEL_CHECK_STDCALL(RfcSetInt);
KORVANEL_CHECK_STDCALL(RfcSetInt1);
KORVANEL_CHECK_STDCALL(RfcSetInt2);
KORVANEL_CHECK_STDCALL(RfcSetFloat);
KORVANEL_CHECK_STDCALL(RfcSetTraceDir);
KORVANEL_CHECK_STDCALL(RfcGetFunctionDesc);
KORVANEL_CHECK_STDCALL(RfcGetParameterDescByName);
KORVANEL_CHECK_STDCALL(RfcGetTypeLength);
KORVANEL_CHECK_STDCALL(RfcGetFieldCount);
KORVANEL_CHECK_STDCALL(RfcGetFieldDescByIndex);

}  // namespace nwrfc

// Closing note: where the sources disagree or are silent.
// - [P] lists RFC_PARAMETER_DESC's `direction` before `type`; a Cython extern block
//   takes the layout from the real header, so [P] does not fix the order: [H] does.
// - [P] declares RFC_ATTRIBUTES with partnerIP fields that [H] (7.50) lacks; the
//   bridge uses neither.
// - SAP_UC: [H] takes it from sapuc.h (not in the copies found); [P] says unsigned
//   short, [N] marshals UTF-16. We take char16_t, the same two bytes by pointer.
// - Export names on 32-bit Windows: [H] declares no .def and no extern "C" export
//   decoration; [N] finds the plain names. No source shows the 32-bit DLL's table,
//   so the bridge looks for the plain name and then the __stdcall form "_Name@N".
// - RFC_RC and RFC_ERROR_GROUP are consecutive in [H]; we write the numbers out.
