// The classic RFC library's interface, declared by us from its published calling
// rules: ten functions, their records and type codes, non-Unicode (all texts char).
// On 32-bit Windows every function and callback is __stdcall and the DLL exports
// the plain names; elsewhere the plain C convention applies.
#pragma once

#if defined(_WIN32)
#define RFC_CALL __stdcall
#else
#define RFC_CALL
#endif

extern "C" {

typedef unsigned RFC_HANDLE;      // connection, 0 = none
typedef unsigned RFC_TYPEHANDLE;  // type code or installed structure
typedef void *ITAB_H;             // internal table, null = none
typedef int RFC_RC;               // return code of a call

enum {
    RFC_OK = 0,
    RFC_FAILURE = 1,
    RFC_EXCEPTION = 2,
    RFC_SYS_EXCEPTION = 3,
    RFC_CALL_RC = 4,
    RFC_INTERNAL_COM = 5,
    RFC_CLOSED = 6,
    RFC_TIMEOUT = 23,
};

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

enum { RFC_MODE_R3ONLY = 0, RFC_MODE_CPIC = 1 };

typedef void(RFC_CALL *RFC_ERROR_HANDLER)(char *operation);
typedef void *(RFC_CALL *RFC_ALLOCATE)(void *old, unsigned long size);

struct RFC_ENV {
    RFC_ERROR_HANDLER errorhandler;
    RFC_ALLOCATE allocate;
};

struct RFC_OPTIONS {
    char *destination;
    int mode;        // RFC_MODE_R3ONLY or RFC_MODE_CPIC
    void *connopt;   // RFC_CONNOPT_R3ONLY or RFC_CONNOPT_CPIC
    char *client;
    char *user;
    char *password;
    char *language;
    int trace;
};

struct RFC_CONNOPT_R3ONLY {
    char *hostname;
    int sysnr;
    char *gateway_host;
    char *gateway_service;
};

struct RFC_CONNOPT_CPIC {
    char *gateway_host;
    char *gateway_service;
};

struct RFC_ERROR_INFO {
    char key[33];
    char status[128];
    char message[256];
    char intstat[128];
};

struct RFC_ERROR_INFO_EX {
    int group;
    char key[33];
    char message[513];
};

struct RFC_PARAMETER {
    char *name;  // null ends a list
    unsigned nlen;
    RFC_TYPEHANDLE type;
    unsigned leng;
    void *addr;
};

struct RFC_TABLE {
    char *name;  // null ends a list
    unsigned nlen;
    RFC_TYPEHANDLE type;
    unsigned leng;
    ITAB_H ithandle;
    int itmode;  // 0: by reference
    int newitab;
};

struct RFC_TYPE_ELEMENT {
    char *name;
    RFC_TYPEHANDLE type;
    unsigned length;
    unsigned decimals;
    unsigned offset;
};

/// Registers the error handler (and allocator, null = the library's own).
void RFC_CALL RfcEnvironment(RFC_ENV *environment);
/// Opens a connection from explicit options; returns its handle, 0 when not connected.
RFC_HANDLE RFC_CALL RfcOpen(RFC_OPTIONS *options);
/// Opens a connection from an "ID=value ..." text; returns its handle, 0 when not connected.
RFC_HANDLE RFC_CALL RfcOpenEx(char *connect_param, RFC_ERROR_INFO_EX *error_info);
/// Installs a structure from its descriptor rows; 0 when installed, *handle then types it.
RFC_RC RFC_CALL RfcInstallStructure(char *name, RFC_TYPE_ELEMENT *elements, unsigned entries,
                                    RFC_TYPEHANDLE *handle);
/// Sends a function-module call; 0 when sent.
RFC_RC RFC_CALL RfcCall(RFC_HANDLE handle, char *function, RFC_PARAMETER *exporting, RFC_TABLE *tables);
/// Receives the answer of the last call; 0 ok, 1 failure, 2 exception, 3 system exception.
RFC_RC RFC_CALL RfcReceive(RFC_HANDLE handle, RFC_PARAMETER *importing, RFC_TABLE *tables, char **exception);
/// Fills *error_info with the last error; returns 0.
int RFC_CALL RfcLastError(RFC_ERROR_INFO *error_info);
/// Closes one connection, or every connection when handle is 0.
void RFC_CALL RfcClose(RFC_HANDLE handle);
/// Creates an empty internal table of lines of leng bytes; null on failure.
ITAB_H RFC_CALL ItCreate(char *name, unsigned leng, unsigned occu, unsigned memo);
/// Deletes an internal table; 0 on success.
int RFC_CALL ItDelete(ITAB_H table);

}  // extern "C"
