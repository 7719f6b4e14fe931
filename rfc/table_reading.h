// Reading an internal table's lines (ItFill, ItGetLine), which only OBJECTS=YES needs:
// the two functions are looked for in the RFC library when that option asks for them,
// never otherwise, so that a run without it calls exactly what it always called.
#pragma once

#include "core/librfc32.h"

/// The library's two table readers, both set or both null.
struct table_reading {
    ItFill_function fill{};
    ItGetLine_function get_line{};
};

/// Resolves ItFill and ItGetLine in the RFC library the run talks to. Returns true
/// with both set; false with both null when the library lacks either of them.
bool resolve_table_reading(table_reading &reading);
