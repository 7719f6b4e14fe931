// The byte layout of a classic record, from the element list given to
// RfcInstallStructure, as the classic library lays it out: fields one after another
// in list order, integer and float fields aligned to their size, the record rounded
// up to its widest alignment (as a C compiler lays out the caller's record).
// The same list also gives the NetWeaver type description's UTF-16 layout.
#pragma once

#include "core/bounded_text.h"
#include "core/librfc32.h"

/// Most fields one installed structure may have.
constexpr unsigned classic_layout_max_fields = 64;

/// The type of a field of a system's record that has no classic counterpart.
constexpr unsigned classic_type_not_carried = 0xFFFFu;

/// One field: its classic type code, byte length and decimals, and where it lies in
/// the classic record (one byte per character) and in the NetWeaver one (two).
struct classic_field {
    bounded_text<30> name;
    unsigned type;
    unsigned length;     // bytes in the classic record
    unsigned decimals;
    unsigned offset;     // in the classic record
    unsigned uc_length;  // bytes in the NetWeaver UTF-16 layout
    unsigned uc_offset;
};

/// An installed structure's fields and record lengths.
struct classic_layout {
    bounded_text<30> name;
    classic_field fields[classic_layout_max_fields];
    unsigned count;
    unsigned length;     // bytes of one classic record
    unsigned uc_length;  // bytes of one NetWeaver record with two-byte characters
};

/// Lays out `entries` elements into `layout`; false with `problem` when there are no
/// or too many elements, a type code is not a flat classic type, a length does not
/// fit its type (int 4, int2 2, int1 1, float 8, date 8, time 6, packed 1 to 16)
/// or the decimals exceed a packed field's digits. Names only serve traces.
bool lay_out_record(const char *name, const RFC_TYPE_ELEMENT *elements, unsigned entries, classic_layout &layout,
                    bounded_text<200> &problem);
