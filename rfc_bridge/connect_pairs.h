// The classic connect string of RfcOpenEx ("ID=value ..." pairs separated by blanks,
// IDs in any letter case, a value with blanks in double quotes) read into a list of
// pairs, IDs upper-cased, in the order given. What the pairs mean is logon_translation's.
#pragma once

#include "core/bounded_text.h"

/// Most pairs one connect string or destination block may hold.
constexpr int connect_pairs_capacity = 32;

/// One "ID=value" pair: the ID in upper case, the value as written (quotes removed).
struct connect_pair {
    bounded_text<24> id;
    bounded_text<255> value;
};

/// The pairs of a connect string or of one destination block, in order.
struct connect_pairs {
    connect_pair pairs[connect_pairs_capacity];
    int count;
};

/// Why a connect string or destination cannot be used; never holds a password.
typedef bounded_text<240> logon_problem;

/// Reads `text` into `pairs` (emptied first); false with `problem` when it is not
/// "ID=value" pairs, a quote is not closed, an ID or value is too long or there are
/// more than connect_pairs_capacity pairs.
bool parse_connect_pairs(const char *text, connect_pairs &pairs, logon_problem &problem);
/// The value of the last pair with `id` (upper case), or null when there is none.
const char *find_pair(const connect_pairs &pairs, const char *id);
/// Adds or replaces the pair `id`; false when the list is full or a text too long.
bool set_pair(connect_pairs &pairs, const char *id, const char *value);
