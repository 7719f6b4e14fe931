// Everything the stand-in librfc32 knows between calls, in one process-wide record
// handed to every operation as `standin_state &state`. Fixed capacities, no memory
// of its own: at most 16 simulated systems, 16 faults and 4 call delays each, 8 open
// connections, 16 installed structures of up to 32 rows, 64 internal tables.
#pragma once

#include "core/librfc32.h"
#include "core/bounded_text.h"

/// Capacities of the library's fixed tables.
constexpr int standin_max_systems = 16;
constexpr int standin_max_faults = 16;
constexpr int standin_max_connections = 8;
constexpr int standin_max_structures = 16;
constexpr unsigned standin_max_rows = 32;
constexpr int standin_max_tables = 64;
constexpr int standin_max_call_tables = 8;
constexpr int standin_max_call_delays = 4;
constexpr int standin_max_table_lines = 16;
constexpr unsigned standin_max_line_length = 128;  // the longest table line that can hold lines

/// The faults a landscape can give a system (`fault = ...`).
enum fault_kind {
    fault_unreachable,       // open: partner not reached
    fault_logon_refused,     // open: name or password refused
    fault_call_fails,        // RfcCall of `target` returns 1
    fault_exception,         // RfcReceive of `target` returns 2 with `name`
    fault_sys_exception,     // RfcReceive of `target` returns 3 with `name`
    fault_return_code,       // RfcReceive of `target` returns `code`
    fault_install_fails,     // RfcInstallStructure of `target` returns 1
    fault_itcreate_fails,    // ItCreate of table `target` returns null
    fault_itdelete_fails,    // ItDelete of table `target` returns 1
    fault_handler_on_open,   // the error handler is called during the open
    fault_handler_on_call,   // the error handler is called during RfcCall of `target`
    fault_hang_on_open,      // the open never returns
    fault_hang_on_call,      // RfcCall of `target` never returns
    fault_crash_on_open,     // the library dies of an invalid memory access during the open
    fault_crash_on_call,     // ... during RfcCall of `target`
    fault_exit_on_open,      // the library ends the process with exit(`code`) during the open
    fault_exit_on_call,      // ... during RfcCall of `target`
    fault_itgetline_fails,   // ItGetLine of table `target` returns null
};

/// One fault with what it names.
struct standin_fault {
    fault_kind kind;
    bounded_text<40> target;  // function module, structure or table
    bounded_text<40> name;    // exception name
    int code;                 // return code, or the status of an exit
};

/// How long the calls of one function module take longer than they would (`delay_call`).
struct call_delay {
    bounded_text<40> function;  // empty: every function module without a delay of its own
    int milliseconds;
};

/// How much a system writes to Dev_Rfc.Trc when something fails.
enum trace_level { trace_full, trace_bare, trace_off };

/// One simulated SAP system: where it is found, its logon, its two records and its faults.
/// A line the system sends in one of DB02_DB4_GET_INFO's tables (`db02.table.NAME = text`).
struct table_line {
    bounded_text<30> table;
    bounded_text<100> text;  // as the landscape gives it (UTF-8), cut to the table's lines when sent
};

struct standin_system {
    bounded_text<40> label;
    bounded_text<64> host;
    int sysnr;
    bounded_text<64> gwhost;
    bounded_text<32> gwservice;
    // Load balancing: the message server, its service (empty: sapms<sysid>), the
    // system ID a logon names and the logon groups, blank-separated (empty: PUBLIC).
    bounded_text<64> mshost;
    bounded_text<32> msserv;
    bounded_text<8> sysid;
    bounded_text<100> groups;
    bounded_text<8> client;
    bounded_text<40> user;
    bounded_text<40> password;
    unsigned char rfcsi[200];
    unsigned char db02[120];
    int api_rc;
    trace_level trace;
    // `trace_block`: a file of the working directory whose bytes every failure appends to
    // the trace file in place of the stand-in's own block (the shapes, code pages and
    // junk of real trace files); empty: none.
    bounded_text<64> trace_block;
    bool handler_on_every_failure;  // error_handler = always: every failure goes to the error handler
    standin_fault faults[standin_max_faults];
    int fault_count;
    int open_delay;  // milliseconds every logon takes (`delay_open`)
    call_delay call_delays[standin_max_call_delays];
    int call_delay_count;
    table_line table_lines[standin_max_table_lines];
    int table_line_count;
    // What the system's NetWeaver library does with a description shorter than the
    // system's records (`netweaver.descriptions`): cut, refuse, or refuse and deny the
    // lookup of the system's own; unset, the stand-in's default. The classic library
    // takes every length, so only the NetWeaver stand-in reads it.
    bounded_text<16> netweaver_descriptions;
};

/// Every system of the landscape file, in file order.
struct standin_landscape {
    standin_system systems[standin_max_systems];
    int count;
};

/// A call sent with RfcCall and not yet received.
struct pending_call {
    bool active;
    bounded_text<40> function;
    bounded_text<100> problem_message;  // what the system objects to, answered at RfcReceive
    bounded_text<200> problem;          // and its detail
    int table_count;
    ITAB_H tables[standin_max_call_tables];
};

/// An open connection with its own copy of the system it reached.
struct standin_connection {
    bool open;
    RFC_HANDLE handle;
    standin_system system;
    bounded_text<80> logon_refusal;  // RfcOpen: why the system refuses the logon at the first call; empty when it accepts
    pending_call call;
    bounded_text<40> exception;  // what RfcReceive's exception name points to
};

/// One descriptor row as installed, with the offset the library gave it.
struct installed_row {
    bounded_text<30> name;
    unsigned type;
    unsigned length;
    unsigned decimals;
    unsigned offset;
};

/// A structure installed with RfcInstallStructure and the type handle that names it.
struct installed_structure {
    bounded_text<30> name;
    installed_row rows[standin_max_rows];
    unsigned row_count;
    unsigned length;
    RFC_TYPEHANDLE handle;
};

/// One slot of the internal-table pool.
struct internal_table {
    bool in_use;
    int number;  // shown in the call log
    bounded_text<30> name;
    unsigned line_length;
    unsigned line_count;  // lines a function module sent
    unsigned char lines[standin_max_table_lines][standin_max_line_length];
};

/// The last error, as RfcLastError hands it out.
struct standin_error {
    bounded_text<32> key;
    bounded_text<127> status;
    bounded_text<255> message;
    bounded_text<127> intstat;
    bounded_text<200> location;  // where it happened, when the failure said so
    const char *component;       // which part of the library failed, or null
    bool handed_out_ex;  // RfcLastErrorEx (or RfcOpenEx's record) has handed this error out
};

/// The library's one record of everything it keeps between calls.
struct standin_state {
    RFC_ERROR_HANDLER error_handler;
    standin_landscape landscape;
    standin_connection connections[standin_max_connections];
    RFC_HANDLE last_handle;  // handles count up from 1
    bool any_opened;
    standin_system last_opened;  // whose faults ItCreate follows (it has no handle)
    installed_structure structures[standin_max_structures];
    int structure_count;
    internal_table tables[standin_max_tables];
    int table_number;
    standin_error last_error;
    bool handler_due;  // a failure of the call under way is still to go to the error handler
};
