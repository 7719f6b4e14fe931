// The measurement of the sensor: DB02_DB4_GET_INFO on an SAP system on DB2 for IBM i
// returns the database overview record DB02INFDB4, from which the PRTG document gets
// a text naming the database and the time of the figures and three channels (system
// ASP used in per cent, the system ASP's size and the total ASP size).
#pragma once

#include <cstdint>

#include "core/librfc32.h"
#include "measure/missing_objects.h"
#include "rfc/structures.h"
#include "rfc/function_call.h"
#include "core/run_record.h"

/// Calls DB02_DB4_GET_INFO on `handle` (installing DB02INFDB4 and MISSOBJ first when
/// needed) with the six tables in `tables`; receives API_QWCRSSTS_RC into `api_rc` and
/// DB02_DISPLAYED_INFO into `record`; on return code 2 or 3 copies the exception name
/// into `exception_text`. Returns RfcCall's code when it is not 0, else RfcReceive's.
RFC_RC fetch_db4_info(run_record &run, RFC_HANDLE handle, int32_t *api_rc,
                      unsigned char (&record)[db02infdb4_length], ITAB_H (&tables)[asp_table_count],
                      char (&exception_text)[exception_text_size]);

/// Measures the ASP usage over `handle`: creates the six tables, fetches, and on code
/// 0 sets run_status "OK", keeps the three figures in run.figures and (outside multi_system_mode) replaces the output buffer
/// with the success document, sizes in "GByte" when the parameter string holds
/// "GIGABYTE"; on another code appends its error text. With objects_mode it also
/// counts the missing objects into run.figures and, outside multi_system_mode, reads
/// the tables' names into the text and writes the two counts after the ASP channels.
/// Deletes the tables and returns the code. A table that cannot be created or deleted
/// ends the process through abort_on_rfc_error.
int32_t measure_asp_usage(run_record &run, RFC_HANDLE handle);

/// Appends the identification text "(<destination>) Korvanel: Info=...,Date=...,
/// Time=...,Sid=..." of a DB02INFDB4 record as text-element content.
void append_identification_text(run_record &run, const unsigned char (&record)[db02infdb4_length]);
/// The same text into `text`, as it is (not escaped).
void identification_text(const run_record &run, const unsigned char (&record)[db02infdb4_length],
                         bounded_text<127> &text);

/// Formats a packed size field of DB02INFDB4 as a whole number of megabytes, or of
/// gigabytes (divided by 1000, truncated toward zero) when `gigabytes` is set.
void format_size(bounded_text<31> &out, const unsigned char *field, bool gigabytes);
