// Reads a record's layout back at run time, field by field: each field is written
// through the compiler's member access and found in the raw bytes at the offset SAP's
// header gives it. The 32-bit tests run it on the programs we ship, whose layouts the
// compile-time pins fix; a difference shows as the field's name and where it landed.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

struct field_readback {
    bool at_offset;      // the field's bytes were found at the expected offset
    bool alone;          // no byte outside the field changed
    size_t found_at;     // where the first byte of the field landed (sizeof record: nowhere)
};

/// Writes a pattern into `member` of a zeroed Record and reports whether it landed at
/// `offset` and nowhere else.
template <typename Record, typename Field>
field_readback read_back_field(Field Record::*member, size_t offset) {
    unsigned char raw[sizeof(Record)];
    Record record;
    std::memset(static_cast<void *>(&record), 0, sizeof record);
    unsigned char pattern[sizeof(Field)];
    for (size_t i = 0; i < sizeof pattern; ++i)
        pattern[i] = static_cast<unsigned char>(0xA1 + i % 90);
    std::memcpy(static_cast<void *>(&(record.*member)), pattern, sizeof pattern);
    std::memcpy(raw, static_cast<const void *>(&record), sizeof raw);
    field_readback result{false, true, sizeof(Record)};
    for (size_t i = 0; i < sizeof raw; ++i) {
        if (raw[i] == pattern[0] && result.found_at == sizeof(Record))
            result.found_at = i;
    }
    result.at_offset = offset + sizeof pattern <= sizeof raw && std::memcmp(raw + offset, pattern, sizeof pattern) == 0;
    for (size_t i = 0; i < sizeof raw; ++i) {
        if ((i < offset || i >= offset + sizeof pattern) && raw[i] != 0)
            result.alone = false;
    }
    return result;
}

/// One row of a layout table: the field's name, its read-back, and SAP's offset.
struct expected_field {
    const char *name;
    field_readback (*read)();
    size_t offset;
};

#define LAYOUT_FIELD(record, field, offset) \
    { #record "." #field, [] { return read_back_field(&record::field, offset); }, offset }

/// Reads back every field of `fields`; each one not alone at its offset fails the test.
template <size_t count>
void expect_fields_in_place(const expected_field (&fields)[count]) {
    for (const expected_field &field : fields) {
        field_readback seen = field.read();
        EXPECT_TRUE(seen.at_offset && seen.alone)
            << field.name << ": expected at " << field.offset << ", landed at " << seen.found_at;
    }
}
