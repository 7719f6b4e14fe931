// Function calls through the NetWeaver library. RfcCall keeps what it is given (the
// exporting values copied); RfcReceive builds the function's description locally
// from the caller's parameter and table lists and the installed structures, invokes
// it, and copies importing values and table rows back into the caller's buffers.
// No description is fetched from the system, so the logon user needs no rights
// beyond calling the module itself.
#pragma once

#include "rfc_bridge/bridge_state.h"

/// RfcInstallStructure: lays out and keeps the element list; 0 with *handle set
/// (the same name and layout again gives the same handle), or 1 with the failure
/// reported.
RFC_RC install_structure(bridge_state &state, const char *name, const RFC_TYPE_ELEMENT *elements, unsigned entries,
                         RFC_TYPEHANDLE *handle);
/// RfcCall: 0 when kept for RfcReceive; 1 with the failure reported (a refused
/// logon, a list the bridge cannot carry), or the error handler called for an
/// unknown handle.
RFC_RC send_call(bridge_state &state, RFC_HANDLE handle, const char *function, const RFC_PARAMETER *exporting,
                 const RFC_TABLE *tables);
/// RfcReceive: invokes the kept call; 0 with importing values and tables filled,
/// 2 with the exception name in *exception, 3 for an ABAP message or runtime failure,
/// 1 for every other failure, each reported.
RFC_RC receive_call(bridge_state &state, RFC_HANDLE handle, const RFC_PARAMETER *importing, const RFC_TABLE *tables,
                    char **exception);
/// ItCreate: an empty table of `leng`-byte lines, or null with the failure reported.
ITAB_H create_table(bridge_state &state, const char *name, unsigned leng);
/// ItDelete: 0, or 1 with the failure reported when `table` is not a live table.
int delete_table(bridge_state &state, ITAB_H table);
/// ItFill: the rows the last answer left in `table` (RfcGetRowCount's count, moved
/// out of SAP's library); 0 with the failure reported when it is not a live table.
unsigned table_fill(bridge_state &state, ITAB_H table);
/// ItGetLine: the address of row `line` (from 1) of `table`, in the classic line
/// layout; null when there is no such row, with the failure reported when `table`
/// is not a live table.
void *table_line_address(bridge_state &state, ITAB_H table, unsigned line);
