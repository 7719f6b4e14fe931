// A keyword line is told by its keyword: capital letters and single blanks within
// the first 12 columns ("SYSTEM CALL", "ERRNO TEXT"), then at least one blank.
#include "rfc_bridge/netweaver_text.h"

#include <cstring>

namespace {

constexpr size_t keyword_width = 12;

bool is_break(char c) { return c == '\n' || c == '\r' || c == '\t'; }

// Appends `text` of `count` bytes to `out`, line breaks as blanks, runs of blanks as one,
// no blank at the start.
template <size_t N>
void append_flat(bounded_text<N> &out, const char *text, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        char c = is_break(text[i]) ? ' ' : text[i];
        bool last_blank = out.size() == 0 || out.c_str()[out.size() - 1] == ' ';
        if (c == ' ' && last_blank) continue;
        out.append_char(c);
    }
}

template <size_t N>
void trim_end(bounded_text<N> &out) {
    size_t size = out.size();
    while (size > 0 && out.c_str()[size - 1] == ' ') --size;
    out.truncate(size);
}

// The keyword of `line` (`length` bytes) and where its text starts; false when the
// line does not start with one.
bool keyword_of(const char *line, size_t length, bounded_text<keyword_width> &keyword, size_t &text_at) {
    size_t end = 0;
    while (end < length && end < keyword_width &&
           ((line[end] >= 'A' && line[end] <= 'Z') || (line[end] == ' ' && end + 1 < length && line[end + 1] != ' ')))
        ++end;
    if (end == 0 || end >= length || line[end] != ' ') return false;
    keyword.assign(line, end);
    text_at = end;
    while (text_at < length && line[text_at] == ' ') ++text_at;
    return true;
}

}  // namespace

void split_netweaver_text(const char *text, netweaver_text &out) {
    out = netweaver_text{};
    if (text == nullptr) return;
    bool found_error = false;
    // Only a text laid out in lines is taken apart; a one-line text is the message.
    if (strchr(text, '\n') != nullptr) {
        const char *line = text;
        while (*line != '\0') {
            size_t length = strcspn(line, "\r\n");
            bounded_text<keyword_width> keyword;
            size_t text_at = 0;
            if (length > 0 && keyword_of(line, length, keyword, text_at)) {
                const char *value = line + text_at;
                size_t value_length = length - text_at;
                if (keyword.equals("ERROR") && !found_error) {
                    append_flat(out.message, value, value_length);
                    found_error = true;
                } else if (keyword.equals("LOCATION") && out.location.empty()) {
                    append_flat(out.location, value, value_length);
                } else {
                    if (!out.context.empty()) out.context.append("; ");
                    append_flat(out.context, keyword.c_str(), keyword.size());
                    out.context.append_char(' ');
                    append_flat(out.context, value, value_length);
                }
            } else if (length > 0) {
                if (!out.context.empty()) out.context.append("; ");
                append_flat(out.context, line, length);
            }
            line += length;
            while (*line == '\r' || *line == '\n') ++line;
        }
    }
    if (!found_error) {
        out.message.clear();
        out.location.clear();
        out.context.clear();
        append_flat(out.message, text, strlen(text));
    }
    trim_end(out.message);
    trim_end(out.location);
    trim_end(out.context);
}
