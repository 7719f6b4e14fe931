// SAP's NetWeaver library writes some error texts over several lines, beginning with
// a line feed: "LOCATION    ...", "ERROR       partner '...' not reached", "TIME ...",
// each keyword 12 columns wide. The sensor shows one line of a diagnosis, so the
// ERROR line becomes the message and the rest is kept, flattened, for the trace.
#pragma once

#include "core/bounded_text.h"

/// A NetWeaver error text taken apart.
struct netweaver_text {
    bounded_text<255> message;   // the ERROR line's text, or the whole text on one line
    bounded_text<255> location;  // the LOCATION line's text, when there is one
    bounded_text<400> context;   // every other keyword line, "TIME ...; RELEASE 753; ..."
};

/// Splits `text` (ISO-8859-1, terminated) into `out`. A text without an ERROR line
/// comes back whole in `message`, each run of line breaks and tabs as one blank and
/// the blanks around it trimmed; no part of `out` ever holds a line break.
void split_netweaver_text(const char *text, netweaver_text &out);
