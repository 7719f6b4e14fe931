// Gantries and Brimtol results. Gantries needs a key without blanks or punctuation
// for its statistic names; Brimtol can be asked for one bare value ("CH=N"), which
// its host reads as the whole answer.
#include "output/text_flavours.h"

#include <cstring>

#include "output/output_flavour.h"

void channel_key(const char *channel, bounded_text<working_area_capacity> &key) {
    key.assign(channel);
    bool dot_replaced = false;
    for (size_t i = 0; i < key.length; ++i) {
        char &c = key.data[i];
        if (strchr(" /\\[]*():-", c) != nullptr) {
            c = '_';
        } else if (c == '.' && !dot_replaced) {
            // Only the first dot would split the statistic name; later ones are kept.
            c = '_';
            dot_replaced = true;
        }
    }
}

const char *unit_mark(const char *unit) {
    if (unit[0] == '\0') return "#";
    if (strcmp(unit, "PerCent") == 0) return "%";
    if (strcmp(unit, "TimeResponse") == 0) return "mSec";
    return unit;
}

bool selected_channel(const run_record &run, long &number) {
    number = 0;
    long at = run.parameter_string.find("CH=");
    if (at < 0) return false;
    const char *digits = run.parameter_string.c_str() + at + 3;
    size_t available = 0;
    while (available < 3 && digits[available] != '\0' && digits[available] != ',') ++available;

    size_t i = 0;
    while (i < available && (digits[i] == ' ' || digits[i] == '\t')) ++i;
    bool negative = false;
    if (i < available && (digits[i] == '+' || digits[i] == '-')) negative = digits[i++] == '-';
    for (; i < available && digits[i] >= '0' && digits[i] <= '9'; ++i) number = number * 10 + (digits[i] - '0');
    if (negative) number = -number;
    return true;
}

void append_text_result(const run_record &run, const char *channel, const char *value, const char *unit,
                        bounded_text<output_buffer_capacity> &element) {
    bounded_text<working_area_capacity> key;
    channel_key(channel, key);
    const char *mark = unit_mark(unit);

    if (is_gantries_flavour(run)) {
        element.append("\n\nMessage.");
        element.append(key.c_str());
        element.append(": ");
        element.append(channel);
        element.append(" (");
        element.append(mark);
        element.append(")");
        element.append("\nStatistic.");
        element.append(key.c_str());
        element.append(": ");
        element.append(value);
        return;
    }

    long wanted = 0;
    if (selected_channel(run, wanted)) {
        if (wanted == run.result_count) element.append(value);
        return;
    }
    element.append("\n> ");
    element.append(channel);
    element.append(": ");
    element.append(value);
    element.append(" ");
    element.append(mark);
}
