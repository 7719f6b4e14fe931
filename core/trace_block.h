// The error block the bridge appends to "Dev_Rfc.Trc" for every failure, and the
// program for an RFC library it cannot load, in the shape of the classic library's trace: a "**** ERROR file opened at" header, lines
// tagged with the thread whose arrow starts in column 8, keyword lines 12 columns
// wide, and the call's result last. The sensor's trace diagnosis reads it unchanged.
#pragma once

#include <cstdio>

#include "core/bounded_text.h"

/// One failure as the block and RfcLastError tell it.
struct bridge_failure {
    const char *key;             // classic error group, "RFC_ERROR_LOGON_FAILURE"
    bounded_text<120> api;       // "RfcReceive [1] : returns 2:RFC_EXCEPTION"
    bounded_text<255> message;   // the "======> " line
    bounded_text<255> location;  // optional "LOCATION" line
    bounded_text<255> detail;    // optional "ERROR" line: the most telling one
    bounded_text<400> context;   // optional "CONTEXT" line: the rest of SAP's text, flattened
    const char *component;       // optional "COMPONENT" line
};

/// Starts a failure of `key` with its "======> " message, the other lines empty.
bridge_failure make_bridge_failure(const char *key, const char *message);
/// Writes `failure`'s block to `file`: an empty line, the header with `opened`
/// ("YYYYMMDD hhmmss zone") and `origin` (which libraries answer), the tagged
/// message, the optional detail lines, the tagged result line. `thread` is shown
/// as four digits.
void write_trace_block(FILE *file, const bridge_failure &failure, const char *opened, const char *origin,
                       unsigned thread);
