// RfcOpenEx's connect string ("ID=value ..." pairs, IDs in any letter case, values
// optionally in double quotes) and the destinations of "SapRfc.ini" in the working
// directory that a DEST= pair names. Values the connect string gives win over the
// destination's; a password is only ever logged as its length.
#pragma once

#include <cstdio>

#include "rfc_standin/call_log.h"

/// One value of a connect string or destination; `given` tells an empty value from none.
struct connect_value {
    bool given;
    bounded_text<100> text;
};

/// The values the stand-in uses from a connect string and its destination.
struct connect_parameters {
    connect_value client, user, passwd, lang, dest, type, ashost, sysnr, gwhost, gwserv;
    connect_value mshost, r3name, group;  // load balancing (TYPE=B)
};

/// Why a connect string or destination cannot be used (never holding a password).
typedef bounded_text<200> connect_problem;

/// Reads `text` into `parameters` and appends each pair to `line` (the password as
/// its length); false with `problem` when the text is not "ID=value" pairs.
bool parse_connect_string(const char *text, connect_parameters &parameters, call_line &line,
                          connect_problem &problem);
/// Fills what `parameters` lacks from the DEST= block of "SapRfc.ini" named by
/// `destination`; false with `problem` when the file or the destination is missing.
bool read_destination(const char *destination, connect_parameters &parameters, connect_problem &problem);
/// The reading part of read_destination, for a "SapRfc.ini" already open: reads
/// `file` to its end (without closing it); false with `problem` when `destination`
/// has no block there.
bool read_destination_from(FILE *file, const char *destination, connect_parameters &parameters,
                           connect_problem &problem);
