// The fields of the child protocol; see child_protocol.h. Values are copied with their
// length, never searched for an end mark, so a value cannot forge another field.
#include "run/child_protocol.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

// The start of the value of field `key`, and its length; null when absent or malformed.
const char *find_field(const char *message, size_t count, const char *key, size_t &length) {
    size_t key_length = strlen(key);
    size_t at = 0;
    while (at < count) {
        const char *name = message + at;
        const char *blank = static_cast<const char *>(memchr(name, ' ', count - at));
        if (blank == nullptr) return nullptr;
        size_t digits_at = static_cast<size_t>(blank - message) + 1;
        size_t value_length = 0;
        size_t i = digits_at;
        for (; i < count && message[i] >= '0' && message[i] <= '9'; ++i) {
            value_length = value_length * 10 + static_cast<size_t>(message[i] - '0');
            if (value_length > count) return nullptr;
        }
        if (i == digits_at || i >= count || message[i] != ':') return nullptr;
        size_t value_at = i + 1;
        if (value_length > count - value_at || value_at + value_length >= count ||
            message[value_at + value_length] != '\n')
            return nullptr;
        if (static_cast<size_t>(blank - name) == key_length && memcmp(name, key, key_length) == 0) {
            length = value_length;
            return message + value_at;
        }
        at = value_at + value_length + 1;
    }
    return nullptr;
}

template <size_t Capacity>
bool get(const char *message, size_t count, const char *key, bounded_text<Capacity> &out) {
    char value[Capacity + 1];
    if (!get_field(message, count, key, value, Capacity)) return false;
    out.assign(value);
    return true;
}

bool get_flag(const char *message, size_t count, const char *key, bool &flag) {
    char value[2];
    if (!get_field(message, count, key, value, 1)) return false;
    flag = value[0] == '1';
    return value[0] == '0' || value[0] == '1';
}

bool put_profile(child_message &out, const profile_data &p) {
    return put_field(out, "extcompany", p.extcompany.c_str()) && put_field(out, "destination", p.destination.c_str()) &&
           put_field(out, "client", p.client.c_str()) && put_field(out, "user", p.user.c_str()) &&
           put_field(out, "password", p.password.c_str()) && put_field(out, "language", p.language.c_str()) &&
           put_field(out, "mode", p.mode.c_str()) && put_field(out, "hostname", p.hostname.c_str()) &&
           put_field(out, "sysnr", p.sysnr.c_str()) && put_field(out, "gwhost", p.gwhost.c_str()) &&
           put_field(out, "gwservice", p.gwservice.c_str());
}

bool get_profile(const char *m, size_t n, profile_data &p) {
    return get(m, n, "extcompany", p.extcompany) && get(m, n, "destination", p.destination) &&
           get(m, n, "client", p.client) && get(m, n, "user", p.user) && get(m, n, "password", p.password) &&
           get(m, n, "language", p.language) && get(m, n, "mode", p.mode) && get(m, n, "hostname", p.hostname) &&
           get(m, n, "sysnr", p.sysnr) && get(m, n, "gwhost", p.gwhost) && get(m, n, "gwservice", p.gwservice);
}

const char *outcome_name(visit_outcome outcome) {
    switch (outcome) {
        case visit_outcome::processed: return "processed";
        case visit_outcome::failed: return "failed";
        case visit_outcome::identification_failed: return "identification failed";
        case visit_outcome::database_mismatch: return "database mismatch";
    }
    return "failed";
}

// The system's error number and, after a measurement, its three figures, in one field
// "<error number> <measured 0 or 1> <percent> <system ASP MB> <total ASP MB>": each field
// costs a search of the message, and a result is read for every system of a listing.
bool put_figures(child_message &out, const visit_result &result) {
    const measured_figures &figures = result.figures;
    bounded_text<127> text;
    text.format("%d %d %lld %lld %lld", result.error_number, figures.taken ? 1 : 0,
                static_cast<long long>(figures.percent_used), static_cast<long long>(figures.system_asp_megabytes),
                static_cast<long long>(figures.total_asp_megabytes));
    return put_field(out, "figures", text.c_str());
}

// Reads one decimal number (an optional "-" and digits) at `at`, which it moves past it
// and the blank that follows, unless `last`; false for anything else.
bool read_figure(const char *&at, bool last, long long &value) {
    const char *start = at;
    if (*at == '-') ++at;
    if (*at < '0' || *at > '9') return false;
    char *end = nullptr;
    value = strtoll(start, &end, 10);
    at = end;
    if (last) return *at == '\0';
    if (*at != ' ') return false;
    ++at;
    return true;
}

// OBJECTS=YES: whether the two sums of missing objects were taken, and the sums,
// "<counted 0 or 1> <missing in database> <unknown to the dictionary>".
bool put_objects(child_message &out, const measured_figures &figures) {
    bounded_text<63> text;
    text.format("%d %lld %lld", figures.objects_counted ? 1 : 0, static_cast<long long>(figures.missing_in_database),
                static_cast<long long>(figures.unknown_to_dictionary));
    return put_field(out, "objects", text.c_str());
}

bool get_objects(const char *m, size_t n, measured_figures &figures) {
    bounded_text<63> text;
    if (!get(m, n, "objects", text)) return false;
    const char *at = text.c_str();
    long long number[3] = {};
    for (int i = 0; i < 3; ++i)
        if (!read_figure(at, i == 2, number[i])) return false;
    if ((number[0] != 0 && number[0] != 1) || number[1] < 0 || number[2] < 0) return false;
    figures.objects_counted = number[0] == 1;
    figures.missing_in_database = number[1];
    figures.unknown_to_dictionary = number[2];
    return true;
}

bool get_figures(const char *m, size_t n, visit_result &result) {
    bounded_text<127> text;
    if (!get(m, n, "figures", text)) return false;
    const char *at = text.c_str();
    long long number[5] = {};
    for (int i = 0; i < 5; ++i)
        if (!read_figure(at, i == 4, number[i])) return false;
    if (number[0] < 0 || number[0] > 9999 || (number[1] != 0 && number[1] != 1)) return false;
    result.error_number = static_cast<int>(number[0]);
    result.figures.taken = number[1] == 1;
    result.figures.percent_used = number[2];
    result.figures.system_asp_megabytes = number[3];
    result.figures.total_asp_megabytes = number[4];
    return true;
}

// A decimal number of at most 20 digits up to `stop`; false for anything else.
bool read_decimal(const char *&text, char stop, uint64_t &value) {
    value = 0;
    const char *start = text;
    for (; *text >= '0' && *text <= '9'; ++text) {
        unsigned digit = static_cast<unsigned>(*text - '0');
        if (value > (UINT64_MAX - digit) / 10) return false;
        value = value * 10 + digit;
    }
    if (text == start || *text != stop) return false;
    if (stop != '\0') ++text;
    return true;
}

// FNV-1a over a message's bytes: a result cut short, or with bytes of another writer
// mixed in, does not match its check.
uint32_t message_check(const char *bytes, size_t count) {
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < count; ++i) hash = (hash ^ static_cast<unsigned char>(bytes[i])) * 16777619u;
    return hash;
}

}  // namespace

bool put_field(child_message &out, const char *key, const char *value) {
    size_t length = strlen(value);
    return out.append_format("%s %lu:", key, static_cast<unsigned long>(length)) && out.append(value, length) &&
           out.append("\n");
}

bool get_field(const char *message, size_t count, const char *key, char *out, size_t capacity) {
    size_t length = 0;
    const char *value = find_field(message, count, key, length);
    if (value == nullptr || length > capacity || memchr(value, '\0', length) != nullptr) return false;
    memcpy(out, value, length);
    out[length] = '\0';
    return true;
}

bool encode_visit_request(const run_record &run, const char *entry, bool logon, const visit_handover &handover,
                          child_message &out) {
    out.clear();
    bounded_text<15> sysnr;
    sysnr.format("%d", run.connection_options.r3.sysnr);
    bounded_text<23> channel;
    channel.format("%lu", handover.channel);
    return put_profile(out, run.profile_record) && put_field(out, "carried_sysnr", sysnr.c_str()) &&
           put_field(out, "parameter_text", run.parameter_text.c_str()) &&
           put_field(out, "parameter_string", run.parameter_string.c_str()) &&
           put_field(out, "flavour", run.output_flavour.c_str()) && put_field(out, "trace", run.trace_mode ? "1" : "0") &&
           put_field(out, "display_host", run.display_host.c_str()) && put_field(out, "entry", entry) &&
           put_field(out, "logon", logon ? "1" : "0") && put_field(out, "mark", handover.mark.c_str()) &&
           put_field(out, "channel", channel.c_str()) && put_field(out, "objects", run.objects_mode ? "1" : "0");
}

bool decode_visit_request(const char *message, size_t count, run_record &run, bounded_text<file_name_capacity> &entry,
                          bool &logon, visit_handover &handover) {
    bounded_text<15> sysnr;
    bounded_text<23> channel;
    if (!get_profile(message, count, run.profile_record) || !get(message, count, "carried_sysnr", sysnr) ||
        !get(message, count, "parameter_text", run.parameter_text) ||
        !get(message, count, "parameter_string", run.parameter_string) ||
        !get(message, count, "flavour", run.output_flavour) || !get_flag(message, count, "trace", run.trace_mode) ||
        !get(message, count, "display_host", run.display_host) || !get(message, count, "entry", entry) ||
        !get_flag(message, count, "logon", logon) || !get(message, count, "mark", handover.mark) ||
        handover.mark.empty() || !get(message, count, "channel", channel) ||
        !get_flag(message, count, "objects", run.objects_mode))
        return false;
    char *end = nullptr;
    long number = strtol(sysnr.c_str(), &end, 10);
    if (sysnr.empty() || *end != '\0') return false;
    const char *digits = channel.c_str();
    uint64_t channel_number = 0;
    if (!read_decimal(digits, '\0', channel_number) || channel_number > ULONG_MAX) return false;
    handover.channel = static_cast<unsigned long>(channel_number);
    run.connection_options.r3.sysnr = static_cast<int>(number);
    run.multi_system_mode = true;
    return true;
}

void encode_visit_argument(const child_bounds &bounds, visit_argument &out) {
    out.format("%s=%lu,%llu", visit_system_argument, bounds.parent_id,
               static_cast<unsigned long long>(bounds.time_left_ms));
}

bool is_visit_argument(const char *argument) {
    size_t length = strlen(visit_system_argument);
    return strncmp(argument, visit_system_argument, length) == 0 &&
           (argument[length] == '=' || argument[length] == '\0');
}


bool decode_visit_argument(const char *argument, child_bounds &bounds) {
    size_t length = strlen(visit_system_argument);
    if (!is_visit_argument(argument) || argument[length] != '=') return false;
    const char *text = argument + length + 1;
    uint64_t parent = 0, time_left = 0;
    if (!read_decimal(text, ',', parent) || parent > ULONG_MAX || !read_decimal(text, '\0', time_left)) return false;
    bounds.parent_id = static_cast<unsigned long>(parent);
    bounds.time_left_ms = time_left;
    return true;
}

bool encode_result_head(const visit_handover &handover, const char *entry, child_message &out) {
    out.clear();
    return put_field(out, "mark", handover.mark.c_str()) && put_field(out, "entry", entry);
}

bool encode_visit_result(const visit_result &result, child_message &out) {
    bounded_text<15> file_error;
    file_error.format("%d", result.file_error);
    if (!put_field(out, "outcome", outcome_name(result.outcome)) ||
        !put_field(out, "identified", result.identified ? "1" : "0") ||
        !put_field(out, "identified_host", result.identified_host.c_str()) ||
        !put_field(out, "database_system", result.database_system.c_str()) ||
        !put_field(out, "text", result.text.c_str()) || !put_figures(out, result) ||
        !put_objects(out, result.figures) || !put_field(out, "file_error", file_error.c_str()))
        return false;
    bounded_text<15> check;
    check.format("%08lx", static_cast<unsigned long>(message_check(out.c_str(), out.length)));
    return put_field(out, "check", check.c_str());
}

result_arrival decode_visit_result(const char *message, size_t count, const char *mark, const char *entry,
                                   visit_result &result) {
    static child_message head;
    visit_handover handover;
    handover.mark.assign(mark);
    if (!encode_result_head(handover, entry, head) || count < head.length ||
        memcmp(message, head.c_str(), head.length) != 0)
        return result_arrival::none;
    // The check is the last field, and its eight digits cover every byte before it.
    constexpr size_t check_length = sizeof "check 8:12345678\n" - 1;
    if (count < head.length + check_length) return result_arrival::begun;
    size_t body = count - check_length;
    bounded_text<31> check;
    check.format("check 8:%08lx\n", static_cast<unsigned long>(message_check(message, body)));
    if (memcmp(message + body, check.c_str(), check_length) != 0) return result_arrival::begun;
    const char *m = message + head.length;
    size_t n = body - head.length;
    bounded_text<31> outcome;
    bounded_text<15> file_error;
    if (!get(m, n, "outcome", outcome) || !get_flag(m, n, "identified", result.identified) ||
        !get(m, n, "identified_host", result.identified_host) || !get(m, n, "database_system", result.database_system) ||
        !get(m, n, "text", result.text) || !get_figures(m, n, result) || !get_objects(m, n, result.figures) ||
        !get(m, n, "file_error", file_error))
        return result_arrival::begun;
    char *end = nullptr;
    long error = strtol(file_error.c_str(), &end, 10);
    if (file_error.empty() || *end != '\0' || error < 0 || error > INT_MAX) return result_arrival::begun;
    result.file_error = static_cast<int>(error);
    for (visit_outcome candidate : {visit_outcome::processed, visit_outcome::failed,
                                    visit_outcome::identification_failed, visit_outcome::database_mismatch}) {
        if (outcome.equals(outcome_name(candidate))) {
            result.outcome = candidate;
            return result_arrival::complete;
        }
    }
    return result_arrival::begun;
}
