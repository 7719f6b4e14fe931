// A line that is not KEY=value inside the wanted block fails the read: a destination
// half understood would log on somewhere the administrator did not mean.
#include "rfc_bridge/saprfc_ini.h"

#include <cstring>

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Trims blanks on both sides; returns the length left from *begin.
size_t trim_blanks(const char **begin, size_t length) {
    while (length > 0 && is_blank(**begin)) {
        ++*begin;
        --length;
    }
    while (length > 0 && is_blank((*begin)[length - 1])) --length;
    return length;
}

bool equal_letters(const char *a, const char *b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        char x = *a >= 'a' && *a <= 'z' ? static_cast<char>(*a - 32) : *a;
        char y = *b >= 'a' && *b <= 'z' ? static_cast<char>(*b - 32) : *b;
        if (x != y) return false;
    }
    return *a == *b;
}

}  // namespace

bool read_ini_destination(FILE *file, const char *destination, connect_pairs &block, logon_problem &problem) {
    block.count = 0;
    bool in_block = false;
    bool found = false;
    int line_number = 0;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, file) != nullptr) {
        ++line_number;
        const char *line = buffer;
        size_t length = trim_blanks(&line, strlen(buffer));
        if (length == 0 || line[0] == '*' || line[0] == '#') continue;
        const char *equals = static_cast<const char *>(memchr(line, '=', length));
        if (equals == nullptr) {
            if (!in_block) continue;
            problem.format("saprfc.ini line %d in destination %.40s is not KEY=value", line_number, destination);
            return false;
        }
        const char *key = line;
        size_t key_length = trim_blanks(&key, static_cast<size_t>(equals - line));
        const char *value = equals + 1;
        size_t value_length = trim_blanks(&value, length - static_cast<size_t>(equals + 1 - line));
        bounded_text<24> key_text;
        if (!key_text.assign(key, key_length) || key_length == 0) {
            if (!in_block) continue;
            problem.format("saprfc.ini line %d: key too long or empty", line_number);
            return false;
        }
        text_upper_ascii(key_text.data);
        bounded_text<255> value_text;
        bool value_whole = value_text.assign(value, value_length);
        if (key_text.equals("DEST")) {
            if (found) break;  // the next destination's block begins
            in_block = equal_letters(value_text.c_str(), destination);
            found = in_block;
            continue;
        }
        if (!in_block) continue;
        if (!value_whole) {
            problem.format("saprfc.ini line %d: value of %s too long", line_number, key_text.c_str());
            return false;
        }
        if (!set_pair(block, key_text.c_str(), value_text.c_str())) {
            problem.format("destination %.40s in saprfc.ini has too many keys", destination);
            return false;
        }
    }
    if (!found) {
        problem.format("destination %.60s not found in saprfc.ini", destination);
        return false;
    }
    return true;
}
