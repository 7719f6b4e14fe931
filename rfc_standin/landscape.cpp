// Line-based reader of the landscape file: "[system NAME]" sections of
// "key = value" lines, whole-line "#" comments (a password may hold "#", so there
// are no comments after a value). Record fields start as a real system's initial
// values; raw byte lines are laid over the records when the section ends.
#include "rfc_standin/landscape.h"

#include "rfc_standin/packed_decimal.h"
#include "rfc_standin/record_layouts.h"
#include "rfc_standin/standin_text.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

// A second build of the library can be told to read another file by default (the
// test that puts another librfc32 in the place of ours tells the two apart by it).
#ifndef KORVANEL_STANDIN_LANDSCAPE_NAME
#define KORVANEL_STANDIN_LANDSCAPE_NAME "SapLandscape.txt"
#endif

namespace {

const char default_landscape_name[] = KORVANEL_STANDIN_LANDSCAPE_NAME;
constexpr size_t max_line = 400;
constexpr long max_delay = 3600000;  // an hour: longer is a hang, which has a fault of its own

// Raw bytes given for a record, laid over it after all named fields.
struct raw_overlay {
    unsigned char bytes[200];
    bool set[200];
};

struct section_reader {
    standin_landscape *landscape;
    standin_system *system;  // null before the first section
    raw_overlay rfcsi_raw;
    raw_overlay db02_raw;
};

void initial_records(standin_system &system) {
    memset(system.rfcsi, ' ', sizeof system.rfcsi);
    for (unsigned i = 0; i < db02infdb4_layout.count; ++i) {
        const field_layout &field = db02infdb4_layout.fields[i];
        unsigned char *at = system.db02 + field.offset;
        switch (field.type) {
        case TYPDATE:
        case TYPTIME: memset(at, '0', field.length); break;
        case TYPP:
            memset(at, 0, field.length);
            at[field.length - 1] = 0x0C;
            break;
        case TYPC: memset(at, ' ', field.length); break;
        default: memset(at, 0, field.length); break;
        }
    }
}

void finish_section(section_reader &reader) {
    if (reader.system == nullptr) return;
    for (unsigned i = 0; i < sizeof reader.system->rfcsi; ++i)
        if (reader.rfcsi_raw.set[i]) reader.system->rfcsi[i] = reader.rfcsi_raw.bytes[i];
    for (unsigned i = 0; i < sizeof reader.system->db02; ++i)
        if (reader.db02_raw.set[i]) reader.system->db02[i] = reader.db02_raw.bytes[i];
}

// Integers of up to 32 bits; `long long` so that no digit string can overflow on the way.
bool parse_integer(const char *text, long minimum, long maximum, long *value) {
    const char *at = text;
    bool negative = false;
    if (*at == '+' || *at == '-') negative = *at++ == '-';
    if (*at < '0' || *at > '9') return false;
    long long number = 0;
    for (; *at >= '0' && *at <= '9'; ++at) {
        number = number * 10 + (*at - '0');
        if (number > 2147483648LL) return false;
    }
    if (*at != '\0') return false;
    number = negative ? -number : number;
    if (number < minimum || number > maximum) return false;
    *value = static_cast<long>(number);
    return true;
}

// "db02.raw.100 = 00 00 87 5C": hex byte pairs, blanks between them allowed.
const char *put_raw(raw_overlay &overlay, unsigned record_length, const char *offset_text, const char *value) {
    long offset = 0;
    if (!parse_integer(offset_text, 0, record_length - 1, &offset)) return "raw offset outside the record";
    unsigned at = static_cast<unsigned>(offset);
    for (const char *c = value; *c != '\0';) {
        if (*c == ' ') {
            ++c;
            continue;
        }
        int high = hex_digit(c[0]);
        int low = high < 0 ? -1 : hex_digit(c[1]);
        if (low < 0) return "raw bytes must be pairs of hex digits";
        if (at >= record_length) return "raw bytes run past the end of the record";
        overlay.bytes[at] = static_cast<unsigned char>(high * 16 + low);
        overlay.set[at++] = true;
        c += 2;
    }
    return nullptr;
}

const char *put_text_field(unsigned char *record, const field_layout &field, const char *value) {
    size_t length = strlen(value);
    if (length > field.length) return "text longer than the field";
    memset(record + field.offset, ' ', field.length);
    memcpy(record + field.offset, value, length);
    return nullptr;
}

const char *put_record_field(unsigned char *record, const record_layout &layout, const char *name,
                             const char *value) {
    bounded_text<40> upper;
    upper.assign(name);
    text_upper_ascii(upper.data);
    const field_layout *field = find_field(layout, upper.c_str());
    if (field == nullptr) return "no such field";
    switch (field->type) {
    case TYPINT: {
        long number = 0;
        if (!parse_integer(value, -2147483647L - 1, 2147483647L, &number)) return "not a 32-bit integer";
        int as_int = static_cast<int>(number);
        memcpy(record + field->offset, &as_int, sizeof as_int);
        return nullptr;
    }
    case TYPP:
        if (!pack_decimal(value, record + field->offset, field->length, field->decimals))
            return "not a decimal number that fits the packed field";
        return nullptr;
    default: return put_text_field(record, *field, value);
    }
}

struct fault_word {
    const char *word;
    fault_kind kind;
    int arguments;  // 0, 1 (target) or 2 (target and name or code)
};

const fault_word fault_words[] = {
    {"unreachable", fault_unreachable, 0},     {"logon_refused", fault_logon_refused, 0},
    {"call_fails", fault_call_fails, 1},       {"exception", fault_exception, 2},
    {"sys_exception", fault_sys_exception, 2}, {"return_code", fault_return_code, 2},
    {"install_fails", fault_install_fails, 1}, {"itcreate_fails", fault_itcreate_fails, 1},
    {"itdelete_fails", fault_itdelete_fails, 1}, {"handler_on_open", fault_handler_on_open, 0},
    {"handler_on_call", fault_handler_on_call, 1},
    {"hang_on_open", fault_hang_on_open, 0},     {"hang_on_call", fault_hang_on_call, 1},
    {"crash_on_open", fault_crash_on_open, 0},   {"crash_on_call", fault_crash_on_call, 1},
    {"exit_on_open", fault_exit_on_open, 1},     {"exit_on_call", fault_exit_on_call, 2},
    {"itgetline_fails", fault_itgetline_fails, 1},
};

// Splits off the next blank-separated word of `*rest` into `word`.
bool next_word(const char **rest, bounded_text<40> &word) {
    const char *at = *rest;
    while (*at == ' ' || *at == '\t') ++at;
    const char *start = at;
    while (*at != '\0' && *at != ' ' && *at != '\t') ++at;
    *rest = at;
    return word.assign(start, static_cast<size_t>(at - start)) && !word.empty();
}

const char *put_fault(standin_system &system, const char *value) {
    if (system.fault_count == standin_max_faults) return "more than 16 faults";
    bounded_text<40> word;
    if (!next_word(&value, word)) return "fault kind missing or too long";
    const fault_word *known = nullptr;
    for (const fault_word &candidate : fault_words)
        if (word.equals(candidate.word)) known = &candidate;
    if (known == nullptr) return "unknown fault kind";
    standin_fault &fault = system.faults[system.fault_count];
    fault.kind = known->kind;
    fault.target.clear();
    fault.name.clear();
    fault.code = 0;
    if (known->kind == fault_exit_on_open) {
        // The status alone: "exit_on_open 67".
        long status = 0;
        if (!next_word(&value, word) || !parse_integer(word.c_str(), 0, 255, &status))
            return "exit status must be 0 to 255";
        fault.code = static_cast<int>(status);
        if (next_word(&value, word)) return "too many words in the fault";
        ++system.fault_count;
        return nullptr;
    }
    if (known->arguments >= 1 && !next_word(&value, fault.target)) return "fault target missing or too long";
    if (known->arguments == 2) {
        if (!next_word(&value, fault.name)) return "fault name or code missing or too long";
        if (known->kind == fault_return_code) {
            long code = 0;
            if (!parse_integer(fault.name.c_str(), -2147483647L - 1, 2147483647L, &code))
                return "return code is not an integer";
            fault.code = static_cast<int>(code);
        }
        if (known->kind == fault_exit_on_call) {
            long status = 0;
            if (!parse_integer(fault.name.c_str(), 0, 255, &status)) return "exit status must be 0 to 255";
            fault.code = static_cast<int>(status);
        }
    }
    if (next_word(&value, word)) return "too many words in the fault";
    ++system.fault_count;
    return nullptr;
}

// "delay_call = 700" for every function module, "delay_call = DB02_DB4_GET_INFO 700"
// for one; a later line for the same function module replaces the earlier one.
const char *put_call_delay(standin_system &system, const char *value) {
    bounded_text<40> first;
    bounded_text<40> second;
    if (!next_word(&value, first)) return "delay missing or too long";
    bool named = next_word(&value, second);
    bounded_text<40> extra;
    if (named && next_word(&value, extra)) return "too many words in the delay";
    long number = 0;
    if (!parse_integer(named ? second.c_str() : first.c_str(), 0, max_delay, &number))
        return "delay must be 0 to 3600000 milliseconds";
    const char *function = named ? first.c_str() : "";
    call_delay *slot = nullptr;
    for (int i = 0; i < system.call_delay_count; ++i)
        if (equal_ignore_case(system.call_delays[i].function.c_str(), function)) slot = &system.call_delays[i];
    if (slot == nullptr) {
        if (system.call_delay_count == standin_max_call_delays) return "more than 4 call delays";
        slot = &system.call_delays[system.call_delay_count++];
        slot->function.assign(function);
    }
    slot->milliseconds = static_cast<int>(number);
    return nullptr;
}

const char *put_system_key(section_reader &reader, const char *key, const char *value) {
    standin_system &system = *reader.system;
    static const struct {
        const char *key;
        bool (*assign)(standin_system &, const char *);
    } texts[] = {
        {"host", [](standin_system &s, const char *v) { return s.host.assign(v); }},
        {"gwhost", [](standin_system &s, const char *v) { return s.gwhost.assign(v); }},
        {"gwservice", [](standin_system &s, const char *v) { return s.gwservice.assign(v); }},
        {"mshost", [](standin_system &s, const char *v) { return s.mshost.assign(v); }},
        {"msserv", [](standin_system &s, const char *v) { return s.msserv.assign(v); }},
        {"sysid", [](standin_system &s, const char *v) { return s.sysid.assign(v); }},
        {"groups", [](standin_system &s, const char *v) { return s.groups.assign(v); }},
        {"client", [](standin_system &s, const char *v) { return s.client.assign(v); }},
        {"user", [](standin_system &s, const char *v) { return s.user.assign(v); }},
        {"password", [](standin_system &s, const char *v) { return s.password.assign(v); }},
    };
    for (const auto &text : texts)
        if (equal_ignore_case(key, text.key)) return text.assign(system, value) ? nullptr : "value too long";

    long number = 0;
    if (equal_ignore_case(key, "sysnr")) {
        if (!parse_integer(value, 0, 99, &number)) return "system number must be 0 to 99";
        system.sysnr = static_cast<int>(number);
        return nullptr;
    }
    if (equal_ignore_case(key, "api_rc")) {
        if (!parse_integer(value, -2147483647L - 1, 2147483647L, &number)) return "not a 32-bit integer";
        system.api_rc = static_cast<int>(number);
        return nullptr;
    }
    if (equal_ignore_case(key, "trace")) {
        if (equal_ignore_case(value, "full")) system.trace = trace_full;
        else if (equal_ignore_case(value, "bare")) system.trace = trace_bare;
        else if (equal_ignore_case(value, "off")) system.trace = trace_off;
        else return "trace must be full, bare or off";
        return nullptr;
    }
    if (equal_ignore_case(key, "trace_block")) {
        if (!system.trace_block.assign(value) || value[0] == '\0')
            return "trace_block must name a file of 1 to 64 characters";
        return nullptr;
    }
    if (equal_ignore_case(key, "error_handler")) {
        if (equal_ignore_case(value, "faults")) system.handler_on_every_failure = false;
        else if (equal_ignore_case(value, "always")) system.handler_on_every_failure = true;
        else return "error_handler must be faults or always";
        return nullptr;
    }
    if (equal_ignore_case(key, "fault")) return put_fault(system, value);
    if (equal_ignore_case(key, "delay_open")) {
        if (!parse_integer(value, 0, max_delay, &number)) return "delay must be 0 to 3600000 milliseconds";
        system.open_delay = static_cast<int>(number);
        return nullptr;
    }
    if (equal_ignore_case(key, "delay_call")) return put_call_delay(system, value);
    if (equal_ignore_case(key, "netweaver.descriptions")) {
        if (!equal_ignore_case(value, "cut") && !equal_ignore_case(value, "refuse") &&
            !equal_ignore_case(value, "refuse-lookup"))
            return "netweaver.descriptions must be cut, refuse or refuse-lookup";
        system.netweaver_descriptions.assign(value);
        return nullptr;
    }
    // "db02.table.MISS_TABLES = ZTABLE": a line of one of DB02_DB4_GET_INFO's tables.
    bounded_text<12> table_prefix;
    table_prefix.assign(key, 11);
    if (equal_ignore_case(table_prefix.c_str(), "db02.table.")) {
        static const char *const tables[] = {"ADDTL_INDEX", "ADDTL_TABLES", "ADDTL_VIEWS",
                                             "MISS_INDEX",  "MISS_TABLES",  "MISS_VIEWS"};
        const char *table = key + 11;
        bool known = false;
        for (const char *name : tables) known = known || equal_ignore_case(table, name);
        if (!known) return "not a table of DB02_DB4_GET_INFO";
        if (system.table_line_count == standin_max_table_lines) return "too many table lines";
        table_line &line = system.table_lines[system.table_line_count];
        line.table.assign(table);
        text_upper_ascii(line.table.data);
        if (!line.text.assign(value)) return "value too long";
        ++system.table_line_count;
        return nullptr;
    }

    struct {
        const char *prefix;
        unsigned char *record;
        const record_layout *layout;
        raw_overlay *raw;
    } const records[] = {
        {"rfcsi.", system.rfcsi, &rfcsi_layout, &reader.rfcsi_raw},
        {"db02.", system.db02, &db02infdb4_layout, &reader.db02_raw},
    };
    for (const auto &record : records) {
        size_t prefix_length = strlen(record.prefix);
        bounded_text<8> prefix;
        prefix.assign(key, prefix_length);
        if (!equal_ignore_case(prefix.c_str(), record.prefix)) continue;
        const char *field = key + prefix_length;
        bounded_text<8> raw;
        raw.assign(field, 4);
        if (equal_ignore_case(raw.c_str(), "raw."))
            return put_raw(*record.raw, record.layout->length, field + 4, value);
        return put_record_field(record.record, *record.layout, field, value);
    }
    return "unknown key";
}

const char *start_section(section_reader &reader, const char *line, size_t length) {
    if (line[length - 1] != ']') return "a section line must end with ]";
    bounded_text<60> inside;
    inside.assign(line + 1, length - 2);
    const char *name = inside.c_str();
    if (strncmp(name, "system ", 7) != 0) return "a section must be [system NAME]";
    name += 7;
    size_t name_length = trim(&name);
    if (name_length == 0) return "the system has no name";
    finish_section(reader);
    standin_landscape &landscape = *reader.landscape;
    if (landscape.count == standin_max_systems) return "more than 16 systems";
    standin_system &system = landscape.systems[landscape.count++];
    system = standin_system{};
    system.label.assign(name, name_length);
    initial_records(system);
    reader.system = &system;
    memset(&reader.rfcsi_raw, 0, sizeof reader.rfcsi_raw);
    memset(&reader.db02_raw, 0, sizeof reader.db02_raw);
    return nullptr;
}

// One line, already without its line end; null when understood.
const char *read_landscape_line(section_reader &reader, const char *text) {
    size_t length = trim(&text);
    if (length == 0 || text[0] == '#') return nullptr;
    bounded_text<max_line> line;
    line.assign(text, length);
    if (line.data[0] == '[') return start_section(reader, line.c_str(), length);
    if (reader.system == nullptr) return "a key before the first [system NAME]";
    long equals = line.find("=");
    if (equals < 0) return "not a key = value line";
    line.data[equals] = '\0';
    const char *key = line.c_str();
    size_t key_length = trim(&key);
    bounded_text<60> key_text;
    if (key_length == 0 || !key_text.assign(key, key_length)) return "key missing or too long";
    const char *value = line.c_str() + equals + 1;
    size_t value_length = trim(&value);
    bounded_text<max_line> value_text;
    value_text.assign(value, value_length);
    return put_system_key(reader, key_text.c_str(), value_text.c_str());
}

}  // namespace

bool load_landscape(standin_landscape &landscape, landscape_problem &problem) {
    const char *name = getenv("KORVANEL_RFC_LANDSCAPE");
    if (name == nullptr || name[0] == '\0') name = default_landscape_name;
    landscape.count = 0;
    FILE *file = fopen(name, "r");
    // A child of a multi-system run works in a folder of its own below the directory
    // that holds the landscape; messages still name the file as it was asked for.
    if (file == nullptr && name == default_landscape_name) {
        bounded_text<sizeof default_landscape_name + 3> above;
        above.format("../%s", default_landscape_name);
        file = fopen(above.c_str(), "r");
    }
    if (file == nullptr) {
        problem.format("landscape file %s not found", name);
        return false;
    }
    bool read = read_landscape(file, name, landscape, problem);
    fclose(file);
    return read;
}

bool read_landscape(FILE *file, const char *name, standin_landscape &landscape, landscape_problem &problem) {
    landscape.count = 0;
    section_reader reader = {};
    reader.landscape = &landscape;
    char buffer[max_line + 2];
    int line_number = 0;
    const char *wrong = nullptr;
    while (wrong == nullptr && fgets(buffer, sizeof buffer, file) != nullptr) {
        ++line_number;
        size_t length = strlen(buffer);
        if (length == sizeof buffer - 1 && buffer[length - 1] != '\n')
            wrong = "line too long";
        else
            wrong = read_landscape_line(reader, buffer);
    }
    if (wrong != nullptr) {
        landscape.count = 0;
        problem.format("landscape %s line %d: %s", name, line_number, wrong);
        return false;
    }
    finish_section(reader);
    return true;
}

const standin_fault *find_fault(const standin_system &system, fault_kind kind, const char *target) {
    for (int i = 0; i < system.fault_count; ++i) {
        const standin_fault &fault = system.faults[i];
        if (fault.kind != kind) continue;
        if (target == nullptr || equal_ignore_case(fault.target.c_str(), target)) return &fault;
    }
    return nullptr;
}
