// Reading DETAIL=; see detail_option.h. Only the two words are accepted: a value such
// as "Y" or "TRUE" may mean either to the one who typed it, and the summary that
// PRTG parses must never change by guesswork.
#include "config/detail_option.h"

#include "core/options.h"

namespace {

bool is_word(given_value value, const char *word) {
    size_t i = 0;
    for (; i < value.length && word[i] != '\0'; ++i) {
        char c = value.text[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != word[i]) return false;
    }
    return i == value.length && word[i] == '\0';
}

}  // namespace

bool read_detail_option(const char *text, bool &detail, bool &found, run_message &message) {
    found = false;
    given_value value = find_given_option(text, "DETAIL=");
    if (value.text == nullptr) return true;
    if (is_word(value, "YES") || is_word(value, "NO")) {
        detail = is_word(value, "YES");
        found = true;
        return true;
    }
    // The message keeps its closing " !" even when the value given is very long.
    bounded_text<message_capacity - 40> given;
    given.assign(value.text, value.length);
    message.format("Error 1023: Invalid Parameter DETAIL=%s !", given.c_str());
    return false;
}
