// Both readers share one table of the IDs the stand-in understands; other IDs
// (trace switches, ABAP debugging and the like) are accepted and ignored, as the
// library ignores what does not concern the logon.
#include "rfc_standin/connect_string.h"

#include "rfc_standin/standin_text.h"

#include <cstdio>
#include <cstring>

namespace {

connect_value *value_for(connect_parameters &parameters, const char *id) {
    struct known_id {
        const char *id;
        connect_value connect_parameters::*value;
    };
    static const known_id known[] = {
        {"CLIENT", &connect_parameters::client}, {"USER", &connect_parameters::user},
        {"PASSWD", &connect_parameters::passwd}, {"LANG", &connect_parameters::lang},
        {"DEST", &connect_parameters::dest},     {"TYPE", &connect_parameters::type},
        {"ASHOST", &connect_parameters::ashost}, {"SYSNR", &connect_parameters::sysnr},
        {"GWHOST", &connect_parameters::gwhost}, {"GWSERV", &connect_parameters::gwserv},
        {"MSHOST", &connect_parameters::mshost}, {"R3NAME", &connect_parameters::r3name},
        {"GROUP", &connect_parameters::group},
    };
    for (const known_id &entry : known)
        if (equal_ignore_case(id, entry.id)) return &(parameters.*entry.value);
    return nullptr;
}

}  // namespace

bool parse_connect_string(const char *text, connect_parameters &parameters, call_line &line,
                          connect_problem &problem) {
    parameters = connect_parameters{};
    if (text == nullptr) {
        line.append(" <null>");
        problem.assign("no connect string");
        return false;
    }
    const char *at = text;
    for (;;) {
        while (*at == ' ') ++at;
        if (*at == '\0') return true;
        const char *id_start = at;
        while (*at != '\0' && *at != '=' && *at != ' ') ++at;
        bounded_text<40> id;
        if (*at != '=' || at == id_start || !id.assign(id_start, static_cast<size_t>(at - id_start))) {
            line.append(" <not ID=value>");
            problem.assign("connect string is not made of ID=value pairs");
            return false;
        }
        ++at;
        bool quoted = *at == '"';
        if (quoted) ++at;
        const char *value_start = at;
        while (*at != '\0' && (quoted ? *at != '"' : *at != ' ')) ++at;
        size_t value_length = static_cast<size_t>(at - value_start);
        if (quoted) {
            if (*at != '"') {
                line.append_format(" %s=<unterminated quote>", id.c_str());
                problem.format("value of %s lacks its closing quote", id.c_str());
                return false;
            }
            ++at;
        }
        connect_value *value = value_for(parameters, id.c_str());
        bool secret = equal_ignore_case(id.c_str(), "PASSWD");
        line.append_char(' ');
        if (secret)
            log_secret_length(line, id.c_str(), value_length);
        else
            line.append_format("%s=%s%.*s%s", id.c_str(), quoted ? "\"" : "", static_cast<int>(value_length),
                               value_start, quoted ? "\"" : "");
        if (value == nullptr) continue;
        value->given = true;
        if (!value->text.assign(value_start, value_length)) {
            problem.format("value of %s too long", id.c_str());
            return false;
        }
    }
}

bool read_destination(const char *destination, connect_parameters &parameters, connect_problem &problem) {
    FILE *file = fopen("SapRfc.ini", "r");
    if (file == nullptr) {
        problem.format("SapRfc.ini not found (destination %.60s)", destination);
        return false;
    }
    bool read = read_destination_from(file, destination, parameters, problem);
    fclose(file);
    return read;
}

bool read_destination_from(FILE *file, const char *destination, connect_parameters &parameters,
                           connect_problem &problem) {
    // The destination's own values, kept apart so the connect string's win.
    connect_parameters from_file = {};
    bool in_block = false;
    bool found = false;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, file) != nullptr) {
        const char *line = buffer;
        size_t length = trim(&line);
        if (length == 0 || line[0] == '*' || line[0] == '#') continue;
        bounded_text<255> entry;
        entry.assign(line, length);
        long equals = entry.find("=");
        if (equals < 0) continue;
        entry.data[equals] = '\0';
        const char *key = entry.c_str();
        bounded_text<40> key_text;
        key_text.assign(key, trim(&key));
        const char *value = entry.c_str() + equals + 1;
        size_t value_length = trim(&value);
        bounded_text<100> value_text;
        value_text.assign(value, value_length);
        if (equal_ignore_case(key_text.c_str(), "DEST")) {
            if (found) break;
            in_block = equal_ignore_case(value_text.c_str(), destination);
            found = in_block;
            continue;
        }
        if (!in_block) continue;
        connect_value *target = value_for(from_file, key_text.c_str());
        if (target == nullptr) continue;
        target->given = true;
        target->text.assign(value_text.c_str());
    }
    if (!found) {
        problem.format("destination %.60s not found in SapRfc.ini", destination);
        return false;
    }
    connect_value connect_parameters::*const filled[] = {
        &connect_parameters::type,   &connect_parameters::ashost, &connect_parameters::sysnr,
        &connect_parameters::gwhost, &connect_parameters::gwserv, &connect_parameters::mshost,
        &connect_parameters::r3name, &connect_parameters::group,
    };
    for (connect_value connect_parameters::*field : filled)
        if (!(parameters.*field).given) parameters.*field = from_file.*field;
    return true;
}
