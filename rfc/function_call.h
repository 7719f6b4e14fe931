// One function-module call as the program makes it: RfcCall with an empty exporting
// list, then RfcReceive of the importing list, keeping the exception name that a
// return code 2 or 3 brings. System information and measurement share it.
#pragma once

#include <cstddef>

#include "core/librfc32.h"

constexpr size_t exception_text_size = 256;  // 255 characters and the terminator

/// Calls `function` on `handle` with `tables`, then receives `importing` and the same
/// `tables`. Returns RfcCall's code when it is not 0 (nothing received), else
/// RfcReceive's; on 2 or 3 the exception name is copied into `exception_text`.
RFC_RC call_function_module(RFC_HANDLE handle, const char *function, RFC_PARAMETER *importing, RFC_TABLE *tables,
                            char (&exception_text)[exception_text_size]);

/// Copies the received exception name (null: none) into `exception_text`, cut at
/// its 255 characters.
void keep_exception_name(const char *name, char (&exception_text)[exception_text_size]);
