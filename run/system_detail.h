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

/// PRTG takes at most 50 channels; the summary's four counts come first, and with
/// OBJECTS=YES "Missing objects" as a fifth.
constexpr size_t max_system_channels = 46;
/// The summary channel of OBJECTS=YES.
constexpr const char *missing_objects_channel = "Missing objects";

/// Whether a processed system's database and dictionary disagree on any object.
bool has_missing_objects(const system_slot &slot);
/// A system channel's name: an entry (at most 63 characters) and a " #n" beyond it.
typedef bounded_text<file_name_capacity + 8> system_channel_name;
/// The summary text while it is put together: the counts, and the detail until the
/// text is cut at PRTG's limit.
typedef bounded_text<summary_text_capacity> summary_text;

/// Which systems have a channel, and their names.
struct system_channel_plan {
    system_channel_name names[max_system_channels];
    size_t owners[max_system_channels];  // the slot of each channel's first listing
    size_t count{};
    bool objects{};           // the summary has the channel "Missing objects"
    unsigned left_without{};  // processed systems that found no channel free
    // For each slot, its channel (channel_none when it has none): the slot of an entry
    // listed again shares its first listing's channel.
    int channel_of[max_systems];
};
constexpr int channel_none = -1;

/// The number of an "Error NNNN: ..." message, 0 for any other text.
int message_error_number(const char *message);

/// Notes in the slot of a visited system whether it was processed, and from `result`
/// (null when the visit left none) its error number and ASP usage.
void note_visit_outcome(system_slot &slot, const visit_result *result, bool processed);

/// The failure token of a failed system in `token`: its error number as a single-profile
/// run prints it (its profile's, 1022 for the time limit, else its visit's), "crash"
/// for a crashed child or a fatal error of SAP's library, "local" for a system that
/// could not be checked for a reason of the probe's own. False for a system that was
/// processed or not found, which has none.
bool failure_token(const system_slot &slot, bounded_text<15> &token);

/// The token of a failure that neither SAP nor a crash explains: the system could not
/// be checked for a reason that lies with the probe (its child's request or result
/// unreadable, its child never started). The one place that names such failures.
const char *local_failure_token(const system_slot &slot);

/// Plans the system channels over the `count` slots of the listing: in listing order,
/// one per entry (an entry listed twice is one), for entries that can name a profile,
/// the first max_system_channels of them (one fewer, and "Missing objects" taken as a
/// name, when `objects` says the summary has that channel); each named after its entry without the
/// extension, or the entry whole when that name is a summary channel's or an earlier
/// system channel's, or the short name with " #2", " #3" ... when that is taken too.
void plan_system_channels(const system_slot *slots, size_t count, system_channel_plan &plan, bool objects = false);

/// Appends the detail to the summary `text`: in the XML flavours how many processed
/// systems were left without a channel (when any), then the failed systems in listing
/// order with their tokens, "; failed: PRD (1014), QAS (1022)", and with objects_mode
/// the processed systems with missing objects and their two sums, "; objects: PRD.P00
/// 3/0"; a text that would pass summary_text_capacity is cut to end in "...".
void append_detail_text(const run_record &run, const system_slot *slots, size_t count,
                        const system_channel_plan &plan, summary_text &text);

/// After the summary channels: in the XML flavours one channel per processed system
/// that has one, its "System ASP used" in per cent with the limits of LIMITS=; in the
/// text flavours one line per system of the listing with its entry, its state and its
/// percentage or token (nothing when Brimtol is asked for one channel's value).
void write_system_detail(run_record &run, const system_slot *slots, size_t count, const system_channel_plan &plan);
