// The detail of a listing's summary; see system_detail.h. A channel is named by its
// entry alone, as the listing writes it: PRTG keeps a channel's history by its name and
// cannot rename a channel, so a name that any other entry could change would hand one
// system's history to another. Entries name profile files, which Windows finds in any
// letter case, so an entry listed again in another letter case is the same system and
// channel (name_folding.h), and two channels never differ in letter case alone.
#include "run/system_detail.h"

#include <cinttypes>
#include <cstring>

#include "core/exit_status.h"
#include "output/name_folding.h"
#include "output/output_flavour.h"
#include "output/prtg_writer.h"
#include "output/text_flavours.h"

namespace {

// "Missing objects" is among them whether OBJECTS= is on or not, so that turning the
// option on or off never renames a system's channel.
const char *const summary_channels[] = {"Systems", "Processed", "Failed", "Not found", "Missing objects"};
constexpr const char *cut_mark = "...";

// An entry that can name a profile file of ours, and so can ever have a channel.
bool can_have_channel(const system_slot &slot) {
    return slot.kind != slot_kind::unusable_name && !slot.entry.empty();
}

bool is_summary_channel(const char *name) {
    for (const char *channel : summary_channels)
        if (same_folded_name(channel, name)) return true;
    return false;
}

// The slot of the first listing of slots[index]'s entry among those before it, or
// `index` itself when it is listed here first.
size_t first_listing(const system_slot *slots, size_t index) {
    const system_slot &slot = slots[index];
    for (size_t i = 0; i < index; ++i)
        if (can_have_channel(slots[i]) && same_folded_name(slots[i].entry.c_str(), slot.entry.c_str())) return i;
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

// Room beyond PRTG's limit for the one piece that passes it: an entry as a slot keeps
// it, its token and a list's heading.
typedef bounded_text<summary_text_capacity + 256> summary_text_under_way;

// A processed system left without a channel, named once however often it is listed:
// at the first of its entry's listings that was processed.
bool left_without_channel(const system_slot *slots, const system_channel_plan &plan, size_t index) {
    if (plan.channel_of[index] != channel_none || !can_have_channel(slots[index]) || !slots[index].outcome.processed)
        return false;
    for (size_t i = plan.first_of[index]; i < index; ++i)
        if (plan.first_of[i] == plan.first_of[index] && slots[i].outcome.processed) return false;
    return true;
}

// Appends one system to a list of the text: its heading before the first of them. An
// empty entry ("PRD.P00##QAS.P00") is named so that it can be seen.
void append_listed(summary_text_under_way &full, bool &first, const char *heading, const char *entry) {
    full.append(first ? heading : ", ");
    full.append(entry[0] != '\0' ? entry : "(empty)");
    first = false;
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
             (slot.end == child_end::crashed || slot.status == exit_rfc_abort || slot.outcome.ended_in_visit))
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

void plan_system_channels(const system_slot *slots, size_t count, size_t places, system_channel_plan &plan) {
    plan.count = 0;
    plan.places = places < max_system_channels ? places : max_system_channels;
    for (size_t i = 0; i < count; ++i) {
        plan.channel_of[i] = channel_none;
        plan.first_of[i] = i;
        if (!can_have_channel(slots[i])) continue;
        size_t first = first_listing(slots, i);
        plan.first_of[i] = first;
        int channel = first != i ? plan.channel_of[first] : channel_none;
        if (first == i && plan.count < plan.places) {
            channel = static_cast<int>(plan.count++);
            plan.names[channel].assign(slots[i].entry.c_str());
        }
        plan.channel_of[i] = channel;
        // Of several spellings the one that sorts first, wherever it is listed.
        if (channel != channel_none && strcmp(slots[i].entry.c_str(), plan.names[channel].c_str()) < 0)
            plan.names[channel].assign(slots[i].entry.c_str());
    }
    for (size_t k = 0; k < plan.count; ++k)
        if (is_summary_channel(plan.names[k].c_str())) plan.names[k].append(" #2");
}

void append_detail_text(const run_record &run, const system_slot *slots, size_t count,
                        const system_channel_plan &plan, summary_text &text) {
    // Put together beyond the limit, so that a cut is known to be one.
    static summary_text_under_way full;
    full.assign(text.c_str());
    bool first = true;
    for (size_t i = 0; i < count && full.length <= summary_text_capacity; ++i) {
        bounded_text<15> token;
        if (!failure_token(slots[i], token)) continue;
        append_listed(full, first, "; failed: ", slots[i].entry.c_str());
        full.append_format(" (%s)", token.c_str());
    }
    first = true;
    for (size_t i = 0; i < count && full.length <= summary_text_capacity; ++i)
        if (slots[i].kind == slot_kind::skipped) append_listed(full, first, "; not found: ", slots[i].entry.c_str());
    if (is_xml_flavour(run)) {
        unsigned without = 0;
        for (size_t i = 0; i < count; ++i)
            if (left_without_channel(slots, plan, i)) ++without;
        bounded_text<63> heading;
        heading.format("; %u without a channel (PRTG takes %u): ", without, static_cast<unsigned>(prtg_channel_limit));
        first = true;
        for (size_t i = 0; i < count && without > 0 && full.length <= summary_text_capacity; ++i)
            if (left_without_channel(slots, plan, i)) append_listed(full, first, heading.c_str(), slots[i].entry.c_str());
    }
    first = true;
    for (size_t i = 0; run.objects_mode && i < count && full.length <= summary_text_capacity; ++i) {
        if (!has_missing_objects(slots[i])) continue;
        append_listed(full, first, "; objects: ", slots[i].entry.c_str());
        full.append_format(" %" PRId64 "/%" PRId64, slots[i].outcome.missing_in_database,
                           slots[i].outcome.unknown_to_dictionary);
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
