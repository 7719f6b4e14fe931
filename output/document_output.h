// Putting a finished document on standard output. Every step that ends a run with an
// error document goes through here, so the error document is always written, then
// printed whole, in the same way.
#pragma once

#include "core/run_record.h"

/// Writes the error document with `message` into output_buffer (escaped, in the run's
/// flavour), prints it on standard output and returns exit_error_document.
int fail_with(run_record &run, const char *message);
