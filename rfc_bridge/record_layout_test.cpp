// Classic record layouts from element lists: the sensor's DB02INFDB4 as the known
// answer, alignment of int and float fields, and the lists the bridge refuses.
#include "rfc_bridge/record_layout.h"

#include <gtest/gtest.h>

namespace {

RFC_TYPE_ELEMENT element(const char *name, unsigned type, unsigned length, unsigned decimals = 0) {
    return RFC_TYPE_ELEMENT{const_cast<char *>(name), type, length, decimals, 0};
}

}  // namespace

TEST(BridgeRecordLayout, Db02infdb4HasTheSensorsOffsets) {
    // Character, date, time and integer fields mixed, packed ones behind: the record
    // the sensor reads at fixed offsets (120 bytes).
    RFC_TYPE_ELEMENT rows[] = {
        element("DBSYS", TYPC, 10),       element("FS_A_DATE", TYPDATE, 8), element("FS_A_TIME", TYPTIME, 6),
        element("SYSID", TYPC, 8),        element("TAB_CNT", TYPINT, 4),    element("CST_CNT", TYPINT, 4),
        element("IDX_CNT", TYPINT, 4),    element("TAB_SIZE", TYPP, 8),     element("CST_SIZE", TYPP, 8),
        element("IDX_SIZE", TYPP, 8),     element("TAB_MIS_DB", TYPINT, 4), element("CST_MIS_DB", TYPINT, 4),
        element("IDX_MIS_DB", TYPINT, 4), element("VIE_MIS_DB", TYPINT, 4), element("TAB_MIS_DD", TYPINT, 4),
        element("IDX_MIS_DD", TYPINT, 4), element("CST_MIS_DD", TYPINT, 4), element("VIE_MIS_DD", TYPINT, 4),
        element("SYS_ASP_P", TYPP, 8, 5), element("SYS_ASP_S", TYPP, 6, 1), element("ASP_TOT_S", TYPP, 6, 1),
    };
    classic_layout layout;
    bounded_text<200> problem;
    ASSERT_TRUE(lay_out_record("DB02INFDB4", rows, 21, layout, problem)) << problem.c_str();
    const unsigned offsets[] = {0, 10, 18, 24, 32, 36, 40, 44, 52, 60, 68, 72, 76, 80, 84, 88, 92, 96, 100, 108, 114};
    for (unsigned i = 0; i < 21; ++i) EXPECT_EQ(layout.fields[i].offset, offsets[i]) << layout.fields[i].name.c_str();
    EXPECT_EQ(layout.length, 120u);
    // The UTF-16 side: characters take two bytes, so TAB_CNT moves to 64.
    EXPECT_EQ(layout.fields[4].uc_offset, 64u);
    EXPECT_EQ(layout.fields[0].uc_length, 20u);
    EXPECT_EQ(layout.fields[18].uc_length, 8u);
}

TEST(BridgeRecordLayout, AlignsIntegersAndFloatsToTheirSize) {
    struct row {
        RFC_TYPE_ELEMENT first, second;
        unsigned second_offset, length;
    } rows[] = {
        {element("A", TYPC, 3), element("B", TYPINT, 4), 4, 8},
        {element("A", TYPC, 1), element("B", TYPINT2, 2), 2, 4},
        {element("A", TYPC, 1), element("B", TYPFLOAT, 8), 8, 16},
        {element("A", TYPC, 3), element("B", TYPINT1, 1), 3, 4},
        {element("A", TYPINT, 4), element("B", TYPC, 1), 4, 8},  // rounded to the widest alignment
        {element("A", TYPC, 3), element("B", TYPC, 4), 3, 7},    // character fields are never aligned
        {element("A", TYPC, 1), element("B", TYPP, 3, 2), 1, 4},
    };
    for (const row &r : rows) {
        RFC_TYPE_ELEMENT elements[] = {r.first, r.second};
        classic_layout layout;
        bounded_text<200> problem;
        ASSERT_TRUE(lay_out_record("S", elements, 2, layout, problem)) << problem.c_str();
        EXPECT_EQ(layout.fields[1].offset, r.second_offset) << r.second.type;
        EXPECT_EQ(layout.length, r.length) << r.second.type;
    }
}

TEST(BridgeRecordLayout, RefusesWhatItCannotCarry) {
    struct row {
        RFC_TYPE_ELEMENT element;
        const char *problem_part;
    } rows[] = {
        {element("T", TYPTABH, 8), "type 5 is not carried"},
        {element("I", TYPINT, 8), "length 8 does not fit type 8"},
        {element("D", TYPDATE, 6), "length 6 does not fit type 1"},
        {element("P", TYPP, 17), "length 17 does not fit type 2"},
        {element("P", TYPP, 3, 6), "6 decimals"},
        {element("C", TYPC, 4, 1), "1 decimals"},
        {element("C", TYPC, 0), "length 0"},
    };
    for (const row &r : rows) {
        classic_layout layout;
        bounded_text<200> problem;
        EXPECT_FALSE(lay_out_record("S", &r.element, 1, layout, problem));
        EXPECT_NE(problem.find(r.problem_part), -1) << problem.c_str();
    }
    classic_layout layout;
    bounded_text<200> problem;
    EXPECT_FALSE(lay_out_record("EMPTY", nullptr, 0, layout, problem));
    EXPECT_NE(problem.find("0 elements"), -1);
}
