// Everything the bridge keeps between calls, in one process-wide record: the loaded
// NetWeaver library, the open connections with the call each has sent, the installed
// structures, the internal tables and the last error. Fixed capacities: the bridge
// allocates nothing; table rows live in one arena that empties with the last table.
#pragma once

#include "core/librfc32.h"
#include "rfc_bridge/library_host.h"
#include "rfc_bridge/nwrfc_functions.h"
#include "rfc_bridge/record_layout.h"
#include "core/trace_block.h"

constexpr int bridge_max_connections = 8;
constexpr int bridge_max_structures = 16;
constexpr int bridge_max_tables = 64;
constexpr int bridge_max_exporting = 16;
constexpr unsigned bridge_exporting_bytes = 4096;   // all exporting values of one call
constexpr unsigned bridge_row_arena_bytes = 4u << 20;  // all rows of all live tables
constexpr RFC_TYPEHANDLE bridge_first_structure_handle = 100;  // clear of the type codes 0 to 10
constexpr int bridge_max_looked_up = 8;

/// One exporting parameter of a sent call, its value copied at RfcCall.
struct sent_parameter {
    bounded_text<30> name;
    RFC_TYPEHANDLE type;
    unsigned length;
    unsigned offset;  // in the connection's exporting storage
};

/// An open connection, or a refused logon whose handle answers its first RfcCall.
struct bridge_connection {
    bool open;
    RFC_HANDLE handle;
    nwrfc::RFC_CONNECTION_HANDLE nw;  // null for a refused logon, or once SAP's library closed it
    bool refused;
    bool closed_by_library;  // a failure made SAP's library close it: nothing more is sent on it
    bounded_text<160> partner;  // the system it reached, as the logon named it (never the password)
    bridge_failure refusal;
    bool call_sent;
    bounded_text<30> function;
    sent_parameter exporting[bridge_max_exporting];
    int exporting_count;
    unsigned char exporting_values[bridge_exporting_bytes];
    unsigned exporting_used;
    bounded_text<127> exception;  // what RfcReceive's exception pointer points to
};

/// A structure installed with RfcInstallStructure.
struct bridge_structure {
    classic_layout layout;
    RFC_TYPEHANDLE handle;
    nwrfc::RFC_TYPE_DESC_HANDLE nw_type;  // made when a call first needs it
};

/// One internal table of ItCreate; its rows lie in the arena.
struct bridge_table {
    bool in_use;
    bounded_text<30> name;
    unsigned line_length;
    unsigned char *rows;
    unsigned row_count;
};

/// A function module's description as the system has it, looked up once SAP's library
/// refused the locally built one; the handle belongs to SAP's library's cache.
struct looked_up_description {
    bounded_text<30> function;
    bounded_text<160> partner;
    nwrfc::RFC_FUNCTION_DESC_HANDLE handle;
};

/// The last error, as RfcLastError and RfcLastErrorEx hand it out.
struct bridge_error {
    bounded_text<32> key;  // empty: no error yet
    int group;             // RFC_ERROR_PROGRAM ... of the key
    bool handed_out_ex;    // RfcLastErrorEx (or RfcOpenEx's record) has handed it out
    bounded_text<127> status;
    bounded_text<255> message;
    bounded_text<127> intstat;
};

/// The bridge's one record.
struct bridge_state {
    RFC_ERROR_HANDLER error_handler;
    bool load_tried;
    void *library;  // null until loaded
    nwrfc_functions nw;
    bounded_text<260> library_path;
    bounded_text<80> origin;  // which libraries answer, for the trace header
    load_diagnosis load_problem;
    bounded_text<200> dropped_keys;  // what the last logon left out, for trace mode
    bounded_text<60> missing_function;
    bridge_connection connections[bridge_max_connections];
    RFC_HANDLE last_handle;
    bridge_structure structures[bridge_max_structures];
    int structure_count;
    looked_up_description looked_up[bridge_max_looked_up];
    int looked_up_count;
    bridge_table tables[bridge_max_tables];
    unsigned row_arena_used;
    bridge_error last_error;
};

/// The bridge's state record.
bridge_state &the_bridge();
/// The row arena (bridge_row_arena_bytes).
unsigned char *row_arena();
