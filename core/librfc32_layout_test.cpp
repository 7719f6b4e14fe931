// The classic library's records as the 32-bit program lays them out, read back at run
// time field by field against the offsets of SAP's saprfc.h (release 6.40): what the
// compile-time pins promise, seen in the program that ships.
#include "core/layout_fixture.h"
#include "core/librfc32.h"

// Only the 32-bit builds have these layouts; the 64-bit ones are pinned where declared.
#if defined(__i386__) || defined(_M_IX86)

namespace {

// Offsets of the 32-bit library (pointers, ints and unsigneds of 4 bytes, no packing).
const expected_field classic_fields[] = {
    LAYOUT_FIELD(RFC_ENV, errorhandler, 0),          LAYOUT_FIELD(RFC_ENV, allocate, 4),
    LAYOUT_FIELD(RFC_OPTIONS, destination, 0),       LAYOUT_FIELD(RFC_OPTIONS, mode, 4),
    LAYOUT_FIELD(RFC_OPTIONS, connopt, 8),           LAYOUT_FIELD(RFC_OPTIONS, client, 12),
    LAYOUT_FIELD(RFC_OPTIONS, user, 16),             LAYOUT_FIELD(RFC_OPTIONS, password, 20),
    LAYOUT_FIELD(RFC_OPTIONS, language, 24),         LAYOUT_FIELD(RFC_OPTIONS, trace, 28),
    LAYOUT_FIELD(RFC_CONNOPT_R3ONLY, hostname, 0),   LAYOUT_FIELD(RFC_CONNOPT_R3ONLY, sysnr, 4),
    LAYOUT_FIELD(RFC_CONNOPT_R3ONLY, gateway_host, 8), LAYOUT_FIELD(RFC_CONNOPT_R3ONLY, gateway_service, 12),
    LAYOUT_FIELD(RFC_CONNOPT_CPIC, gateway_host, 0), LAYOUT_FIELD(RFC_CONNOPT_CPIC, gateway_service, 4),
    LAYOUT_FIELD(RFC_PARAMETER, name, 0),            LAYOUT_FIELD(RFC_PARAMETER, nlen, 4),
    LAYOUT_FIELD(RFC_PARAMETER, type, 8),            LAYOUT_FIELD(RFC_PARAMETER, leng, 12),
    LAYOUT_FIELD(RFC_PARAMETER, addr, 16),
    LAYOUT_FIELD(RFC_TABLE, name, 0),                LAYOUT_FIELD(RFC_TABLE, nlen, 4),
    LAYOUT_FIELD(RFC_TABLE, type, 8),                LAYOUT_FIELD(RFC_TABLE, leng, 12),
    LAYOUT_FIELD(RFC_TABLE, ithandle, 16),           LAYOUT_FIELD(RFC_TABLE, itmode, 20),
    LAYOUT_FIELD(RFC_TABLE, newitab, 24),
    LAYOUT_FIELD(RFC_TYPE_ELEMENT, name, 0),         LAYOUT_FIELD(RFC_TYPE_ELEMENT, type, 4),
    LAYOUT_FIELD(RFC_TYPE_ELEMENT, length, 8),       LAYOUT_FIELD(RFC_TYPE_ELEMENT, decimals, 12),
    LAYOUT_FIELD(RFC_TYPE_ELEMENT, not_used, 16),
    LAYOUT_FIELD(RFC_ERROR_INFO, key, 0),            LAYOUT_FIELD(RFC_ERROR_INFO, status, 33),
    LAYOUT_FIELD(RFC_ERROR_INFO, message, 161),      LAYOUT_FIELD(RFC_ERROR_INFO, intstat, 417),
    LAYOUT_FIELD(RFC_ERROR_INFO_EX, group, 0),       LAYOUT_FIELD(RFC_ERROR_INFO_EX, key, 4),
    LAYOUT_FIELD(RFC_ERROR_INFO_EX, message, 37),
};

TEST(ClassicLayout, EveryFieldSitsWhereThe32BitLibraryReadsIt) {
    expect_fields_in_place(classic_fields);
}

TEST(ClassicLayout, RecordSizesOfThe32BitLibrary) {
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

#endif
