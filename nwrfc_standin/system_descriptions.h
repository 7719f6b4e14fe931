// The simulated systems' own dictionary, as SAP's library looks it up with
// RfcGetFunctionDesc: the interfaces of RFC_SYSTEM_INFO and DB02_DB4_GET_INFO as
// systems of today have them. Their RFCSI has 245 characters (RFCHOST2 and a
// 12-character RFCSI_RESV where older releases had a 44-character RFCSI_RESV, then
// RFCIPV6ADDR), their MISSOBJ lines 60, and their DB02INFDB4 goes on beyond the older
// 120 bytes. Each record begins with the bytes of the
// older record, which the simulated system fills; what lies beyond stays initial.
#pragma once

#include "core/bounded_text.h"
#include "nwrfc_standin/containers.h"
#include "rfc_standin/standin_state.h"

/// What a system's NetWeaver library does with a description shorter than its records.
enum description_handling {
    descriptions_cut,      // takes the first bytes, as the classic library did
    descriptions_refused,  // fails the call; the system's own description works
    lookup_refused,        // fails the call and refuses the lookup (no metadata rights)
};

/// The handling `system` plays: its `netweaver.descriptions`, else
/// $KORVANEL_NWRFC_DESCRIPTIONS, else cut.
description_handling description_handling_of(const standin_system &system);

/// The system's own description of `function`, built once and kept as SAP's library
/// keeps looked-up descriptions in its cache; null for a function module the simulated
/// systems lack, with `info` filled.
nwrfc::RFC_FUNCTION_DESC_HANDLE system_function_description(const char *function, nwrfc::RFC_ERROR_INFO *info);

/// True with `message` naming the first structure or table parameter of `function`
/// whose locally built type is shorter than the system's record of that parameter.
bool shorter_than_system(const nw_function &function, bounded_text<200> &message);
