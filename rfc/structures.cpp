// Structure descriptors; see structures.h. The library lays the fields out itself,
// one after another, aligning each integer and float field to its size; in these
// three structures every integer already falls on a multiple of four, so the records
// hold their fields without gaps and the program reads them at the offsets that
// follow from that. A row's fifth field is unused and passed as 0.
#include "rfc/structures.h"

#include "rfc/failure_report.h"
#include "rfc/rfc_text.h"
#include "rfc/rfc_library.h"

namespace {


RFC_TYPE_ELEMENT rfcsi_rows[] = {
    {rfc_text("RFCPROTO"), TYPC, 3, 0, 0},    {rfc_text("RFCCHARTYP"), TYPC, 4, 0, 0},
    {rfc_text("RFCINTTYP"), TYPC, 3, 0, 0},   {rfc_text("RFCFLOTYP"), TYPC, 3, 0, 0},
    {rfc_text("RFCDEST"), TYPC, 32, 0, 0},    {rfc_text("RFCHOST"), TYPC, 8, 0, 0},
    {rfc_text("RFCSYSID"), TYPC, 8, 0, 0},    {rfc_text("RFCDATABS"), TYPC, 8, 0, 0},
    {rfc_text("RFCDBHOST"), TYPC, 32, 0, 0},  {rfc_text("RFCDBSYS"), TYPC, 10, 0, 0},
    {rfc_text("RFCSAPRL"), TYPC, 4, 0, 0},    {rfc_text("RFCMACH"), TYPC, 5, 0, 0},
    {rfc_text("RFCOPSYS"), TYPC, 10, 0, 0},   {rfc_text("RFCTZONE"), TYPC, 6, 0, 0},
    {rfc_text("RFCDAYST"), TYPC, 1, 0, 0},    {rfc_text("RFCIPADDR"), TYPC, 15, 0, 0},
    {rfc_text("RFCKERNRL"), TYPC, 4, 0, 0},   {rfc_text("RFCSI_RESV"), TYPC, 44, 0, 0},
};

RFC_TYPE_ELEMENT db02infdb4_rows[] = {
    {rfc_text("DBSYS"), TYPC, 10, 0, 0},      {rfc_text("FS_A_DATE"), TYPDATE, 8, 0, 0},
    {rfc_text("FS_A_TIME"), TYPTIME, 6, 0, 0}, {rfc_text("SYSID"), TYPC, 8, 0, 0},
    {rfc_text("TAB_CNT"), TYPINT, 4, 0, 0},   {rfc_text("CST_CNT"), TYPINT, 4, 0, 0},
    {rfc_text("IDX_CNT"), TYPINT, 4, 0, 0},   {rfc_text("TAB_SIZE"), TYPP, 8, 0, 0},
    {rfc_text("CST_SIZE"), TYPP, 8, 0, 0},    {rfc_text("IDX_SIZE"), TYPP, 8, 0, 0},
    {rfc_text("TAB_MIS_DB"), TYPINT, 4, 0, 0}, {rfc_text("CST_MIS_DB"), TYPINT, 4, 0, 0},
    {rfc_text("IDX_MIS_DB"), TYPINT, 4, 0, 0}, {rfc_text("VIE_MIS_DB"), TYPINT, 4, 0, 0},
    {rfc_text("TAB_MIS_DD"), TYPINT, 4, 0, 0}, {rfc_text("IDX_MIS_DD"), TYPINT, 4, 0, 0},
    {rfc_text("CST_MIS_DD"), TYPINT, 4, 0, 0}, {rfc_text("VIE_MIS_DD"), TYPINT, 4, 0, 0},
    {rfc_text("SYS_ASP_P"), TYPP, 8, 5, 0},   {rfc_text("SYS_ASP_S"), TYPP, 6, 1, 0},
    {rfc_text("ASP_TOT_S"), TYPP, 6, 1, 0},
};

RFC_TYPE_ELEMENT missobj_rows[] = {
    {rfc_text("NAME"), TYPC, 40, 0, 0},
};

template <size_t Count>
RFC_TYPE_ELEMENT *rows(RFC_TYPE_ELEMENT (&table)[Count], unsigned *entries) {
    *entries = Count;
    return table;
}

}  // namespace

RFC_TYPE_ELEMENT *structure_rows(structure_kind kind, unsigned *entries) {
    switch (kind) {
        case structure_kind::rfcsi: return rows(rfcsi_rows, entries);
        case structure_kind::db02infdb4: return rows(db02infdb4_rows, entries);
        case structure_kind::missobj: break;
    }
    return rows(missobj_rows, entries);
}

RFC_TYPEHANDLE installed_structure(run_record &run, structure_kind kind) {
    RFC_TYPEHANDLE *handle = &run.structure_handles.missobj;
    const char *name = "MISSOBJ";
    if (kind == structure_kind::rfcsi) {
        handle = &run.structure_handles.rfcsi;
        name = "RFCSI";
    } else if (kind == structure_kind::db02infdb4) {
        handle = &run.structure_handles.db02infdb4;
        name = "DB02INFDB4";
    }
    if (*handle != 0) return *handle;

    unsigned entries = 0;
    RFC_TYPE_ELEMENT *elements = structure_rows(kind, &entries);
    RFC_TYPEHANDLE installed = 0;
    if (rfc_library.RfcInstallStructure(rfc_text(name), elements, entries, &installed) != RFC_OK) {
        abort_on_rfc_error(rfc_text("RfcInstallStructure"));
    }
    *handle = installed;
    return installed;
}
