// A function-module call; see function_call.h. The library hands back the exception
// name in storage of its own, so it is copied before anything else can call it.
#include "rfc/function_call.h"

#include <cstring>

#include "rfc/rfc_text.h"
#include "core/bounded_text.h"
#include "rfc/rfc_library.h"

void keep_exception_name(const char *name, char (&exception_text)[exception_text_size]) {
    bounded_text<exception_text_size - 1> kept;
    kept.assign(name != nullptr ? name : "");
    memcpy(exception_text, kept.data, kept.length + 1);
}

RFC_RC call_function_module(RFC_HANDLE handle, const char *function, RFC_PARAMETER *importing, RFC_TABLE *tables,
                            char (&exception_text)[exception_text_size]) {
    RFC_PARAMETER exporting[] = {{nullptr, 0, 0, 0, nullptr}};
    RFC_RC code = rfc_library.RfcCall(handle, rfc_text(function), exporting, tables);
    if (code != RFC_OK) return code;
    char *exception = nullptr;
    code = rfc_library.RfcReceive(handle, importing, tables, &exception);
    if (code == RFC_EXCEPTION || code == RFC_SYS_EXCEPTION) keep_exception_name(exception, exception_text);
    return code;
}
