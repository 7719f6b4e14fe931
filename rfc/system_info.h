// Who the connected SAP system is: RFC_SYSTEM_INFO answers with an RFCSI record, of
// which the program keeps the application server's host (shown in the console
// trace) and the database system (which must be DB4 before anything is measured).
#pragma once

#include <cstdint>

#include "rfc/function_call.h"
#include "core/librfc32.h"
#include "rfc/structures.h"
#include "core/run_record.h"

/// Calls RFC_SYSTEM_INFO on `handle` (installing RFCSI first when needed) and receives
/// its six importing parameters into the targets; on return code 2 or 3 copies the
/// exception name into `exception_text` (cut at 255 characters). Returns the code of
/// RfcCall when it is not 0, else that of RfcReceive.
RFC_RC fetch_system_info(run_record &run, RFC_HANDLE handle, int32_t *current_resources, char *dialog_user_type,
                         int32_t *maximal_resources, int32_t *recommended_delay,
                         unsigned char (&answer)[rfcsi_length], char *login_complete,
                         char (&exception_text)[exception_text_size]);

/// Identifies the system behind `handle`. On return code 0 sets run_status "OK",
/// display_host from RFCHOST and database_system from RFCDBSYS (up to a NUL, trailing
/// blanks kept); otherwise appends the code's text to the output buffer. Returns the code.
RFC_RC identify_system(run_record &run, RFC_HANDLE handle);
