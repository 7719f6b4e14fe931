// The bridge's state record and its row arena: one of each per process, kept apart
// from the exported functions so the bridge's operations can be tested with a fake
// NetWeaver library in their place.
#include "rfc_bridge/bridge_state.h"

namespace {

bridge_state state;
unsigned char arena[bridge_row_arena_bytes];

}  // namespace

bridge_state &the_bridge() { return state; }
unsigned char *row_arena() { return arena; }
