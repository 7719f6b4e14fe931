// The ABAP dictionary structures the program passes to SAP: RFCSI (system
// information), DB02INFDB4 (the database overview) and MISSOBJ (table lines). Each
// is described by static descriptor rows and installed in the library once per
// process; its handle then types parameters and tables on every connection.
#pragma once

#include "core/librfc32.h"
#include "core/run_record.h"

constexpr unsigned rfcsi_length = 200;       // one RFCSI record
constexpr unsigned db02infdb4_length = 120;  // one DB02INFDB4 record
constexpr unsigned missobj_length = 40;      // one MISSOBJ table line

enum class structure_kind { rfcsi, db02infdb4, missobj };

/// The descriptor rows of a structure, and their count through `entries`.
RFC_TYPE_ELEMENT *structure_rows(structure_kind kind, unsigned *entries);

/// Returns the structure's handle from the run record, installing the structure with
/// RfcInstallStructure first while the handle is 0. A failed installation ends the
/// process through abort_on_rfc_error("RfcInstallStructure").
RFC_TYPEHANDLE installed_structure(run_record &run, structure_kind kind);
