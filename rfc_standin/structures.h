// Structures installed with RfcInstallStructure: the library keeps each one's rows
// and record length and answers with a type handle valid on every connection.
// Handles start at 100, apart from the type codes 0 to 10 they stand beside.
// Installing the same name with the same rows again gives the same handle; any
// other rows give a new one, whose layout then fails the call that uses it.
#pragma once

#include "rfc_standin/record_layouts.h"
#include "rfc_standin/standin_state.h"

/// The first difference between an installed structure and the layout a call needs.
typedef bounded_text<200> structure_problem;

/// Installs `name` from `entries` rows; 0 with `*handle` set, or 1 with the
/// failure reported (bad rows, no room, or the system's install_fails fault).
RFC_RC install_structure(standin_state &state, const char *name, const RFC_TYPE_ELEMENT *elements,
                         unsigned entries, RFC_TYPEHANDLE *handle);
/// The installed structure typed by `handle`; null when `handle` is none of them.
const installed_structure *find_structure(const standin_state &state, RFC_TYPEHANDLE handle);
/// True when `structure` has exactly the fields of `layout` (names, types,
/// lengths, decimals); otherwise false with `problem` naming the first difference.
bool structure_matches(const installed_structure &structure, const record_layout &layout,
                       structure_problem &problem);
