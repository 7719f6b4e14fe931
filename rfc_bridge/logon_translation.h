// Turns a classic logon (RfcOpen's RFC_OPTIONS, or RfcOpenEx's connect string with
// the destination block it names) into the NetWeaver library's connection parameters.
// Whatever the bridge cannot translate fails the open with a message naming it:
// nothing is dropped silently, so a logon never goes somewhere it was not meant to.
#pragma once

#include "core/librfc32.h"
#include "rfc_bridge/connect_pairs.h"

/// The NetWeaver connection parameters: lower-case names ("ashost", "passwd"), values
/// in ISO-8859-1, turned into UTF-16 only when the library is called.
typedef connect_pairs logon_parameters;

/// Fills `out` from RfcOpen's options: R/3 mode only; user and password without the
/// blank padding of the classic interface; the language's first character only;
/// the system number as two digits. False with `problem` for CPIC mode, a missing
/// option record or an unknown mode.
bool translate_options(const RFC_OPTIONS &options, logon_parameters &out, logon_problem &problem);
/// What a logon left out, for trace mode ("ABAP_DEBUG=1 dropped: ...; ...").
typedef bounded_text<200> logon_notes;

/// Fills `out` from the pairs of a connect string and, when it has DEST=,
/// `destination` (that destination's saprfc.ini block; its values lose to the
/// connect string's). Keys of SAP's list that cannot apply to a sensor (ABAP_DEBUG,
/// USE_SAPGUI, ...) are dropped, those set to anything but 0 noted in `notes` when
/// given. With SNC and a password, snc_sso=0 is added. False with `problem` naming
/// an ID or key that is not translated, TYPE=R (server registration) or another
/// TYPE that is not an R/3 client logon, or a TYPE=B block without MSHOST; null
/// `destination` with DEST= given is the caller's failure, not ours.
bool translate_connect_string(const connect_pairs &given, const connect_pairs *destination, logon_parameters &out,
                              logon_problem &problem, logon_notes *notes = nullptr);
/// True when `name` is a NetWeaver parameter whose value must never be shown.
bool is_secret_parameter(const char *name);
