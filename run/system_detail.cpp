// The detail of a listing's summary; see system_detail.h. Entries name profile files,
// which Windows finds in any letter case, so entries and channel names are compared in
// any letter case too: "PRD.P00" and "prd.p00" are one system, and two channels whose
// names differ only in case would look alike in PRTG.
#include "run/system_detail.h"

#include "run/child_visit.h"

#include <cinttypes>
#include <cstring>

#include "core/exit_status.h"
#include "output/output_flavour.h"
#include "output/prtg_writer.h"
#include "output/text_flavours.h"

namespace {

const char *const summary_channels[] = {"Systems", "Processed", "Failed", "Not found"};
constexpr const char *cut_mark = "...";

char lower_ascii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name(const char *a, const char *b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b)
        if (lower_ascii(*a) != lower_ascii(*b)) return false;
    return *a == *b;
}

// An entry that can name a profile file of ours, and so can ever have a channel.
bool can_have_channel(const system_slot &slot) {
    return slot.kind != slot_kind::unusable_name && !slot.entry.empty();
}

// The entry without its extension: the text before the last dot of its file name, or
// the entry whole when that would leave nothing.
void short_name(const char *entry, system_channel_name &name) {
    const char *file = entry;
    for (const char *at = entry; *at != '\0'; ++at)
        if (*at == '\\' || *at == '/') file = at + 1;
    const char *dot = strrchr(file, '.');
    if (dot == nullptr || dot == entry) {
        name.assign(entry);
        return;
    }
    name.assign(entry, static_cast<size_t>(dot - entry));
}

bool name_taken(const system_channel_plan &plan, const char *name) {
    for (const char *channel : summary_channels)
        if (same_name(channel, name)) return true;
    if (plan.objects && same_name(missing_objects_channel, name)) return true;
    for (size_t i = 0; i < plan.count; ++i)
        if (same_name(plan.names[i].c_str(), name)) return true;
    return false;
}

void choose_name(const system_channel_plan &plan, const char *entry, system_channel_name &name) {
    system_channel_name short_form;
    short_name(entry, short_form);
    if (!name_taken(plan, short_form.c_str())) {
        name = short_form;
        return;
    }
    name.assign(entry);
    if (!name_taken(plan, name.c_str())) return;
    // There are fewer channels than numbers to try, so one of them is always free.
    for (unsigned number = 2;; ++number) {
        name.format("%s #%u", short_form.c_str(), number);
        if (!name_taken(plan, name.c_str())) return;
    }
}

// The slot of the first listing of slots[index]'s entry among those before it, or
// `index` itself when it is listed here first.
size_t first_listing(const system_slot *slots, size_t index) {
    const system_slot &slot = slots[index];
    for (size_t i = 0; i < index; ++i) {
        if (slots[i].entry.length == slot.entry.length && can_have_channel(slots[i]) &&
            same_name(slots[i].entry.c_str(), slot.entry.c_str()))
            return i;
    }
    return index;
}

// The system's state and its percentage or token, as a text flavour's line shows them.
void describe_state(const system_slot &slot, bounded_text<63> &state) {
    bounded_text<15> token;
    if (slot.kind == slot_kind::skipped)
        state.assign("Not found");
    else if (failure_token(slot, token))
        state.format("Failed %s", token.c_str());
    else
        state.format("Processed %" PRId64 " %%", slot.outcome.percent_used);
}

void write_system_lines(run_record &run, const system_slot *slots, size_t count) {
    long selected = 0;
    if (is_brimtol_flavour(run) && selected_channel(run, selected)) return;
    bool gantries = is_gantries_flavour(run);
    for (size_t i = 0; i < count; ++i) {
        const system_slot &slot = slots[i];
        bounded_text<63> state;
        describe_state(slot, state);
        if (gantries) {
            bounded_text<working_area_capacity> key;
            channel_key(slot.entry.c_str(), key);
            open_line(run, "System.");
            append_text(run, key.c_str());
            append_text(run, ": ");
            append_text(run, slot.entry.c_str());
            append_text(run, " ");
        } else {
            open_line(run, "> ");
            append_text(run, slot.entry.c_str());
            append_text(run, ": ");
        }
        append_text(run, state.c_str());
    }
}

void write_system_channels(run_record &run, const system_slot *slots, size_t count, const system_channel_plan &plan) {
    // A channel shows the first of its entry's listings that was processed.
    static bool written[max_system_channels];
    for (size_t k = 0; k < plan.count; ++k) written[k] = false;
    static int64_t percent[max_system_channels];
    for (size_t i = 0; i < count; ++i) {
        int channel = plan.channel_of[i];
        if (channel == channel_none || written[channel] || !slots[i].outcome.processed) continue;
        written[channel] = true;
        percent[channel] = slots[i].outcome.percent_used;
    }
    for (size_t k = 0; k < plan.count; ++k) {
        if (!written[k]) continue;  // failed or not found in this run: PRTG shows the gap
        bounded_text<31> value;
        value.format("%" PRId64, percent[k]);
        write_result(run, plan.names[k].c_str(), value.c_str(), "PerCent", &run.asp_limits);
    }
}

}  // namespace

int message_error_number(const char *message) {
    // "Error", a blank, four digits and a colon.
    if (strncmp(message, "Error", 5) != 0 || message[5] != ' ') return 0;
    int number = 0;
    for (int i = 6; i < 10; ++i) {
        if (message[i] < '0' || message[i] > '9') return 0;
        number = number * 10 + (message[i] - '0');
    }
    return message[10] == ':' ? number : 0;
}

void note_visit_outcome(system_slot &slot, const visit_result *result, bool processed) {
    slot.outcome.processed = processed;
    if (result == nullptr) return;
    slot.outcome.error_number = result->error_number;
    if (result->figures.taken) slot.outcome.percent_used = result->figures.percent_used;
    if (result->figures.objects_counted) {
        slot.outcome.missing_in_database = result->figures.missing_in_database;
        slot.outcome.unknown_to_dictionary = result->figures.unknown_to_dictionary;
    }
}

// A child that exited with a status none of ours (0 to 4, or a lost result's) was ended
// by something else: a runtime's abort, a sanitizer, the library's own exit.
static bool ended_abnormally(const system_slot &slot) {
    return slot.end == child_end::exited && slot.status > exit_child_orphaned && !is_unwritten_status(slot.status);
}

bool failure_token(const system_slot &slot, bounded_text<15> &token) {
    token.clear();
    if (slot.kind == slot_kind::skipped || slot.outcome.processed) return false;
    if (slot.kind == slot_kind::unusable_name)
        token.assign("local");
    else if (slot.outcome.profile_error != 0)
        token.format("%d", slot.outcome.profile_error);
    else if (slot.state == slot_state::given_up)
        token.assign("1022");
    else if (slot.outcome.local_failure)
        token.assign("local");
    else if (slot.kind != slot_kind::skipped && slot.state == slot_state::ended &&
             (slot.end == child_end::crashed || slot.status == exit_rfc_abort || ended_abnormally(slot)))
        token.assign("crash");
    else if (slot.outcome.error_number != 0)
        token.format("%d", slot.outcome.error_number);
    else
        token.assign(local_failure_token(slot));
    return true;
}

const char *local_failure_token(const system_slot &) {
    // Whatever else kept a system from being checked lies with the probe, not with SAP:
    // a child that could not read its request or whose result could not be read back.
    return "local";
}

bool has_missing_objects(const system_slot &slot) {
    return slot.outcome.processed && (slot.outcome.missing_in_database > 0 || slot.outcome.unknown_to_dictionary > 0);
}

void plan_system_channels(const system_slot *slots, size_t count, system_channel_plan &plan, bool objects) {
    plan.count = 0;
    plan.left_without = 0;
    plan.objects = objects;
    const size_t channel_limit = objects ? max_system_channels - 1 : max_system_channels;
    // Entries beyond the channels: counted once however often they are listed.
    static bool counted[max_systems];
    for (size_t i = 0; i < count; ++i) {
        plan.channel_of[i] = channel_none;
        counted[i] = false;
        if (!can_have_channel(slots[i])) continue;
        size_t first = first_listing(slots, i);
        if (first != i) {
            plan.channel_of[i] = plan.channel_of[first];
            if (plan.channel_of[i] == channel_none && slots[i].outcome.processed && !counted[first]) {
                counted[first] = true;
                ++plan.left_without;
            }
            continue;
        }
        if (plan.count == channel_limit) {
            if (slots[i].outcome.processed) {
                counted[i] = true;
                ++plan.left_without;
            }
            continue;
        }
        choose_name(plan, slots[i].entry.c_str(), plan.names[plan.count]);
        plan.owners[plan.count] = i;
        plan.channel_of[i] = static_cast<int>(plan.count);
        ++plan.count;
    }
}

void append_detail_text(const run_record &run, const system_slot *slots, size_t count,
                        const system_channel_plan &plan, summary_text &text) {
    // Put together beyond the limit, so that a cut is known to be one.
    static bounded_text<summary_text_capacity + 256> full;
    full.assign(text.c_str());
    if (is_xml_flavour(run) && plan.left_without > 0)
        full.append_format("; %u without a channel (PRTG takes %u)", plan.left_without,
                          static_cast<unsigned>(max_system_channels + 4));
    bool first = true;
    for (size_t i = 0; i < count && full.length <= summary_text_capacity; ++i) {
        bounded_text<15> token;
        if (!failure_token(slots[i], token)) continue;
        system_channel_name name;
        short_name(slots[i].entry.c_str(), name);
        full.append(first ? "; failed: " : ", ");
        full.append_format("%s (%s)", name.c_str(), token.c_str());
        first = false;
    }
    first = true;
    for (size_t i = 0; run.objects_mode && i < count && full.length <= summary_text_capacity; ++i) {
        if (!has_missing_objects(slots[i])) continue;
        full.append(first ? "; objects: " : ", ");
        full.append_format("%s %" PRId64 "/%" PRId64, slots[i].entry.c_str(), slots[i].outcome.missing_in_database,
                           slots[i].outcome.unknown_to_dictionary);
        first = false;
    }
    if (full.length > summary_text_capacity) {
        size_t kept = summary_text_capacity - strlen(cut_mark);
        full.truncate(kept);
        text_drop_cut_character(full.data, &full.length);
        full.append(cut_mark);
    }
    text.assign(full.c_str());
}

void write_system_detail(run_record &run, const system_slot *slots, size_t count, const system_channel_plan &plan) {
    if (is_xml_flavour(run))
        write_system_channels(run, slots, count, plan);
    else
        write_system_lines(run, slots, count);
}
