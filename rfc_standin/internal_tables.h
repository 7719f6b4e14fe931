// Internal tables (ItCreate/ItDelete) from a fixed pool of 64. They stay empty: the
// simulated function modules send no table lines. A table handle is the address of
// its pool slot, so a handle that is not one of them is recognised.
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
