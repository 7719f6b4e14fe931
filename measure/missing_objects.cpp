// The missing objects; see missing_objects.h. Counts are read from the record at the
// offsets the library gives the fields (every integer of DB02INFDB4 already falls on a
// multiple of four), in the byte order of this process, as the library writes TYPINT.
#include "measure/missing_objects.h"

#include <cstdint>
#include <cstring>

#include "output/document_text.h"
#include "output/prtg_writer.h"

const char *const db4_table_names[asp_table_count] = {
    "ADDTL_INDEX", "ADDTL_TABLES", "ADDTL_VIEWS", "MISS_INDEX", "MISS_TABLES", "MISS_VIEWS",
};

namespace {

constexpr size_t tab_mis_db_offset = 68;  // TAB_MIS_DB, CST_MIS_DB, IDX_MIS_DB, VIE_MIS_DB
constexpr size_t tab_mis_dd_offset = 84;  // TAB_MIS_DD, IDX_MIS_DD, CST_MIS_DD, VIE_MIS_DD
constexpr const char *cut_mark = "...";
// Lines are read while the names may still be shown: a character takes at most four
// bytes, so beyond this many bytes the text is longer than PRTG shows in any case.
constexpr size_t names_read_limit = 4 * summary_text_capacity;

int64_t sum_of_four(const unsigned char *record, size_t offset) {
    int64_t sum = 0;
    for (size_t i = 0; i < 4; ++i) {
        int32_t count = 0;
        memcpy(&count, record + offset + 4 * i, sizeof count);
        if (count > 0) sum += count;
    }
    return sum;
}

// One MISSOBJ line's name: up to a NUL, without trailing blanks; when the name fills
// the line, a UTF-8 character the line's end cut short is left out.
size_t name_length(const char *line) {
    const void *nul = memchr(line, '\0', missobj_length);
    size_t length = nul != nullptr ? static_cast<size_t>(static_cast<const char *>(nul) - line) : missobj_length;
    if (length == missobj_length) length = length_without_cut_utf8(line, length);
    while (length > 0 && line[length - 1] == ' ') --length;
    return length;
}

struct table_section {
    const char *opening;     // "; missing: " or "; unknown: "
    int tables[3];           // indexes, tables, views
};
const table_section sections[] = {
    {"; missing: ", {3, 4, 5}},
    {"; unknown: ", {0, 1, 2}},
};
const char *const kinds[3] = {"index", "table", "view"};

}  // namespace

void count_missing_objects(const unsigned char (&record)[db02infdb4_length], measured_figures &figures) {
    figures.objects_counted = true;
    figures.missing_in_database = sum_of_four(record, tab_mis_db_offset);
    figures.unknown_to_dictionary = sum_of_four(record, tab_mis_dd_offset);
}

void name_missing_objects(const table_reading *reading, ITAB_H const (&tables)[asp_table_count],
                          object_names_text &names) {
    names.clear();
    if (reading == nullptr) {
        names.assign("; object names unreadable: the RFC library lacks ItFill or ItGetLine");
        return;
    }
    bool unreadable[asp_table_count] = {};
    for (const table_section &section : sections) {
        bool opened = false;
        for (int kind = 0; kind < 3; ++kind) {
            int table = section.tables[kind];
            size_t mark = names.length;
            bool opened_before = opened;
            unsigned lines = reading->fill(tables[table]);
            for (unsigned line = 1; line <= lines && names.length <= names_read_limit; ++line) {
                const char *bytes = static_cast<const char *>(reading->get_line(tables[table], line));
                if (bytes == nullptr) {
                    // A table read in part would name some objects as if they were all.
                    unreadable[table] = true;
                    names.truncate(mark);
                    opened = opened_before;
                    break;
                }
                size_t length = name_length(bytes);
                if (length == 0) continue;
                names.append(opened ? ", " : section.opening);
                opened = true;
                names.append(kinds[kind]);
                names.append(" ");
                names.append(bytes, length);
            }
        }
    }
    for (int table = 0; table < asp_table_count; ++table)
        if (unreadable[table]) names.append_format("; lines of %s unreadable", db4_table_names[table]);
}

void append_object_names(run_record &run, const char *text_before, const object_names_text &names) {
    size_t used = character_count(text_before, strlen(text_before));
    size_t room = used < summary_text_capacity ? summary_text_capacity - used : 0;
    if (character_count(names.c_str(), names.length) <= room) {
        append_text(run, names.c_str(), names.length);
        return;
    }
    size_t mark = strlen(cut_mark);
    size_t kept = room > mark ? character_prefix_length(names.c_str(), names.length, room - mark) : 0;
    append_text(run, names.c_str(), kept);
    append_text(run, cut_mark);
}
