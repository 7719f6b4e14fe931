// The ABAP dictionary layouts that the simulated systems know: RFCSI (answer of
// RFC_SYSTEM_INFO), DB02INFDB4 and MISSOBJ (DB02_DB4_GET_INFO). Fixed tables with
// the offsets already placed, so the landscape reader and the interface checks share
// one truth about every field.
#pragma once

/// One field of a record layout, its offset already placed.
struct field_layout {
    const char *name;
    unsigned type;  // RFC type code
    unsigned length;
    unsigned decimals;
    unsigned offset;
};

/// A dictionary structure: its fields in order and its record length.
struct record_layout {
    const char *name;
    const field_layout *fields;
    unsigned count;
    unsigned length;  // bytes of one record
};

/// The layouts of RFCSI (200 bytes), DB02INFDB4 (120 bytes) and MISSOBJ (40 bytes).
extern const record_layout rfcsi_layout;
extern const record_layout db02infdb4_layout;
extern const record_layout missobj_layout;

/// The field of `layout` called `name` (exact, upper case); null when it has none.
const field_layout *find_field(const record_layout &layout, const char *name);
/// Short name of an RFC type code ("CHAR", "BCD", ...); "?" for an unknown code.
const char *type_code_name(unsigned type);
