// The classic destination file "saprfc.ini": blocks that each begin with DEST=name,
// then KEY=value lines (keys in any letter case, lines beginning with '*' or '#'
// are comments). The bridge reads one block; what its keys mean is logon_translation's.
#pragma once

#include <cstdio>

#include "rfc_bridge/connect_pairs.h"

/// Reads the block of `destination` (letter case ignored) from `file` into `block`
/// (keys upper-cased, DEST itself left out); false with `problem` naming the
/// destination when it has no block, or naming the line that cannot be read.
bool read_ini_destination(FILE *file, const char *destination, connect_pairs &block, logon_problem &problem);
