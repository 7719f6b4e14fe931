// The open connections of the stand-in: at most 8, each with its own copy of the
// simulated system it reached, so a landscape read again for a later open never
// changes a connection already open. Handles count up from 1 and are not reused.
#pragma once

#include "rfc_standin/standin_state.h"

/// The open connection with `handle`; null when there is none.
standin_connection *find_connection(standin_state &state, RFC_HANDLE handle);
/// Takes a free slot for a connection to `system`; null when all 8 are in use.
standin_connection *add_connection(standin_state &state, const standin_system &system);
/// Closes the connection with `handle`, or every connection for 0; unknown handles are ignored.
void close_connections(standin_state &state, RFC_HANDLE handle);
