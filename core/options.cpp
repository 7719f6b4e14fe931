// Options of the parameter text, and the profile name that selects the global listing.
#include "core/options.h"

#include <cstring>

bool is_global_profile_name(const char *name) {
    bounded_text<16> upper;
    if (!upper.assign(name)) return false;
    text_upper_ascii(upper.data);
    return upper.equals("GLOBAL.P00");
}

bool option_value_into(const run_record &run, const char *option, char *out, size_t limit) {
    out[0] = '\0';
    long at = run.parameter_string.find(option);
    if (at < 0) return false;
    size_t from = static_cast<size_t>(at) + strlen(option);
    size_t taken = 0;
    while (taken < limit) {
        char c = run.parameter_text.data[from + taken];
        if (c == '\0' || c == ' ' || c == ',') break;
        out[taken++] = c;
    }
    out[taken] = '\0';
    return true;
}

namespace {

char upper_ascii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool starts_with_any_case(const char *text, const char *keyword) {
    for (; *keyword != '\0'; ++text, ++keyword)
        if (upper_ascii(*text) != upper_ascii(*keyword)) return false;
    return true;
}

}  // namespace

given_value find_given_option(const char *text, const char *keyword) {
    given_value found = {nullptr, 0};
    if (text == nullptr) return found;
    for (const char *at = text; *at != '\0'; ++at) {
        if (!starts_with_any_case(at, keyword)) continue;
        found.text = at + strlen(keyword);
        found.length = strcspn(found.text, " ,");
        return found;
    }
    return found;
}

bool read_whole_number(given_value value, unsigned minimum, unsigned maximum, unsigned &number) {
    if (value.text == nullptr || value.length == 0) return false;
    unsigned long long read = 0;
    for (size_t i = 0; i < value.length; ++i) {
        char c = value.text[i];
        if (c < '0' || c > '9') return false;
        // Past the maximum the number can only grow: stop counting before it could overflow.
        if (read <= maximum) read = read * 10 + static_cast<unsigned>(c - '0');
    }
    if (read < minimum || read > maximum) return false;
    number = static_cast<unsigned>(read);
    return true;
}

bool read_yes_no_option(const char *text, const char *keyword, const char *message_format, bool &yes, bool &found,
                        run_message &message) {
    found = false;
    given_value value = find_given_option(text, keyword);
    if (value.text == nullptr) return true;
    static const char *const words[] = {"YES", "NO"};
    for (const char *word : words) {
        size_t i = 0;
        for (; i < value.length && word[i] != '\0'; ++i) {
            char c = value.text[i];
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            if (c != word[i]) break;
        }
        if (i == value.length && word[i] == '\0') {
            yes = word == words[0];
            found = true;
            return true;
        }
    }
    bounded_text<message_capacity - 40> given;
    given.assign(value.text, value.length);
    message.format(message_format, given.c_str());
    return false;
}
