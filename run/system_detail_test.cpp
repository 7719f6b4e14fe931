// The detail of a listing's summary: channel names that stay the same whatever the
// systems did and however the listing is reordered or grown, the 46 channels PRTG
// leaves room for, the failure tokens, the text cut at PRTG's limit, and the largest
// answer written whole.
#include "run/system_detail.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/exit_status.h"
#include "output/prtg_writer.h"

namespace {

// Slots and plans are large; tests keep theirs off the stack.
struct listing {
    std::unique_ptr<system_slot[]> slots{new system_slot[max_systems]()};
    std::unique_ptr<system_channel_plan> plan{new system_channel_plan()};
    size_t count = 0;

    system_slot &add(const std::string &entry, bool processed, int64_t percent = 0) {
        system_slot &slot = slots[count++];
        slot.kind = slot_kind::child;
        slot.state = slot_state::ended;
        slot.entry.assign(entry.c_str());
        slot.outcome.processed = processed;
        slot.outcome.percent_used = percent;
        return slot;
    }
    void plan_channels(size_t places = max_system_channels) { plan_system_channels(slots.get(), count, places, *plan); }
    // The name of each slot's channel, "-" without one.
    std::string channel_name(size_t slot) const {
        int channel = plan->channel_of[slot];
        return channel == channel_none ? "-" : plan->names[channel].c_str();
    }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (size_t i = 0; i < plan->count; ++i) out.push_back(plan->names[i].c_str());
        return out;
    }
};

std::unique_ptr<run_record> xml_run() {
    std::unique_ptr<run_record> run(new run_record());
    run->output_flavour.assign("EXEXML");
    return run;
}

std::string token_of(const system_slot &slot) {
    bounded_text<15> token;
    return failure_token(slot, token) ? token.c_str() : "-";
}

size_t occurrences(const std::string &text, const std::string &part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

}  // namespace

TEST(SystemDetail, ChannelNamesDependOnTheEntryAlone) {
    // Every entry's channel name, whatever else is listed and in whatever order.
    const std::map<std::string, std::string> expected = {
        {"PRD.P00", "PRD.P00"},
        {"prd.p00", "PRD.P00"},          // the same file: one channel, the spelling that sorts first
        {"PRD.P01", "PRD.P01"},          // differs in the extension alone: a channel of its own
        {"PRD", "PRD"},
        {"Failed", "Failed #2"},         // a summary channel's name, in any letter case
        {"not found", "not found #2"},
        {"MISSING OBJECTS", "MISSING OBJECTS #2"},  // the OBJECTS=YES summary channel, option on or off
        {"Failed.P00", "Failed.P00"},
        {"QAS.P00", "QAS.P00"},
        {"sub\\X.Y.P00", "sub\\X.Y.P00"},
        {".P00", ".P00"},
        {"PR\xdc" "F.P00", "PR\xdc" "F.P00"},         // Ü in Windows-1252
        {"pr\xc3\xbc" "f.p00", "PR\xdc" "F.P00"},     // ü in UTF-8: the same file
        {"DEMO.P00", "DEMO.P00"},
        {"DEMO.P01", "DEMO.P01"},
    };
    const std::vector<std::vector<std::string>> listings = {
        {"PRD.P00", "Failed.P00", "PRD.P01", "PRD", "prd.p00", "Failed", "QAS.P00", "QAS.P00", "sub\\X.Y.P00", ".P00",
         "not found", "PR\xdc" "F.P00", "pr\xc3\xbc" "f.p00", "DEMO.P00", "DEMO.P01"},
        // reversed
        {"DEMO.P01", "DEMO.P00", "pr\xc3\xbc" "f.p00", "PR\xdc" "F.P00", "not found", ".P00", "sub\\X.Y.P00", "QAS.P00",
         "QAS.P00", "Failed", "prd.p00", "PRD", "PRD.P01", "Failed.P00", "PRD.P00"},
        // entries removed: the short names that collided stand alone now
        {"PRD.P01", "DEMO.P01", "PRD.P00", "PR\xdc" "F.P00"},
        {"PRD", "DEMO.P00", "Failed"},
        // entries added in front and between
        {"DEMO.P01", "PRD.P00", "DEMO.P00", "PRD", "prd.p00", "PRD.P01", "QAS.P00", "not found", "Failed.P00"},
    };
    for (const auto &entries : listings) {
        for (bool processed : {true, false}) {
            listing l;
            for (const auto &entry : entries) l.add(entry, processed);
            l.plan_channels();
            std::map<std::string, int> channels;
            for (size_t i = 0; i < l.count; ++i) {
                EXPECT_EQ(l.channel_name(i), expected.at(entries[i])) << entries[i] << " in a listing of " << l.count;
                channels[l.channel_name(i)] = l.plan->channel_of[i];
            }
            // One channel per name, and no two names alike in any letter case.
            EXPECT_EQ(channels.size(), l.plan->count);
            for (size_t a = 0; a < l.plan->count; ++a)
                for (size_t b = a + 1; b < l.plan->count; ++b)
                    EXPECT_STRCASENE(l.plan->names[a].c_str(), l.plan->names[b].c_str());
        }
    }
    // Listed in one spelling alone, a system takes that spelling: only its letter case
    // can follow what else is listed.
    listing alone;
    alone.add("prd.p00", true);
    alone.plan_channels();
    EXPECT_EQ(alone.channel_name(0), "prd.p00");
}

TEST(SystemDetail, FortySixPlacesAndTheRestNamedOnce) {
    listing l;
    l.add("", false).kind = slot_kind::skipped;  // an empty entry can name no profile
    l.add(std::string(70, 'L') + ".P00", false).kind = slot_kind::unusable_name;
    for (int n = 1; n <= 60; ++n) l.add("S" + std::to_string(n) + ".P00", n != 50);  // S50 failed
    l.add("s60.p00", true);  // listed again beyond the channels: still one system
    l.add("S3.P00", true);   // listed again with a channel
    l.plan_channels();
    ASSERT_EQ(l.plan->count, max_system_channels);
    EXPECT_EQ(l.names().front(), "S1.P00");
    EXPECT_EQ(l.names().back(), "S46.P00");
    EXPECT_EQ(l.plan->channel_of[0], channel_none);
    EXPECT_EQ(l.plan->channel_of[1], channel_none);

    auto run = xml_run();
    summary_text text;
    text.assign("(***) P: NoSystems=64, Processed=61, Failed=3");
    append_detail_text(*run, l.slots.get(), l.count, *l.plan, text);
    // S47 to S60 without S50, which failed: 13, each once.
    std::string without = "; 13 without a channel (PRTG takes 50): S47.P00, S48.P00, S49.P00";
    for (int n = 51; n <= 60; ++n) without += ", S" + std::to_string(n) + ".P00";
    EXPECT_EQ(std::string(text.c_str()),
              "(***) P: NoSystems=64, Processed=61, Failed=3; failed: " + std::string(70, 'L') +
                  ".P00 (local), S50.P00 (local); not found: (empty)" + without);

    l.slots[2].outcome.processed = false;  // S1 failed in this run: its channel is a gap
    write_system_detail(*run, l.slots.get(), l.count, *l.plan);
    std::string document = run->output_buffer.c_str();
    EXPECT_EQ(occurrences(document, "<Result>"), 45u);
    EXPECT_EQ(document.find("<Channel>S1.P00</Channel>"), std::string::npos);
    EXPECT_EQ(occurrences(document, "<Channel>S3.P00</Channel>"), 1u);

    // A summary with a channel more of its own leaves a place fewer.
    l.plan_channels(max_system_channels - 1);
    EXPECT_EQ(l.plan->count, max_system_channels - 1);
    EXPECT_EQ(l.channel_name(47), "-");  // S46
}

TEST(SystemDetail, FailureTokens) {
    listing l;
    struct {
        const char *name;
        void (*set)(system_slot &);
        const char *token;
    } cases[] = {
        {"processed", [](system_slot &s) { s.outcome.processed = true; }, "-"},
        {"not found", [](system_slot &s) { s.kind = slot_kind::skipped; }, "-"},
        {"profile defect", [](system_slot &s) { s.outcome.profile_error = 1005; s.outcome.error_number = 1014; }, "1005"},
        {"no connection", [](system_slot &s) { s.outcome.error_number = 1011; }, "1011"},
        {"refused logon", [](system_slot &s) { s.outcome.error_number = 1014; }, "1014"},
        {"time limit", [](system_slot &s) { s.state = slot_state::given_up; }, "1022"},
        {"a profile defect before the time limit", [](system_slot &s) { s.state = slot_state::given_up; s.outcome.profile_error = 1003; }, "1003"},
        {"crashed child", [](system_slot &s) { s.end = child_end::crashed; }, "crash"},
        {"library's fatal error", [](system_slot &s) { s.status = exit_rfc_abort; }, "crash"},
        {"ended during its visit (the library's exit, a sanitizer)", [](system_slot &s) { s.end = child_end::exited; s.status = 67; s.outcome.ended_in_visit = true; }, "crash"},
        {"ended before its visit began", [](system_slot &s) { s.end = child_end::exited; s.status = 3; s.outcome.local_failure = true; }, "local"},
        {"a status alone never makes a crash", [](system_slot &s) { s.end = child_end::exited; s.status = 198; }, "local"},
        {"child never started", [](system_slot &s) { s.end = child_end::crashed; s.outcome.local_failure = true; }, "local"},
        {"result unreadable", [](system_slot &) {}, "local"},
        {"unusable name", [](system_slot &s) { s.kind = slot_kind::unusable_name; }, "local"},
        {"in-process call failure", [](system_slot &s) { s.kind = slot_kind::in_process; s.state = slot_state::waiting; s.outcome.error_number = 1012; }, "1012"},
    };
    for (const auto &c : cases) {
        system_slot &slot = l.add("X.P00", false);
        c.set(slot);
        EXPECT_EQ(token_of(slot), c.token) << c.name;
    }
}

TEST(SystemDetail, TextNamesTheFailedAndNotFoundInListingOrder) {
    listing l;
    l.add("PRD.P00", true, 87);
    l.add("LCK.P00", false).outcome.error_number = 1014;
    l.add("GONE.P00", false).kind = slot_kind::skipped;
    l.add("QAS.P00", false).state = slot_state::given_up;
    l.plan_channels();
    auto run = xml_run();
    summary_text text;
    text.assign("(***) Plant: NoSystems=4, Processed=1, Failed=2");
    append_detail_text(*run, l.slots.get(), l.count, *l.plan, text);
    EXPECT_STREQ(text.c_str(), "(***) Plant: NoSystems=4, Processed=1, Failed=2; failed: LCK.P00 (1014), QAS.P00 (1022)"
                               "; not found: GONE.P00");

    listing none;
    none.add("PRD.P00", true, 87);
    none.plan_channels();
    text.assign("(***) Plant: NoSystems=1, Processed=1, Failed=0");
    append_detail_text(*run, none.slots.get(), none.count, *none.plan, text);
    EXPECT_STREQ(text.c_str(), "(***) Plant: NoSystems=1, Processed=1, Failed=0");
}

TEST(SystemDetail, LongTextIsCutAtPrtgsLimitNeverInsideACharacter) {
    // Names of two-byte UTF-8 characters, shifted by one byte in turn, so that the cut
    // falls inside a character for one of the lengths.
    for (size_t shift = 0; shift < 2; ++shift) {
        listing l;
        for (int n = 0; n < 60; ++n) {
            std::string name = std::string(shift, 'a');
            for (int k = 0; k < 25; ++k) name += "\xc3\xbc";
            l.add(name + std::to_string(n) + ".P00", false).outcome.error_number = 1011;
        }
        l.plan_channels();
        auto run = xml_run();
        summary_text text;
        text.assign("(***) Plant: NoSystems=60, Processed=0, Failed=60");
        append_detail_text(*run, l.slots.get(), l.count, *l.plan, text);
        std::string shown = text.c_str();
        EXPECT_LE(shown.size(), summary_text_capacity);
        EXPECT_GE(shown.size(), summary_text_capacity - 4);
        ASSERT_EQ(shown.substr(shown.size() - 3), "...");
        unsigned char before = static_cast<unsigned char>(shown[shown.size() - 4]);
        EXPECT_TRUE(before < 0x80 || (before & 0xC0) == 0x80) << "a character cut in half at shift " << shift;
        if ((before & 0xC0) == 0x80) {
            EXPECT_EQ(static_cast<unsigned char>(shown[shown.size() - 5]), 0xc3);
        }
    }
}

TEST(SystemDetail, LargestAnswerIsWrittenWhole) {
    // 46 system channels with limits and names of ANSI characters that each become a
    // character reference, the largest text PRTG takes of the same characters, and the
    // four counts: the answer a listing writes at its very largest.
    listing l;
    for (int n = 0; n < 46; ++n) {
        std::string name(56, '\xe9');
        char number[8];
        snprintf(number, sizeof number, "%03d", n);
        l.add(name + number + ".P00", true, 100);
    }
    for (int n = 0; n < 40; ++n) l.add(std::string(59, '\xe9') + ".P00", false).outcome.error_number = 1011;
    l.plan_channels();
    auto run = xml_run();
    run->asp_limits.has_max_warning = run->asp_limits.has_max_error = true;
    run->asp_limits.max_warning = 90;
    run->asp_limits.max_error = 95;

    summary_text text;
    text.assign("(***) Plant: NoSystems=86, Processed=46, Failed=40");
    append_detail_text(*run, l.slots.get(), l.count, *l.plan, text);
    // Full, but for a byte that a cut UTF-8 character would have left.
    ASSERT_GE(text.length, summary_text_capacity - 1);
    ASSERT_LE(text.length, summary_text_capacity);
    open_document(*run);
    open_text(*run);
    append_text(*run, text.c_str());
    close_text(*run);
    channel_limits failed_limits;
    failed_limits.has_max_error = true;
    for (const char *channel : {"Systems", "Processed", "Failed", "Not found"})
        write_count_result(*run, channel, 86, &failed_limits);
    write_system_detail(*run, l.slots.get(), l.count, *l.plan);
    close_document(*run);

    std::string document = run->output_buffer.c_str();
    EXPECT_GT(document.size(), 4096u * 8) << "the test must need far more than the old buffer";
    EXPECT_FALSE(run->output_buffer.cut);
    EXPECT_EQ(run->result_count, 50);
    EXPECT_EQ(occurrences(document, "<Result>"), 50u);
    EXPECT_EQ(occurrences(document, "<LimitMaxError>95</LimitMaxError>"), 46u);
    // The whole text made it, every character of it a reference.
    size_t text_start = document.find("<Text>") + 6;
    std::string shown = document.substr(text_start, document.find("</Text>") - text_start);
    EXPECT_EQ(occurrences(shown, "&#233;"), occurrences(text.c_str(), "\xe9"));
    EXPECT_EQ(shown.substr(shown.size() - 3), "...");
    EXPECT_EQ(document.substr(document.size() - 9), "\n</Prtg>\n");
}

TEST(SystemDetail, TextFlavoursLineUpEverySystem) {
    listing l;
    l.add("PRD.P00", true, 87);
    l.add("LCK.P00", false).outcome.error_number = 1014;
    l.add("GONE.P00", false).kind = slot_kind::skipped;
    l.plan_channels();
    struct {
        const char *flavour;
        const char *parameters;
        const char *lines;
    } cases[] = {
        {"Brimtol", "", "\n> PRD.P00: Processed 87 %\n> LCK.P00: Failed 1014\n> GONE.P00: Not found"},
        {"Gantries", "",
         "\nSystem.PRD_P00: PRD.P00 Processed 87 %\nSystem.LCK_P00: LCK.P00 Failed 1014"
         "\nSystem.GONE_P00: GONE.P00 Not found"},
        {"Brimtol", "CH=1", ""},  // Brimtol asked for one value: nothing beyond it
    };
    for (const auto &c : cases) {
        std::unique_ptr<run_record> run(new run_record());
        run->output_flavour.assign(c.flavour);
        run->parameter_string.assign(c.parameters);
        write_system_detail(*run, l.slots.get(), l.count, *l.plan);
        EXPECT_STREQ(run->output_buffer.c_str(), c.lines) << c.flavour << " " << c.parameters;
        EXPECT_EQ(run->result_count, 0);
    }
}

TEST(SystemDetail, MessageNumbers) {
    EXPECT_EQ(message_error_number("Error 1005: Wrong Password in Profile X found..."), 1005);
    EXPECT_EQ(message_error_number("Error 10x1: ProFile X is missing..."), 0);
    EXPECT_EQ(message_error_number(""), 0);
    EXPECT_EQ(message_error_number("Error 1005 no colon"), 0);
}

// OBJECTS=YES: the summary's fifth channel leaves 45 places to the systems, and the
// text names last the processed systems with missing objects and their two sums.
TEST(SystemDetail, MissingObjectsNamedWithTheirSums) {
    listing l;
    for (int n = 1; n <= 50; ++n) l.add("S" + std::to_string(n) + ".P00", true);
    l.slots[0].outcome.missing_in_database = 3;    // S1
    l.slots[1].outcome.unknown_to_dictionary = 2;  // S2
    system_slot &failed = l.add("S99.P00", false);
    failed.outcome.missing_in_database = 7;  // counts of no processed system: not named
    plan_system_channels(l.slots.get(), l.count, max_system_channels - 1, *l.plan);
    ASSERT_EQ(l.plan->count, 45u);
    EXPECT_EQ(l.names().back(), "S45.P00");
    EXPECT_TRUE(has_missing_objects(l.slots[0]));
    EXPECT_FALSE(has_missing_objects(failed));

    auto run = xml_run();
    run->objects_mode = true;
    summary_text text;
    text.assign("(***) North: NoSystems=51");
    append_detail_text(*run, l.slots.get(), l.count, *l.plan, text);
    std::string shown = text.c_str();
    const std::string objects = "; objects: S1.P00 3/0, S2.P00 0/2";
    ASSERT_GE(shown.size(), objects.size());
    EXPECT_EQ(shown.substr(shown.size() - objects.size()), objects);
    EXPECT_NE(shown.find("; 5 without a channel (PRTG takes 50): S46.P00"), std::string::npos);

    // Without the option the same listing names no objects.
    run->objects_mode = false;
    text.assign("(***)");
    append_detail_text(*run, l.slots.get(), l.count, *l.plan, text);
    EXPECT_EQ(std::string(text.c_str()).find("objects:"), std::string::npos);
}
