// The system's own descriptions of the function modules the sensor calls. The bridge
// calls with descriptions it builds from the caller's installed structures: a scan
// costs no extra round trip and a monitoring user needs no further rights. Systems of
// today have longer records than the caller installs (RFCSI of 245 characters where
// the caller installs 200); SAP's header does not say whether its library cuts such a
// record or refuses the shorter description. When it refuses, the bridge asks the
// system for its description, remembers it for the process, and hands the caller the
// system's record laid out the classic way and cut at the installed length, exactly
// what the classic library delivered.
#pragma once

#include "rfc_bridge/bridge_state.h"

/// True when SAP's library refused a call for its description rather than the system
/// for its work: a serialization or conversion failure, or a length named in its message.
bool refused_for_description(nwrfc::RFC_RC rc, const nwrfc::RFC_ERROR_INFO &info);

/// The description of `function` looked up earlier for the system `connection` reached;
/// null when there is none.
nwrfc::RFC_FUNCTION_DESC_HANDLE looked_up_description_of(const bridge_state &state, const bridge_connection &connection,
                                                         const char *function);

/// Asks the system for its description of `function` and remembers it; null with
/// `info` filled when the system refuses. A refusal for lack of rights is worded so
/// that the diagnosis names the rights the lookup needs, and leaves the connection
/// marked closed, as SAP's library closes it after a runtime failure.
nwrfc::RFC_FUNCTION_DESC_HANDLE look_up_description(bridge_state &state, bridge_connection &connection,
                                                    const char *function, nwrfc::RFC_ERROR_INFO &info);

/// The classic layout of the system's record `type`: its fields in the system's order at
/// its non-Unicode offsets, which is how the classic library laid out a record.
/// False with `problem` when the description cannot be read or a field's type has no
/// classic counterpart or lies outside the record.
bool layout_of_system_type(const nwrfc_functions &nw, nwrfc::RFC_TYPE_DESC_HANDLE type, classic_layout &layout,
                           bounded_text<200> &problem);

/// Fills `note` for trace mode: which function modules were called with the system's
/// descriptions ("RFC_SYSTEM_INFO, DB02_DB4_GET_INFO with the system's descriptions");
/// empty when none were.
void describe_looked_up(const bridge_state &state, bounded_text<120> &note);
