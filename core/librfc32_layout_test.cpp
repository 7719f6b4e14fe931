// The classic library's records as the 32-bit program lays them out, read back at run
// time field by field against the offsets of SAP's saprfc.h (release 6.40): what the
// compile-time pins promise, seen in the program that ships.
#include "core/layout_readback.h"
#include "core/librfc32.h"

#include <gtest/gtest.h>

namespace {

struct expected_field {
    const char *name;
    field_readback (*read)();
    size_t offset;
};

#define FIELD(record, field, offset) \
    { #record "." #field, [] { return read_back_field(&record::field, offset); }, offset }

// Offsets of the 32-bit library (pointers, ints and unsigneds of 4 bytes, no packing).
const expected_field classic_fields[] = {
    FIELD(RFC_ENV, errorhandler, 0),          FIELD(RFC_ENV, allocate, 4),
    FIELD(RFC_OPTIONS, destination, 0),       FIELD(RFC_OPTIONS, mode, 4),
    FIELD(RFC_OPTIONS, connopt, 8),           FIELD(RFC_OPTIONS, client, 12),
    FIELD(RFC_OPTIONS, user, 16),             FIELD(RFC_OPTIONS, password, 20),
    FIELD(RFC_OPTIONS, language, 24),         FIELD(RFC_OPTIONS, trace, 28),
    FIELD(RFC_CONNOPT_R3ONLY, hostname, 0),   FIELD(RFC_CONNOPT_R3ONLY, sysnr, 4),
    FIELD(RFC_CONNOPT_R3ONLY, gateway_host, 8), FIELD(RFC_CONNOPT_R3ONLY, gateway_service, 12),
    FIELD(RFC_CONNOPT_CPIC, gateway_host, 0), FIELD(RFC_CONNOPT_CPIC, gateway_service, 4),
    FIELD(RFC_PARAMETER, name, 0),            FIELD(RFC_PARAMETER, nlen, 4),
    FIELD(RFC_PARAMETER, type, 8),            FIELD(RFC_PARAMETER, leng, 12),
    FIELD(RFC_PARAMETER, addr, 16),
    FIELD(RFC_TABLE, name, 0),                FIELD(RFC_TABLE, nlen, 4),
    FIELD(RFC_TABLE, type, 8),                FIELD(RFC_TABLE, leng, 12),
    FIELD(RFC_TABLE, ithandle, 16),           FIELD(RFC_TABLE, itmode, 20),
    FIELD(RFC_TABLE, newitab, 24),
    FIELD(RFC_TYPE_ELEMENT, name, 0),         FIELD(RFC_TYPE_ELEMENT, type, 4),
    FIELD(RFC_TYPE_ELEMENT, length, 8),       FIELD(RFC_TYPE_ELEMENT, decimals, 12),
    FIELD(RFC_TYPE_ELEMENT, not_used, 16),
    FIELD(RFC_ERROR_INFO, key, 0),            FIELD(RFC_ERROR_INFO, status, 33),
    FIELD(RFC_ERROR_INFO, message, 161),      FIELD(RFC_ERROR_INFO, intstat, 417),
    FIELD(RFC_ERROR_INFO_EX, group, 0),       FIELD(RFC_ERROR_INFO_EX, key, 4),
    FIELD(RFC_ERROR_INFO_EX, message, 37),
};

TEST(ClassicLayout, EveryFieldSitsWhereThe32BitLibraryReadsIt) {
    if (sizeof(void *) != 4)
        GTEST_SKIP() << "the library's layouts are those of 32-bit Windows; this build is " << sizeof(void *) * 8
                     << "-bit";
    for (const expected_field &field : classic_fields) {
        field_readback seen = field.read();
        EXPECT_TRUE(seen.at_offset && seen.alone)
            << field.name << ": expected at " << field.offset << ", landed at " << seen.found_at;
    }
}

TEST(ClassicLayout, RecordSizesOfThe32BitLibrary) {
    if (sizeof(void *) != 4)
        GTEST_SKIP() << "32-bit layouts";
    const struct {
        const char *name;
        size_t size, expected;
    } sizes[] = {
        {"RFC_ENV", sizeof(RFC_ENV), 8},
        {"RFC_OPTIONS", sizeof(RFC_OPTIONS), 32},
        {"RFC_CONNOPT_R3ONLY", sizeof(RFC_CONNOPT_R3ONLY), 16},
        {"RFC_CONNOPT_CPIC", sizeof(RFC_CONNOPT_CPIC), 8},
        {"RFC_PARAMETER", sizeof(RFC_PARAMETER), 20},
        {"RFC_TABLE", sizeof(RFC_TABLE), 28},
        {"RFC_TYPE_ELEMENT", sizeof(RFC_TYPE_ELEMENT), 20},
        {"RFC_ERROR_INFO", sizeof(RFC_ERROR_INFO), 545},
        {"RFC_ERROR_INFO_EX", sizeof(RFC_ERROR_INFO_EX), 552},
    };
    for (const auto &record : sizes)
        EXPECT_EQ(record.expected, record.size) << record.name;
}

}  // namespace
