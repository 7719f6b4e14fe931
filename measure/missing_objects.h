// The database's missing objects (OBJECTS=YES): DB02_DB4_GET_INFO counts the tables,
// constraints, indexes and views that the ABAP dictionary knows and the database lacks
// (the four _MIS_DB fields of DB02INFDB4) and those the database has and the
// dictionary does not know (the four _MIS_DD fields), and names some of them in six
// tables of MISSOBJ lines. The counts are the channels; the names go into the text,
// which PRTG shows up to 2000 characters, so lines are read only while they fit.
#pragma once

#include <cstddef>

#include "core/run_record.h"
#include "rfc/structures.h"
#include "rfc/table_reading.h"

constexpr int asp_table_count = 6;  // the MISSOBJ tables the function module fills

/// The six tables in the order in which they are created, passed and deleted.
extern const char *const db4_table_names[asp_table_count];

/// The names of the objects, as they go on after the identification text: room for
/// PRTG's 2000 characters at four bytes each, one more line and the notes.
typedef bounded_text<4 * summary_text_capacity + 512> object_names_text;

/// Sets figures.objects_counted and the two sums of `record`: missing_in_database of
/// TAB_MIS_DB, CST_MIS_DB, IDX_MIS_DB and VIE_MIS_DB, unknown_to_dictionary of
/// TAB_MIS_DD, IDX_MIS_DD, CST_MIS_DD and VIE_MIS_DD (a negative count, which no
/// database has, counts 0).
void count_missing_objects(const unsigned char (&record)[db02infdb4_length], measured_figures &figures);

/// Writes into `names` the objects the six `tables` name, missing ones first in the
/// order indexes, tables, views, then the unknown ones: "; missing: index ZTAB~001,
/// table ZLOG; unknown: table ZOLD". Each name is its MISSOBJ line up to a NUL without
/// trailing blanks, a UTF-8 character that the 40 bytes cut short left out. A table
/// whose lines cannot be read adds none of its names but "; lines of MISS_INDEX
/// unreadable"; without the readers (`reading` null) the text says the library lacks
/// them. Stops reading once the text is longer than PRTG shows.
void name_missing_objects(const table_reading *reading, ITAB_H const (&tables)[asp_table_count],
                          object_names_text &names);

/// Appends `names` as content of the text element after `text_before`, the text
/// already there (its characters count against PRTG's limit), cut at a character so
/// that the whole text ends in "..." at summary_text_capacity characters when longer.
void append_object_names(run_record &run, const char *text_before, const object_names_text &names);
