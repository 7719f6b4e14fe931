// One table per source names every classic key the bridge understands and its
// NetWeaver name; the keys of SAP's documented list that cannot apply to a sensor
// are dropped with a note; any other key is refused by name. The NetWeaver library
// takes the SNC keys under the classic names, in lower case.
#include "rfc_bridge/logon_translation.h"

#include <cstring>

namespace {

struct key_translation {
    const char *classic;  // upper case, as parse_connect_pairs and read_ini_destination give it
    const char *netweaver;
};

// IDs of the connect string (saprfc.h documents them for RfcOpenEx).
const key_translation connect_string_keys[] = {
    {"ASHOST", "ashost"}, {"SYSNR", "sysnr"},   {"GWHOST", "gwhost"},   {"GWSERV", "gwserv"},
    {"MSHOST", "mshost"}, {"R3NAME", "sysid"},  {"GROUP", "group"},     {"CLIENT", "client"},
    {"USER", "user"},     {"PASSWD", "passwd"}, {"LANG", "lang"},       {"TRACE", "trace"},
    {"SNC_MODE", "snc_mode"}, {"SNC_QOP", "snc_qop"}, {"SNC_MYNAME", "snc_myname"},
    {"SNC_PARTNERNAME", "snc_partnername"}, {"SNC_LIB", "snc_lib"},
};

// Keys of a saprfc.ini destination block; TYPE is checked, not passed.
const key_translation ini_keys[] = {
    {"ASHOST", "ashost"}, {"SYSNR", "sysnr"},  {"GWHOST", "gwhost"}, {"GWSERV", "gwserv"},
    {"MSHOST", "mshost"}, {"R3NAME", "sysid"}, {"GROUP", "group"},   {"RFC_TRACE", "trace"},
    {"SNC_MODE", "snc_mode"}, {"SNC_QOP", "snc_qop"}, {"SNC_MYNAME", "snc_myname"},
    {"SNC_PARTNERNAME", "snc_partnername"}, {"SNC_LIB", "snc_lib"},
};

// Keys of SAP's documented saprfc.ini list (and connect string IDs) that cannot
// apply to a sensor: taken, as the classic library took them, and dropped. A value
// other than "0" is noted, so trace mode shows what was left out and why.
struct dropped_key {
    const char *classic;
    const char *why;
};
const dropped_key dropped_keys[] = {
    {"ABAP_DEBUG", "no ABAP debugger starts from a probe's service"},
    {"USE_SAPGUI", "no SAP GUI starts from a probe's service"},
    {"PCS", "SAP's NetWeaver library finds the partner's character size itself"},
    {"CODEPAGE", "SAP's NetWeaver library talks Unicode"},
    {"PROGID", "it belongs to a registered server (TYPE=R)"},
    {"TPHOST", "it belongs to a started program (TYPE=E)"},
    {"TPNAME", "it belongs to a started program (TYPE=E)"},
    {"LU", "it belongs to an R/2 system (TYPE=2)"},
    {"TP", "it belongs to an R/2 system (TYPE=2)"},
};

const dropped_key *dropped(const char *classic) {
    for (const dropped_key &entry : dropped_keys)
        if (strcmp(entry.classic, classic) == 0) return &entry;
    return nullptr;
}

void note_dropped(logon_notes *notes, const connect_pair &pair, const dropped_key &entry) {
    if (notes == nullptr || pair.value.equals("0") || pair.value.empty()) return;
    if (!notes->empty()) notes->append("; ");
    // The key's value is shown only for the switches, which hold no secret.
    notes->append_format("%s=%.8s dropped: %s", pair.id.c_str(), pair.value.c_str(), entry.why);
}

template <size_t N>
const char *netweaver_name(const key_translation (&table)[N], const char *classic) {
    for (const key_translation &entry : table)
        if (strcmp(entry.classic, classic) == 0) return entry.netweaver;
    return nullptr;
}

// Drops the blanks the classic interface pads user and password with.
bool set_unpadded(logon_parameters &out, const char *name, const char *value) {
    bounded_text<255> text;
    if (!text.assign(value)) return false;
    size_t length = text.size();
    while (length > 0 && text.data[length - 1] == ' ') --length;
    text.truncate(length);
    return set_pair(out, name, text.c_str());
}

// A system number as the NetWeaver library wants it: two digits, "7" becomes "07".
bool set_sysnr(logon_parameters &out, const char *value) {
    bounded_text<8> text;
    if (strlen(value) == 1) text.append_char('0');
    return text.append(value) && set_pair(out, "sysnr", text.c_str());
}

bool set_given(logon_parameters &out, const char *name, const char *value) {
    if (value == nullptr || value[0] == '\0') return true;
    return set_pair(out, name, value);
}

bool too_long(logon_problem &problem) {
    problem.assign("logon data too long for the bridge");
    return false;
}

bool add_translated(logon_parameters &out, const char *netweaver, const char *value) {
    if (strcmp(netweaver, "sysnr") == 0) return set_sysnr(out, value);
    if (strcmp(netweaver, "user") == 0 || strcmp(netweaver, "passwd") == 0)
        return set_unpadded(out, netweaver, value);
    if (strcmp(netweaver, "trace") == 0) return set_pair(out, "trace", strcmp(value, "0") == 0 || value[0] == '\0' ? "0" : "1");
    return set_pair(out, netweaver, value);
}

}  // namespace

bool is_secret_parameter(const char *name) { return strcmp(name, "passwd") == 0; }

bool translate_options(const RFC_OPTIONS &options, logon_parameters &out, logon_problem &problem) {
    out.count = 0;
    if (options.mode == RFC_MODE_CPIC) {
        problem.assign("CPIC mode (R/2) is not offered by SAP's NetWeaver RFC library; log on in R/3 mode");
        return false;
    }
    if (options.mode != RFC_MODE_R3ONLY) {
        problem.format("invalid mode %d in RFC_OPTIONS", options.mode);
        return false;
    }
    if (options.connopt == nullptr) {
        problem.assign("no connection options");
        return false;
    }
    const RFC_CONNOPT_R3ONLY &r3 = *static_cast<const RFC_CONNOPT_R3ONLY *>(options.connopt);
    bounded_text<8> sysnr;
    sysnr.format("%02d", r3.sysnr);
    bool whole = set_given(out, "ashost", r3.hostname) && set_pair(out, "sysnr", sysnr.c_str()) &&
                 set_given(out, "gwhost", r3.gateway_host) && set_given(out, "gwserv", r3.gateway_service) &&
                 set_given(out, "client", options.client);
    if (whole && options.user != nullptr) whole = set_unpadded(out, "user", options.user);
    if (whole && options.password != nullptr) whole = set_unpadded(out, "passwd", options.password);
    // The classic library reads one character of the language on this route: "ES"
    // logs on as "E" (English), so the bridge must pass "E" too, not Spanish.
    if (whole && options.language != nullptr && options.language[0] != '\0') {
        char first[2] = {options.language[0], '\0'};
        whole = set_pair(out, "lang", first);
    }
    if (whole) whole = set_pair(out, "trace", options.trace != 0 ? "1" : "0");
    if (!whole) return too_long(problem);
    return true;
}

bool translate_connect_string(const connect_pairs &given, const connect_pairs *destination, logon_parameters &out,
                              logon_problem &problem, logon_notes *notes) {
    if (notes != nullptr) notes->clear();
    out.count = 0;
    const char *type = find_pair(given, "TYPE");
    if (type != nullptr && strcmp(type, "3") != 0) {
        problem.format("TYPE=%.10s is not an R/3 logon; the bridge opens R/3 connections (TYPE=3) only", type);
        return false;
    }
    if (destination != nullptr) {
        const char *ini_type = find_pair(*destination, "TYPE");
        bool load_balancing = ini_type != nullptr && (strcmp(ini_type, "B") == 0 || strcmp(ini_type, "b") == 0);
        if (ini_type != nullptr && (strcmp(ini_type, "R") == 0 || strcmp(ini_type, "r") == 0)) {
            problem.assign("saprfc.ini TYPE=R registers a server program at the gateway; a sensor logs on as a "
                           "client only (TYPE=A or TYPE=B)");
            return false;
        }
        if (ini_type != nullptr && !load_balancing && strcmp(ini_type, "A") != 0 && strcmp(ini_type, "a") != 0) {
            problem.format("saprfc.ini TYPE=%.10s is not translated; the bridge knows TYPE=A and TYPE=B", ini_type);
            return false;
        }
        if (load_balancing && find_pair(*destination, "MSHOST") == nullptr && find_pair(given, "MSHOST") == nullptr) {
            problem.assign("saprfc.ini TYPE=B needs MSHOST: the bridge does not read sapmsg.ini");
            return false;
        }
        for (int i = 0; i < destination->count; ++i) {
            const connect_pair &pair = destination->pairs[i];
            if (pair.id.equals("TYPE")) continue;
            if (const dropped_key *entry = dropped(pair.id.c_str())) {
                note_dropped(notes, pair, *entry);
                continue;
            }
            const char *name = netweaver_name(ini_keys, pair.id.c_str());
            if (name == nullptr) {
                problem.format("saprfc.ini key %s is not translated by the bridge", pair.id.c_str());
                return false;
            }
            if (!add_translated(out, name, pair.value.c_str())) return too_long(problem);
        }
    }
    // SAP's library needs the system's name and the logon group of a load-balanced logon;
    // saprfc.ini's TYPE=B, as SAP documents it, takes the destination's name and PUBLIC
    // where R3NAME and GROUP are not given.
    if (destination != nullptr) {
        const char *ini_type = find_pair(*destination, "TYPE");
        bool load_balancing = ini_type != nullptr && (strcmp(ini_type, "B") == 0 || strcmp(ini_type, "b") == 0);
        const char *dest = find_pair(given, "DEST");
        if (load_balancing && find_pair(*destination, "R3NAME") == nullptr && find_pair(given, "R3NAME") == nullptr &&
            dest != nullptr && !add_translated(out, "sysid", dest))
            return too_long(problem);
        if (load_balancing && find_pair(*destination, "GROUP") == nullptr && find_pair(given, "GROUP") == nullptr &&
            !add_translated(out, "group", "PUBLIC"))
            return too_long(problem);
    }
    // The connect string's own values come last, so they win over the destination's.
    for (int i = 0; i < given.count; ++i) {
        const connect_pair &pair = given.pairs[i];
        if (pair.id.equals("TYPE") || pair.id.equals("DEST")) continue;
        if (const dropped_key *entry = dropped(pair.id.c_str())) {
            note_dropped(notes, pair, *entry);
            continue;
        }
        const char *name = netweaver_name(connect_string_keys, pair.id.c_str());
        if (name == nullptr) {
            problem.format("connect string ID %s is not translated by the bridge", pair.id.c_str());
            return false;
        }
        if (!add_translated(out, name, pair.value.c_str())) return too_long(problem);
    }
    // SNC with a user and password: SNC protects the line and the logon stays the
    // profile's user, as with the classic library; SAP's NetWeaver library would
    // otherwise log on as the SNC name (single sign-on).
    if (find_pair(out, "snc_mode") != nullptr && find_pair(out, "passwd") != nullptr &&
        !set_pair(out, "snc_sso", "0"))
        return too_long(problem);
    return true;
}
