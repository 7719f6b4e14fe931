// The child protocol: what a child receives is what the run sent, any byte of a value
// included, and a message that was cut or tampered with is refused, never half read.
#include "run/child_protocol.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

// Run records are large; tests keep theirs off the stack.
std::unique_ptr<run_record> fresh_run() { return std::unique_ptr<run_record>(new run_record()); }

std::unique_ptr<run_record> sending_run() {
    auto run = fresh_run();
    profile_data &p = run->profile_record;
    p.extcompany.assign("Korvanel Test");
    p.destination.assign("PRD");
    p.client.assign("100");
    p.user.assign("MONITOR");
    // Blanks, a colon, a digit run and a line feed: what a length-prefixed field must carry.
    p.password.assign("my pass:12\nlogon 1:0");
    p.language.assign("EN");
    p.mode.assign("R/3");
    p.hostname.assign("");  // empty values pass as empty, not as missing
    p.sysnr.assign("07");
    p.gwhost.assign("sapgw");
    p.gwservice.assign("sapgw07");
    run->connection_options.r3.sysnr = 7;
    run->parameter_text.assign("Item=Plant North # GIGABYTE");
    run->parameter_string.assign("ITEM=PLANT NORTH # GIGABYTE");
    run->output_flavour.assign("Brimtol");
    run->trace_mode = true;
    run->display_host.assign("saps01");
    return run;
}

visit_handover sample_handover() {
    visit_handover handover;
    handover.mark.assign("4711.12");
    handover.channel = 4294967295ul;  // a handle's value may take all 32 bits
    return handover;
}

std::string encoded_request(const run_record &run, const char *entry, bool logon) {
    child_message message;
    EXPECT_TRUE(encode_visit_request(run, entry, logon, sample_handover(), message));
    return std::string(message.c_str(), message.length);
}

// A child's whole result for the visit 4711.12 of S01.P00: its head, outcome and check.
std::string whole_result(const visit_result &result) {
    child_message message;
    EXPECT_TRUE(encode_result_head(sample_handover(), "S01.P00", message));
    EXPECT_TRUE(encode_visit_result(result, message));
    return std::string(message.c_str(), message.length);
}

result_arrival read_back(const std::string &message, visit_result &result) {
    return decode_visit_result(message.data(), message.size(), "4711.12", "S01.P00", result);
}

// A result whose field `key` has the value `value` in place of its own, with its check
// made anew, so that only the field is at fault.
std::string with_field(const std::string &message, const char *key, const std::string &value) {
    std::string text = message.substr(0, message.size() - strlen("check 8:12345678\n"));
    size_t at = text.find(std::string("\n") + key + " ") + 1;
    size_t end = text.find('\n', at);
    text.replace(at, end - at, std::string(key) + " " + std::to_string(value.size()) + ":" + value);
    // The check is FNV-1a, as the child computes it.
    uint32_t hash = 2166136261u;
    for (unsigned char c : text) hash = (hash ^ c) * 16777619u;
    char check[32];
    snprintf(check, sizeof check, "check 8:%08lx\n", static_cast<unsigned long>(hash));
    return text + check;
}

}  // namespace

TEST(ChildProtocol, RequestArrivesWhole) {
    auto sent = sending_run();
    for (bool logon : {true, false}) {
        std::string message = encoded_request(*sent, "S01.P00", logon);
        auto got = fresh_run();
        bounded_text<file_name_capacity> entry;
        bool got_logon = !logon;
        visit_handover handover;
        ASSERT_TRUE(decode_visit_request(message.data(), message.size(), *got, entry, got_logon, handover));
        EXPECT_STREQ(handover.mark.c_str(), "4711.12");
        EXPECT_EQ(handover.channel, 4294967295ul);
        const profile_data &a = sent->profile_record, &b = got->profile_record;
        EXPECT_STREQ(b.extcompany.c_str(), "Korvanel Test");
        EXPECT_STREQ(b.destination.c_str(), "PRD");
        EXPECT_STREQ(b.client.c_str(), "100");
        EXPECT_STREQ(b.user.c_str(), "MONITOR");
        EXPECT_STREQ(b.password.c_str(), a.password.c_str());
        EXPECT_STREQ(b.language.c_str(), "EN");
        EXPECT_STREQ(b.mode.c_str(), "R/3");
        EXPECT_STREQ(b.hostname.c_str(), "");
        EXPECT_STREQ(b.sysnr.c_str(), "07");
        EXPECT_STREQ(b.gwhost.c_str(), "sapgw");
        EXPECT_STREQ(b.gwservice.c_str(), "sapgw07");
        EXPECT_EQ(got->connection_options.r3.sysnr, 7);
        EXPECT_STREQ(got->parameter_text.c_str(), sent->parameter_text.c_str());
        EXPECT_STREQ(got->parameter_string.c_str(), sent->parameter_string.c_str());
        EXPECT_STREQ(got->output_flavour.c_str(), "Brimtol");
        EXPECT_TRUE(got->trace_mode);
        EXPECT_TRUE(got->multi_system_mode);
        EXPECT_STREQ(got->display_host.c_str(), "saps01");
        EXPECT_STREQ(entry.c_str(), "S01.P00");
        EXPECT_EQ(got_logon, logon);
    }
}

TEST(ChildProtocol, TheChildsBoundsTravelInItsArgument) {
    // A parent id and a time left beyond 32 bits: both pass whole.
    visit_argument argument;
    encode_visit_argument(child_bounds{4194301ul, 5000000000ull}, argument);
    EXPECT_STREQ(argument.c_str(), "--visit-system=4194301,5000000000");
    child_bounds bounds;
    ASSERT_TRUE(decode_visit_argument(argument.c_str(), bounds));
    EXPECT_EQ(bounds.parent_id, 4194301ul);
    EXPECT_EQ(bounds.time_left_ms, 5000000000ull);
    struct {
        const char *argument;
        bool a_child;  // taken as a child's argument at all
    } broken[] = {
        {"--visit-system", true},
        {"--visit-system=", true},
        {"--visit-system=4194301", true},
        {"--visit-system=4194301,", true},
        {"--visit-system=41943-1,5000", true},
        {"--visit-system=4194301,5000 ", true},
        {"--visit-system=4194301,500000000000000000000", true},
        {"--visit-systems=1,2", false},
        {"PRD", false},
    };
    for (const auto &b : broken) {
        EXPECT_EQ(is_visit_argument(b.argument), b.a_child) << b.argument;
        EXPECT_FALSE(decode_visit_argument(b.argument, bounds)) << b.argument;
    }
}

TEST(ChildProtocol, CutOrBrokenRequestIsRefused) {
    auto sent = sending_run();
    std::string whole = encoded_request(*sent, "S01.P00", true);
    // Every shorter message lacks a field or ends inside one.
    for (size_t length = 0; length < whole.size(); ++length) {
        auto got = fresh_run();
        bounded_text<file_name_capacity> entry;
        bool logon = false;
        visit_handover handover;
        EXPECT_FALSE(decode_visit_request(whole.data(), length, *got, entry, logon, handover)) << "cut at " << length;
    }
    struct {
        const char *what;
        const char *from;
        const char *to;
    } damage[] = {
        {"length too long", "destination 3:PRD\n", "destination 9:PRD\n"},
        {"length too short", "destination 3:PRD\n", "destination 2:PRD\n"},
        {"no length", "destination 3:PRD\n", "destination :PRD\n"},
        {"no colon", "destination 3:PRD\n", "destination 3PRD\n"},
        {"flag not 0 or 1", "logon 1:1\n", "logon 1:x\n"},
        {"system number not a number", "carried_sysnr 1:7\n", "carried_sysnr 1:x\n"},
        {"field missing", "flavour 7:Brimtol\n", ""},
        {"channel not a number", "channel 10:4294967295\n", "channel 10:429496729x\n"},
        {"channel beyond 32 bits", "channel 10:4294967295\n", "channel 21:999999999999999999999\n"},
        {"no mark", "mark 7:4711.12\n", "mark 0:\n"},
    };
    for (const auto &d : damage) {
        std::string message = whole;
        size_t at = message.find(d.from);
        ASSERT_NE(at, std::string::npos) << d.what;
        message.replace(at, strlen(d.from), d.to);
        auto got = fresh_run();
        bounded_text<file_name_capacity> entry;
        bool logon = false;
        visit_handover handover;
        EXPECT_FALSE(decode_visit_request(message.data(), message.size(), *got, entry, logon, handover)) << d.what;
    }
}

TEST(ChildProtocol, ValueTooLongForItsFieldIsRefused) {
    child_message message;
    ASSERT_TRUE(put_field(message, "destination", "TWELVE CHARS"));
    char out[13];  // twelve characters and the terminator
    EXPECT_FALSE(get_field(message.c_str(), message.length, "destination", out, 11));
    EXPECT_TRUE(get_field(message.c_str(), message.length, "destination", out, 12));
    EXPECT_STREQ(out, "TWELVE CHARS");
}

TEST(ChildProtocol, ResultArrivesWhole) {
    const visit_outcome outcomes[] = {visit_outcome::processed, visit_outcome::failed,
                                      visit_outcome::identification_failed, visit_outcome::database_mismatch};
    for (visit_outcome outcome : outcomes) {
        visit_result sent;
        sent.outcome = outcome;
        sent.identified = outcome != visit_outcome::identification_failed;
        sent.identified_host.assign("saps02  ");  // RFCHOST keeps its blanks
        sent.database_system.assign("ORACLE");
        sent.text.assign("Error 1012: Exception.: BAD\nNAME <&>\ncheck 8:00000000\n");  // a value cannot end it
        sent.file_error = 122;  // EDQUOT on Linux: any error number passes
        visit_result got;
        ASSERT_EQ(read_back(whole_result(sent), got), result_arrival::complete);
        EXPECT_EQ(got.outcome, outcome);
        EXPECT_EQ(got.identified, sent.identified);
        EXPECT_STREQ(got.identified_host.c_str(), "saps02  ");
        EXPECT_STREQ(got.database_system.c_str(), "ORACLE");
        EXPECT_STREQ(got.text.c_str(), sent.text.c_str());
        EXPECT_EQ(got.file_error, 122);
    }
}

TEST(ChildProtocol, OnlyAWholeResultOfThisVeryVisitIsTaken) {
    visit_result sent;
    sent.outcome = visit_outcome::processed;
    sent.figures.taken = true;
    sent.figures.percent_used = 87;
    std::string whole = whole_result(sent);
    child_message head;
    ASSERT_TRUE(encode_result_head(sample_handover(), "S01.P00", head));
    // Cut anywhere: before the end of its head nothing of the visit arrived, after it the
    // visit had begun; only the whole message is complete.
    for (size_t length = 0; length <= whole.size(); ++length) {
        visit_result got;
        result_arrival expected = length < head.length     ? result_arrival::none
                                  : length < whole.size() ? result_arrival::begun
                                                          : result_arrival::complete;
        EXPECT_EQ(read_back(whole.substr(0, length), got), expected) << "cut at " << length;
    }
    visit_result got;
    struct {
        const char *what;
        std::string message;
        result_arrival expected;
    } cases[] = {
        {"another visit's", whole, result_arrival::none},
        {"a byte changed", whole, result_arrival::begun},
        {"bytes of another writer after it", whole + "mark 1:x\n", result_arrival::begun},
        {"a figure spoilt under a sound check", with_field(whole, "figures", "0 1 8x 0 0"), result_arrival::begun},
        {"an unknown outcome under a sound check", with_field(whole, "outcome", "faulty"), result_arrival::begun},
        {"no error number under a sound check", with_field(whole, "file_error", ""), result_arrival::begun},
        {"the same fields, checked anew", with_field(whole, "outcome", "processed"), result_arrival::complete},
    };
    cases[0].message.replace(cases[0].message.find("4711.12"), 7, "4711.13");
    cases[1].message[cases[1].message.find("87")] = '9';
    for (const auto &c : cases) EXPECT_EQ(read_back(c.message, got), c.expected) << c.what;
    EXPECT_EQ(decode_visit_result(whole.data(), whole.size(), "4711.12", "S02.P00", got), result_arrival::none)
        << "another system's";
}

TEST(ChildProtocol, ResultBringsTheFiguresAndTheErrorNumberHome) {
    visit_result sent;
    sent.outcome = visit_outcome::processed;
    sent.error_number = 0;
    sent.figures.taken = true;
    sent.figures.percent_used = 99;
    sent.figures.system_asp_megabytes = 9999999999LL;  // beyond 32 bits, as the packed fields allow
    sent.figures.total_asp_megabytes = -1;
    visit_result got;
    ASSERT_EQ(read_back(whole_result(sent), got), result_arrival::complete);
    EXPECT_TRUE(got.figures.taken);
    EXPECT_EQ(got.figures.percent_used, 99);
    EXPECT_EQ(got.figures.system_asp_megabytes, 9999999999LL);
    EXPECT_EQ(got.figures.total_asp_megabytes, -1);

    sent = visit_result{};
    sent.error_number = 1014;
    std::string message = whole_result(sent);
    ASSERT_EQ(read_back(message, got), result_arrival::complete);
    EXPECT_EQ(got.error_number, 1014);
    EXPECT_FALSE(got.figures.taken);

    // A figure that is no whole number, or an error number no message has, is refused.
    for (std::string bad : {"1014 0 9x 0 0", "1014 0 0 0", "1014 0 0 0 0 1", "10140 0 0 0 0", "-1 0 0 0 0",
                            "1014 2 0 0 0", "1014 0  0 0 0", "1014 0 - 0 0"}) {
        visit_result got;
        EXPECT_EQ(read_back(with_field(message, "figures", bad), got), result_arrival::begun) << bad;
        // The same message with a sound field is read: only the figures were at fault.
        ASSERT_EQ(read_back(with_field(message, "figures", "1014 1 7 8 -9"), got), result_arrival::complete) << bad;
        EXPECT_EQ(got.figures.total_asp_megabytes, -9);
    }
}

TEST(ChildProtocol, ObjectsOptionGoesOutAndItsSumsComeHome) {
    run_record run{};
    run.objects_mode = true;
    std::string request = encoded_request(run, "PRD.P00", true);
    run_record child{};
    bounded_text<file_name_capacity> entry;
    bool logon = false;
    visit_handover handover;
    ASSERT_TRUE(decode_visit_request(request.data(), request.size(), child, entry, logon, handover));
    EXPECT_TRUE(child.objects_mode);

    visit_result sent;
    sent.figures.objects_counted = true;
    sent.figures.missing_in_database = 3;
    sent.figures.unknown_to_dictionary = 5000000000LL;  // four counts of 32 bits add up beyond
    std::string whole = whole_result(sent);
    visit_result got;
    ASSERT_EQ(read_back(whole, got), result_arrival::complete);
    EXPECT_TRUE(got.figures.objects_counted);
    EXPECT_EQ(got.figures.missing_in_database, 3);
    EXPECT_EQ(got.figures.unknown_to_dictionary, 5000000000LL);

    // A sum that no count gives, or a flag that is neither 0 nor 1, is refused even under a sound check.
    for (std::string bad : {"1 -1 0", "2 0 0", "1 0", "1 0 0 0", "1 x 0"})
        EXPECT_EQ(read_back(with_field(whole, "objects", bad), got), result_arrival::begun) << bad;
}
