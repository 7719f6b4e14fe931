// The classic RFC library's interface, declared by us from its published calling
// rules: thirteen functions, their records and type codes, non-Unicode (all texts char).
// Source of every declaration: SAP's own header of the classic RFC SDK, saprfc.h
// (release 6.40, public copies on GitHub), and SAP's help pages of the classic RFC
// API on help.sap.com; each record names the part it follows. The internal-table
// functions follow the SDK's sapitab.h (release 6.40), which documents each of them. On 32-bit Windows
// every function and callback is __stdcall (the header's SAP_API and
// DLL_CALL_BACK_FUNCTION) and the DLL exports the plain names; elsewhere the plain C
// convention applies. The layouts of the 32-bit library are pinned below.
#pragma once

#include <cstddef>

#include "core/stdcall_argument_bytes.h"

// Our name for the library's calling convention. Not RFC_CALL: that is an
// enumerator of the library's return codes.
#if defined(_WIN32)
#define LIBRFC32_API __stdcall
#else
#define LIBRFC32_API
#endif

extern "C" {

typedef unsigned RFC_HANDLE;      // connection, 0 = none (RFC_HANDLE in saprfc.h)
typedef unsigned RFC_TYPEHANDLE;  // type code or installed structure (RFC_TYPEHANDLE)
typedef void *ITAB_H;             // internal table, null = none (ITAB_H)
typedef int RFC_RC;               // return code of a call (enum RFC_RC, an int)

// enum RFC_RC: the codes in the header's order; 23 is the last one, RFC_TIMEOUT.
enum {
    RFC_OK = 0,
    RFC_FAILURE = 1,
    RFC_EXCEPTION = 2,
    RFC_SYS_EXCEPTION = 3,
    RFC_CALL = 4,  // a call received while waiting for an answer
    RFC_INTERNAL_COM = 5,
    RFC_CLOSED = 6,
    RFC_TIMEOUT = 23,
};

// The ABAP data types (TYPC ... TYPINT1, #defines in saprfc.h).
enum {
    TYPC = 0,      // character text
    TYPDATE = 1,   // date YYYYMMDD
    TYPP = 2,      // packed decimal
    TYPTIME = 3,   // time HHMMSS
    TYPX = 4,      // raw bytes
    TYPTABH = 5,   // internal table
    TYPNUM = 6,    // numeric text
    TYPFLOAT = 7,  // floating point
    TYPINT = 8,    // four-byte integer
    TYPINT2 = 9,   // two-byte integer
    TYPINT1 = 10,  // one-byte integer
};

// enum RFC_MODE: the two protocols RfcOpen is used with here.
enum { RFC_MODE_R3ONLY = 0, RFC_MODE_CPIC = 1 };

// enum RFC_ERROR_GROUP: what kind of error RfcLastErrorEx reports.
enum {
    RFC_ERROR_PROGRAM = 101,
    RFC_ERROR_COMMUNICATION = 102,
    RFC_ERROR_LOGON_FAILURE = 103,  // the system refused the logon (name, password, client, lock)
    RFC_ERROR_SYSTEM_FAILURE = 104,
    RFC_ERROR_APPLICATION_EXCEPTION = 105,
    RFC_ERROR_RESOURCE = 106,
    RFC_ERROR_PROTOCOL = 107,
    RFC_ERROR_INTERNAL = 108,
    RFC_ERROR_CANCELLED = 109,
    RFC_ERROR_BUSY = 110,
};

typedef void(LIBRFC32_API *RFC_ERROR_HANDLER)(char *operation);
typedef void *(LIBRFC32_API *RFC_ALLOCATE)(void *old, unsigned long size);

// RFC_ENV of saprfc.h: the error handler first. (The help page of RfcEnvironment
// prints the two members the other way round; the header is what the library is
// built from.)
struct RFC_ENV {
    RFC_ERROR_HANDLER errorhandler;
    RFC_ALLOCATE allocate;
};

// RFC_OPTIONS of saprfc.h. The logon data (client, user, password, language) are
// checked by the system only when the first call is sent, not by RfcOpen.
struct RFC_OPTIONS {
    char *destination;
    int mode;        // enum RFC_MODE: RFC_MODE_R3ONLY or RFC_MODE_CPIC
    void *connopt;   // RFC_CONNOPT_R3ONLY or RFC_CONNOPT_CPIC
    char *client;
    char *user;
    char *password;
    char *language;
    int trace;
};

// RFC_CONNOPT_R3ONLY of saprfc.h.
struct RFC_CONNOPT_R3ONLY {
    char *hostname;
    int sysnr;
    char *gateway_host;
    char *gateway_service;
};

// RFC_CONNOPT_CPIC of saprfc.h.
struct RFC_CONNOPT_CPIC {
    char *gateway_host;
    char *gateway_service;
};

// RFC_ERROR_INFO of saprfc.h and its help page: four texts, no padding.
struct RFC_ERROR_INFO {
    char key[33];
    char status[128];
    char message[256];
    char intstat[128];
};

// RFC_ERROR_INFO_EX of saprfc.h: the group (enum RFC_ERROR_GROUP, an int) first.
struct RFC_ERROR_INFO_EX {
    int group;
    char key[33];
    char message[513];
};

// RFC_PARAMETER of saprfc.h.
struct RFC_PARAMETER {
    char *name;  // null ends a list
    unsigned nlen;
    RFC_TYPEHANDLE type;
    unsigned leng;
    void *addr;
};

// RFC_TABLE of saprfc.h.
struct RFC_TABLE {
    char *name;  // null ends a list
    unsigned nlen;
    RFC_TYPEHANDLE type;
    unsigned leng;
    ITAB_H ithandle;
    int itmode;  // enum RFC_ITMODE, 0: by reference
    int newitab;
};

// RFC_TYPE_ELEMENT of saprfc.h, the row form of RfcInstallStructure. Its fifth field
// is not an offset (that is RFC_TYPE_ELEMENT2 of RfcInstallStructure2): the library
// lays the fields out itself, one after another, each integer and float field aligned
// to its size. The field is passed as 0.
struct RFC_TYPE_ELEMENT {
    char *name;
    RFC_TYPEHANDLE type;
    unsigned length;
    unsigned decimals;
    unsigned not_used;
};

/// Registers the error handler (and allocator, null = the library's own); the library
/// calls the handler whenever an error occurs within it.
void LIBRFC32_API RfcEnvironment(RFC_ENV *environment);
/// Opens a connection from explicit options; returns its handle, 0 when not connected.
/// The logon itself is checked with the first RfcCall.
RFC_HANDLE LIBRFC32_API RfcOpen(RFC_OPTIONS *options);
/// Opens a connection from an "ID=value ..." text, checking the logon at once; returns
/// its handle, or 0 with the error in *error_info.
RFC_HANDLE LIBRFC32_API RfcOpenEx(char *connect_param, RFC_ERROR_INFO_EX *error_info);
/// Installs a structure from its descriptor rows; 0 when installed, *handle then types it.
RFC_RC LIBRFC32_API RfcInstallStructure(char *name, RFC_TYPE_ELEMENT *elements, unsigned entries,
                                        RFC_TYPEHANDLE *handle);
/// Sends a function-module call; 0 when sent.
RFC_RC LIBRFC32_API RfcCall(RFC_HANDLE handle, char *function, RFC_PARAMETER *exporting, RFC_TABLE *tables);
/// Receives the answer of the last call; 0 ok, 1 failure, 2 exception, 3 system exception.
RFC_RC LIBRFC32_API RfcReceive(RFC_HANDLE handle, RFC_PARAMETER *importing, RFC_TABLE *tables, char **exception);
/// Fills *error_info with the last error; returns 0, or 1 when there was none.
int LIBRFC32_API RfcLastError(RFC_ERROR_INFO *error_info);
/// Fills *error_info with the last error and its group; returns 0, or 1 when there
/// was none or it has been asked for already (each error is handed out once).
int LIBRFC32_API RfcLastErrorEx(RFC_ERROR_INFO_EX *error_info);
/// Closes one connection, or every connection when handle is 0.
void LIBRFC32_API RfcClose(RFC_HANDLE handle);
/// Creates an empty internal table of lines of leng bytes; null on failure.
ITAB_H LIBRFC32_API ItCreate(char *name, unsigned leng, unsigned occu, unsigned memo);
/// Deletes an internal table; 0 on success.
int LIBRFC32_API ItDelete(ITAB_H table);
/// The number of lines of an internal table (sapitab.h: "returns number of rows").
unsigned LIBRFC32_API ItFill(ITAB_H table);
/// The address of line `line` of an internal table, counted from 1 as ABAP's SY-TABIX;
/// the line is the library's and only read. Null when the table has no such line.
void *LIBRFC32_API ItGetLine(ITAB_H table, unsigned line);

// The two table readers as the program resolves them when OBJECTS=YES asks for them.
typedef unsigned(LIBRFC32_API *ItFill_function)(ITAB_H table);
typedef void *(LIBRFC32_API *ItGetLine_function)(ITAB_H table, unsigned line);

}  // extern "C"

// The layouts of the 32-bit library, which every record handed to it must have, and of
// the 64-bit one.
static_assert(sizeof(int) == 4 && sizeof(unsigned) == 4, "the library's integers are 32 bits");
#if defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(RFC_ENV) == 8 && offsetof(RFC_ENV, errorhandler) == 0 && offsetof(RFC_ENV, allocate) == 4,
              "RFC_ENV: error handler, then allocator");
static_assert(sizeof(RFC_OPTIONS) == 32 && offsetof(RFC_OPTIONS, mode) == 4 && offsetof(RFC_OPTIONS, connopt) == 8 &&
                  offsetof(RFC_OPTIONS, client) == 12 && offsetof(RFC_OPTIONS, user) == 16 &&
                  offsetof(RFC_OPTIONS, password) == 20 && offsetof(RFC_OPTIONS, language) == 24 &&
                  offsetof(RFC_OPTIONS, trace) == 28,
              "RFC_OPTIONS as saprfc.h lays it out");
static_assert(sizeof(RFC_CONNOPT_R3ONLY) == 16 && offsetof(RFC_CONNOPT_R3ONLY, sysnr) == 4 &&
                  offsetof(RFC_CONNOPT_R3ONLY, gateway_host) == 8 &&
                  offsetof(RFC_CONNOPT_R3ONLY, gateway_service) == 12,
              "RFC_CONNOPT_R3ONLY as saprfc.h lays it out");
static_assert(sizeof(RFC_CONNOPT_CPIC) == 8 && offsetof(RFC_CONNOPT_CPIC, gateway_service) == 4,
              "RFC_CONNOPT_CPIC as saprfc.h lays it out");
static_assert(sizeof(RFC_PARAMETER) == 20 && offsetof(RFC_PARAMETER, nlen) == 4 &&
                  offsetof(RFC_PARAMETER, type) == 8 && offsetof(RFC_PARAMETER, leng) == 12 &&
                  offsetof(RFC_PARAMETER, addr) == 16,
              "RFC_PARAMETER as saprfc.h lays it out");
static_assert(sizeof(RFC_TABLE) == 28 && offsetof(RFC_TABLE, nlen) == 4 && offsetof(RFC_TABLE, type) == 8 &&
                  offsetof(RFC_TABLE, leng) == 12 && offsetof(RFC_TABLE, ithandle) == 16 &&
                  offsetof(RFC_TABLE, itmode) == 20 && offsetof(RFC_TABLE, newitab) == 24,
              "RFC_TABLE as saprfc.h lays it out");
static_assert(sizeof(RFC_TYPE_ELEMENT) == 20 && offsetof(RFC_TYPE_ELEMENT, type) == 4 &&
                  offsetof(RFC_TYPE_ELEMENT, length) == 8 && offsetof(RFC_TYPE_ELEMENT, decimals) == 12 &&
                  offsetof(RFC_TYPE_ELEMENT, not_used) == 16,
              "RFC_TYPE_ELEMENT as saprfc.h lays it out");
#elif defined(__x86_64__) || defined(_M_X64)
// The layouts of the 64-bit library, which Korvanel64.exe hands its records to. SAP's
// saprfc.h (release 6.40) declares them once for every platform: RFC_HANDLE and
// RFC_TYPEHANDLE as unsigned, 4 bytes on 64-bit Windows (LLP64) as on 32-bit; ITAB_H
// and every text a pointer, 8 bytes; no packing pragma, so each field is aligned to its
// size. Where the 32-bit records have a pointer after three 4-byte fields, the 64-bit
// ones have 4 bytes of padding before it: RFC_PARAMETER's addr, RFC_TABLE's ithandle,
// RFC_OPTIONS's connopt. The descriptor rows of RfcInstallStructure (RFC_TYPE_ELEMENT)
// grow from 20 to 24 bytes through the name pointer alone. The same layouts hold on
// 64-bit Linux (LP64), where the native tests run: the records hold no long.
static_assert(sizeof(RFC_HANDLE) == 4 && sizeof(RFC_TYPEHANDLE) == 4 && sizeof(ITAB_H) == 8,
              "handles of saprfc.h: unsigned, unsigned and a pointer");
static_assert(sizeof(RFC_ENV) == 16 && offsetof(RFC_ENV, allocate) == 8, "RFC_ENV: error handler, then allocator");
static_assert(sizeof(RFC_OPTIONS) == 64 && offsetof(RFC_OPTIONS, mode) == 8 && offsetof(RFC_OPTIONS, connopt) == 16 &&
                  offsetof(RFC_OPTIONS, client) == 24 && offsetof(RFC_OPTIONS, user) == 32 &&
                  offsetof(RFC_OPTIONS, password) == 40 && offsetof(RFC_OPTIONS, language) == 48 &&
                  offsetof(RFC_OPTIONS, trace) == 56,
              "RFC_OPTIONS as saprfc.h lays it out on 64 bits");
static_assert(sizeof(RFC_CONNOPT_R3ONLY) == 32 && offsetof(RFC_CONNOPT_R3ONLY, sysnr) == 8 &&
                  offsetof(RFC_CONNOPT_R3ONLY, gateway_host) == 16 &&
                  offsetof(RFC_CONNOPT_R3ONLY, gateway_service) == 24,
              "RFC_CONNOPT_R3ONLY as saprfc.h lays it out on 64 bits");
static_assert(sizeof(RFC_CONNOPT_CPIC) == 16 && offsetof(RFC_CONNOPT_CPIC, gateway_service) == 8,
              "RFC_CONNOPT_CPIC as saprfc.h lays it out on 64 bits");
static_assert(sizeof(RFC_PARAMETER) == 32 && offsetof(RFC_PARAMETER, nlen) == 8 &&
                  offsetof(RFC_PARAMETER, type) == 12 && offsetof(RFC_PARAMETER, leng) == 16 &&
                  offsetof(RFC_PARAMETER, addr) == 24,
              "RFC_PARAMETER as saprfc.h lays it out on 64 bits");
static_assert(sizeof(RFC_TABLE) == 40 && offsetof(RFC_TABLE, nlen) == 8 && offsetof(RFC_TABLE, type) == 12 &&
                  offsetof(RFC_TABLE, leng) == 16 && offsetof(RFC_TABLE, ithandle) == 24 &&
                  offsetof(RFC_TABLE, itmode) == 32 && offsetof(RFC_TABLE, newitab) == 36,
              "RFC_TABLE as saprfc.h lays it out on 64 bits");
static_assert(sizeof(RFC_TYPE_ELEMENT) == 24 && offsetof(RFC_TYPE_ELEMENT, type) == 8 &&
                  offsetof(RFC_TYPE_ELEMENT, length) == 12 && offsetof(RFC_TYPE_ELEMENT, decimals) == 16 &&
                  offsetof(RFC_TYPE_ELEMENT, not_used) == 20,
              "RFC_TYPE_ELEMENT as saprfc.h lays it out on 64 bits");
#endif
// The texts and the group hold no pointers: the same layout on every build.
static_assert(sizeof(RFC_ERROR_INFO) == 545 && offsetof(RFC_ERROR_INFO, status) == 33 &&
                  offsetof(RFC_ERROR_INFO, message) == 161 && offsetof(RFC_ERROR_INFO, intstat) == 417,
              "RFC_ERROR_INFO as saprfc.h lays it out");
static_assert(sizeof(RFC_ERROR_INFO_EX) == 552 && offsetof(RFC_ERROR_INFO_EX, key) == 4 &&
                  offsetof(RFC_ERROR_INFO_EX, message) == 37,
              "RFC_ERROR_INFO_EX as saprfc.h lays it out");

// Each function's arguments as SAP documents them, held against an independent table.
KORVANEL_CHECK_STDCALL(RfcEnvironment);
KORVANEL_CHECK_STDCALL(RfcOpen);
KORVANEL_CHECK_STDCALL(RfcOpenEx);
KORVANEL_CHECK_STDCALL(RfcInstallStructure);
KORVANEL_CHECK_STDCALL(RfcCall);
KORVANEL_CHECK_STDCALL(RfcReceive);
KORVANEL_CHECK_STDCALL(RfcLastError);
KORVANEL_CHECK_STDCALL(RfcLastErrorEx);
KORVANEL_CHECK_STDCALL(RfcClose);
KORVANEL_CHECK_STDCALL(ItCreate);
KORVANEL_CHECK_STDCALL(ItDelete);
KORVANEL_CHECK_STDCALL(ItFill);
KORVANEL_CHECK_STDCALL(ItGetLine);
KORVANEL_CHECK_STDCALL_AS(ItFill_function{}, "ItFill");
KORVANEL_CHECK_STDCALL_AS(ItGetLine_function{}, "ItGetLine");
