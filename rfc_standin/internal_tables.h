// Internal tables (ItCreate, ItDelete, ItFill, ItGetLine) from a fixed pool of 64. A
// table holds the lines a simulated function module sent (DB02_DB4_GET_INFO's from
// the landscape). A table handle is the address of its pool slot, so a handle that
// is not one of them is recognised.
#pragma once

#include "rfc_standin/standin_state.h"

/// Creates an empty table of `leng`-byte lines; null with the failure reported
/// (no name, line length 0, pool full, or the itcreate_fails fault of the system
/// opened last).
ITAB_H create_table(standin_state &state, const char *name, unsigned leng);
/// Deletes `table`; 0, or 1 with the failure reported (not a live table, or the
/// itdelete_fails fault for its name).
int delete_table(standin_state &state, ITAB_H table);
/// The live table behind `table`; null when it is none.
internal_table *find_table(standin_state &state, ITAB_H table);
/// The number of lines of `table`; 0 with the failure reported when it is no live table.
unsigned table_fill(standin_state &state, ITAB_H table);
/// The address of line `line` (from 1) of `table`; null when the table has no such
/// line, or for the itgetline_fails fault of its name, as SAP documents ItGetLine (the
/// failure is reported only when `table` is no live table).
void *table_line_address(standin_state &state, ITAB_H table, unsigned line);
/// Replaces the lines of `table` with the landscape's lines of `system` for the table
/// `name`: each the line's UTF-8 text as ISO-8859-1 (a character ISO-8859-1 lacks as
/// "#", as SAP's code page conversion writes it), cut at the line length, blank after.
/// A table whose lines are longer than the pool's keeps none.
void send_table_lines(internal_table &table, const standin_system &system, const char *name);
