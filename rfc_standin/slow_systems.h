// Slow, hung and crashing systems: what a logon or a function call of a system does
// before it is answered, as a landscape asks for it. Delays are real sleeps, a hang
// never returns and a crash is a real invalid memory access, so the program meets
// them exactly as it would meet a stuck gateway or a library that dies under it.
#pragma once

#include "rfc_standin/call_log.h"
#include "rfc_standin/standin_state.h"

/// A logon that has reached `system`: sleeps its `delay_open` (noted in `line` as
/// " delay=<n>ms"), then plays a
/// `hang_on_open` fault (never returns) or a `crash_on_open` fault (the process dies),
/// each after writing `line` to the call log ending in " -> hangs" or " -> crashes".
/// An `exit_on_open N` fault ends the process with exit(N) after " -> exits N".
/// Returns when the logon may go on.
void play_open_timing(const standin_system &system, call_line &line);

/// The same for RfcCall of `function`: sleeps the system's `delay_call` for that
/// function module (else its delay for every function module), then plays a
/// `hang_on_call`, `crash_on_call` or `exit_on_call` fault of that function module.
void play_call_timing(const standin_system &system, const char *function, call_line &line);

/// The delay in milliseconds of calls of `function` to `system`: its own
/// `delay_call`, else the one for every function module, else 0.
int call_delay_of(const standin_system &system, const char *function);
