// The two limits of a multi-system run: its time budget and how many systems it visits
// at the same time.
#pragma once

#include "core/run_record.h"

/// The run's time budget in seconds, counted from process start; 0 means none.
unsigned run_budget_seconds(const run_record &run);

/// How many children a multi-system run keeps running at the same time (1 to 64).
unsigned parallel_children(const run_record &run);
