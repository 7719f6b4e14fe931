// The detail of a listing's summary (DETAIL=YES): a channel per system with its ASP
// usage, the failed systems named in the text with why they failed, and in the text
// flavours a line per system. A channel's name must stay the same from run to run,
// since PRTG keys its channels by name: names and the channels' order are worked out
// over the listing as it is written, never over what this run's systems did.
#pragma once

#include "core/run_record.h"
#include "run/child_protocol.h"
#include "run/system_gathering.h"
#include "run/system_outcome.h"

/// PRTG takes at most 50 channels per sensor.
constexpr size_t prtg_channel_limit = 50;
/// The summary's count channels, which come first: "Systems", "Processed", "Failed", "Not found".
constexpr size_t summary_channel_count = 4;
/// The places left for system channels; a summary with more channels of its own plans
/// with fewer (plan_system_channels' `places`).
constexpr size_t max_system_channels = prtg_channel_limit - summary_channel_count;
/// The summary channel of OBJECTS=YES, which leaves one place fewer to the systems.
constexpr const char *missing_objects_channel = "Missing objects";

/// Whether a processed system's database and dictionary disagree on any object.
bool has_missing_objects(const system_slot &slot);
/// A system channel's name: an entry that can name a profile (at most 63 characters)
/// and the " #2" of one that a summary channel's name takes.
typedef bounded_text<file_name_capacity + 8> system_channel_name;
/// The summary text while it is put together: the counts, and the detail until the
/// text is cut at PRTG's limit.
typedef bounded_text<summary_text_capacity> summary_text;

/// Which systems have a channel, and their names.
struct system_channel_plan {
    system_channel_name names[max_system_channels];
    size_t count{};   // channels planned
    size_t places{};  // the places there were for them
    // For each slot, its channel (channel_none when it has none): the slot of an entry
    // listed again shares its first listing's channel.
    int channel_of[max_systems];
    size_t first_of[max_systems];  // for each slot, the slot of its entry's first listing
};
constexpr int channel_none = -1;

/// The number of an "Error NNNN: ..." message, 0 for any other text.
int message_error_number(const char *message);

/// Notes in the slot of a visited system whether it was processed, and from `result`
/// (null when the visit left none) its error number and ASP usage.
void note_visit_outcome(system_slot &slot, const visit_result *result, bool processed);

/// The failure token of a failed system in `token`: its error number as a single-profile
/// run prints it (its profile's, 1022 for the time limit, else its visit's), "crash"
/// for a crashed child, a fatal error of SAP's library or a child that ended during its
/// visit without a complete result, "local" for a system that could not be checked for
/// a reason of the probe's own. False for a system that was
/// processed or not found, which has none.
bool failure_token(const system_slot &slot, bounded_text<15> &token);

/// The token of a failure that neither SAP nor a crash explains: the system could not
/// be checked for a reason that lies with the probe (its child's request or result
/// unreadable, its child never started). The one place that names such failures.
const char *local_failure_token(const system_slot &slot);

/// Plans the system channels over the `count` slots of the listing: in listing order,
/// one per entry, for entries that can name a profile, the first `places` of them (at
/// most max_system_channels). An entry listed again in any letter case (name_folding.h)
/// is one channel. Each is named by its entry exactly as the listing writes it, by the
/// spelling that sorts first byte by byte where it is written in several, and followed
/// by " #2" where that is a summary channel's name in any letter case; so no name
/// depends on the other entries or on their order.
void plan_system_channels(const system_slot *slots, size_t count, size_t places, system_channel_plan &plan);

/// Appends the detail to the summary `text`, each system named by its entry as listed:
/// the failed systems in listing order with their tokens, "; failed: PRD.P00 (1014),
/// QAS.P00 (1022)", the entries whose profile is missing, "; not found: DEV.P00", and in
/// the XML flavours the processed systems left without a channel, "; 2 without a channel
/// (PRTG takes 50): S47.P00, S48.P00"; a text that would pass summary_text_capacity is
/// cut to end in "...", never inside a character.
void append_detail_text(const run_record &run, const system_slot *slots, size_t count,
                        const system_channel_plan &plan, summary_text &text);

/// After the summary channels: in the XML flavours one channel per processed system
/// that has one, its "System ASP used" in per cent with the limits of LIMITS=; in the
/// text flavours one line per system of the listing with its entry, its state and its
/// percentage or token (nothing when Brimtol is asked for one channel's value).
void write_system_detail(run_record &run, const system_slot *slots, size_t count, const system_channel_plan &plan);
