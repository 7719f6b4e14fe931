// Reading LIMITS=; see limits_option.h. The percentages are whole numbers because the
// channel's value is one; 100 is allowed for the error limit only, since the warning
// must lie below it.
#include "config/limits_option.h"

#include <cstring>

namespace {

constexpr const char *keyword = "LIMITS=";
constexpr long lowest_limit = 1;
constexpr long highest_limit = 100;

// The first "LIMITS=" of `text` in any letter case: the position after it, or null.
const char *find_keyword(const char *text) {
    size_t keyword_length = strlen(keyword);
    for (const char *at = text; *at != '\0'; ++at) {
        size_t i = 0;
        while (i < keyword_length && at[i] != '\0') {
            char c = at[i];
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            if (c != keyword[i]) break;
            ++i;
        }
        if (i == keyword_length) return at + keyword_length;
    }
    return nullptr;
}

// Reads a whole number from 1 to 100 at `text` up to `end`; false for anything else.
bool read_percentage(const char *text, const char *end, long &value) {
    if (text == end || end - text > 3) return false;
    value = 0;
    for (; text < end; ++text) {
        if (*text < '0' || *text > '9') return false;
        value = value * 10 + (*text - '0');
    }
    return value >= lowest_limit && value <= highest_limit;
}

}  // namespace

bool read_limits_option(const char *text, channel_limits &limits, run_message &message) {
    const char *value = find_keyword(text);
    if (value == nullptr) return true;
    size_t length = strcspn(value, " ,");
    const char *slash = static_cast<const char *>(memchr(value, '/', length));
    long warning = 0;
    long error = 0;
    if (slash != nullptr && read_percentage(value, slash, warning) && read_percentage(slash + 1, value + length, error) &&
        warning < error) {
        limits.has_max_warning = true;
        limits.max_warning = warning;
        limits.has_max_error = true;
        limits.max_error = error;
        return true;
    }
    // The message keeps its closing " !" even when the value given is very long.
    bounded_text<message_capacity - 40> given;
    given.assign(value, length);
    message.format("Error 1019: Invalid Parameter LIMITS=%s !", given.c_str());
    return false;
}
