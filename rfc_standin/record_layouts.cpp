// The three record layouts, field by field, as the SAP systems define them; the
// offsets follow from the rows placed one after another without gaps.
#include "rfc_standin/record_layouts.h"

#include "core/librfc32.h"

#include <cstring>

namespace {

const field_layout rfcsi_fields[] = {
    {"RFCPROTO", TYPC, 3, 0, 0},     {"RFCCHARTYP", TYPC, 4, 0, 3},  {"RFCINTTYP", TYPC, 3, 0, 7},
    {"RFCFLOTYP", TYPC, 3, 0, 10},   {"RFCDEST", TYPC, 32, 0, 13},   {"RFCHOST", TYPC, 8, 0, 45},
    {"RFCSYSID", TYPC, 8, 0, 53},    {"RFCDATABS", TYPC, 8, 0, 61},  {"RFCDBHOST", TYPC, 32, 0, 69},
    {"RFCDBSYS", TYPC, 10, 0, 101},  {"RFCSAPRL", TYPC, 4, 0, 111},  {"RFCMACH", TYPC, 5, 0, 115},
    {"RFCOPSYS", TYPC, 10, 0, 120},  {"RFCTZONE", TYPC, 6, 0, 130},  {"RFCDAYST", TYPC, 1, 0, 136},
    {"RFCIPADDR", TYPC, 15, 0, 137}, {"RFCKERNRL", TYPC, 4, 0, 152}, {"RFCSI_RESV", TYPC, 44, 0, 156},
};

const field_layout db02infdb4_fields[] = {
    {"DBSYS", TYPC, 10, 0, 0},        {"FS_A_DATE", TYPDATE, 8, 0, 10}, {"FS_A_TIME", TYPTIME, 6, 0, 18},
    {"SYSID", TYPC, 8, 0, 24},        {"TAB_CNT", TYPINT, 4, 0, 32},    {"CST_CNT", TYPINT, 4, 0, 36},
    {"IDX_CNT", TYPINT, 4, 0, 40},    {"TAB_SIZE", TYPP, 8, 0, 44},     {"CST_SIZE", TYPP, 8, 0, 52},
    {"IDX_SIZE", TYPP, 8, 0, 60},     {"TAB_MIS_DB", TYPINT, 4, 0, 68}, {"CST_MIS_DB", TYPINT, 4, 0, 72},
    {"IDX_MIS_DB", TYPINT, 4, 0, 76}, {"VIE_MIS_DB", TYPINT, 4, 0, 80}, {"TAB_MIS_DD", TYPINT, 4, 0, 84},
    {"IDX_MIS_DD", TYPINT, 4, 0, 88}, {"CST_MIS_DD", TYPINT, 4, 0, 92}, {"VIE_MIS_DD", TYPINT, 4, 0, 96},
    {"SYS_ASP_P", TYPP, 8, 5, 100},   {"SYS_ASP_S", TYPP, 6, 1, 108},   {"ASP_TOT_S", TYPP, 6, 1, 114},
};

const field_layout missobj_fields[] = {
    {"NAME", TYPC, 40, 0, 0},
};

}  // namespace

const record_layout rfcsi_layout = {"RFCSI", rfcsi_fields, 18, 200};
const record_layout db02infdb4_layout = {"DB02INFDB4", db02infdb4_fields, 21, 120};
const record_layout missobj_layout = {"MISSOBJ", missobj_fields, 1, 40};

const field_layout *find_field(const record_layout &layout, const char *name) {
    for (unsigned i = 0; i < layout.count; ++i)
        if (strcmp(layout.fields[i].name, name) == 0) return &layout.fields[i];
    return nullptr;
}

const char *type_code_name(unsigned type) {
    static const char *const names[] = {"CHAR", "DATE", "BCD",   "TIME", "BYTE", "ITAB",
                                        "NUM",  "FLOAT", "INT", "INT2", "INT1"};
    return type < sizeof names / sizeof names[0] ? names[type] : "?";
}
