// Reading stops at the first thing that is not a pair: a half-read connect string
// must never log on with part of what the caller meant.
#include "rfc_bridge/connect_pairs.h"

#include <cstring>

bool parse_connect_pairs(const char *text, connect_pairs &pairs, logon_problem &problem) {
    pairs.count = 0;
    if (text == nullptr) {
        problem.assign("no connect string");
        return false;
    }
    const char *at = text;
    for (;;) {
        while (*at == ' ' || *at == '\t') ++at;
        if (*at == '\0') return true;
        const char *id_start = at;
        while (*at != '\0' && *at != '=' && *at != ' ' && *at != '\t') ++at;
        size_t id_length = static_cast<size_t>(at - id_start);
        if (*at != '=' || id_length == 0) {
            problem.format("connect string is not made of ID=value pairs (at \"%.20s\")", id_start);
            return false;
        }
        if (pairs.count == connect_pairs_capacity) {
            problem.format("connect string has more than %d pairs", connect_pairs_capacity);
            return false;
        }
        connect_pair &pair = pairs.pairs[pairs.count];
        if (!pair.id.assign(id_start, id_length)) {
            problem.format("connect string ID too long (\"%.20s...\")", id_start);
            return false;
        }
        text_upper_ascii(pair.id.data);
        ++at;
        bool quoted = *at == '"';
        if (quoted) ++at;
        const char *value_start = at;
        while (*at != '\0' && (quoted ? *at != '"' : (*at != ' ' && *at != '\t'))) ++at;
        size_t value_length = static_cast<size_t>(at - value_start);
        if (quoted) {
            if (*at != '"') {
                problem.format("value of %s lacks its closing quote", pair.id.c_str());
                return false;
            }
            ++at;
        }
        if (!pair.value.assign(value_start, value_length)) {
            problem.format("value of %s too long", pair.id.c_str());
            return false;
        }
        ++pairs.count;
    }
}

const char *find_pair(const connect_pairs &pairs, const char *id) {
    for (int i = pairs.count - 1; i >= 0; --i)
        if (pairs.pairs[i].id.equals(id)) return pairs.pairs[i].value.c_str();
    return nullptr;
}

bool set_pair(connect_pairs &pairs, const char *id, const char *value) {
    for (int i = 0; i < pairs.count; ++i)
        if (pairs.pairs[i].id.equals(id)) return pairs.pairs[i].value.assign(value);
    if (pairs.count == connect_pairs_capacity) return false;
    connect_pair &pair = pairs.pairs[pairs.count++];
    return pair.id.assign(id) && pair.value.assign(value);
}
