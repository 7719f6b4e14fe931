// What a multi-system run and the child that visits one system tell each other: the
// logon data going in (through the child's standard input) and the outcome coming
// back (through the child's result channel, a pipe, so that a full disk cannot lose
// it). Each field is written as "key length:bytes\n", so any byte of a value, a line
// feed included, passes unchanged.
#pragma once

#include "core/run_record.h"

typedef bounded_text<8191> child_message;

/// The step a child was at, as it notes it in its folder; what a system that had not
/// begun is waiting for.
constexpr const char *step_not_begun = "waiting to start";

/// How the visit of one system ended, as the multi-system run counts it.
enum class visit_outcome {
    processed,              // identified as DB4 and measured
    failed,                 // no logon, or the measurement failed: counted failed, the run goes on
    identification_failed,  // RFC_SYSTEM_INFO failed: ends the run with its text (failed with DETAIL=YES)
    database_mismatch,      // not on DB4: ends the run with error 1018 (failed with DETAIL=YES)
};

/// The error text a visit leaves: a failed step's message and the library's words,
/// far below a document's size, and so kept small, since every system's result is
/// made and read whole.
constexpr size_t visit_text_capacity = 4095;

/// What a child hands back.
struct visit_result {
    visit_outcome outcome{visit_outcome::failed};
    bool identified{};                             // RFC_SYSTEM_INFO answered
    bounded_text<47> identified_host;              // the application server it named
    bounded_text<10> database_system;              // the database system it named
    bounded_text<visit_text_capacity> text;        // error text left in output_buffer
    int error_number{};                            // the failure's message number (1011 to 1015, 1018), 0 for none
    measured_figures figures;                      // what a successful measurement found
    int file_error{};                              // why the child's own files could not be written (errno), 0: they could
};

/// Who a result belongs to: the visit's mark, which the run gives each child it starts,
/// and the result channel's number in the child.
struct visit_handover {
    bounded_text<31> mark;   // "<run's process>.<visit number>"
    unsigned long channel{};
};

/// Appends the field `key` with `value` to `out`; false when it does not fit.
bool put_field(child_message &out, const char *key, const char *value);

/// Copies the value of the first field `key` of `message` (`count` bytes) into `out`
/// (at most `capacity` characters, terminated); false when the field is missing, the
/// message is malformed or the value does not fit.
bool get_field(const char *message, size_t count, const char *key, char *out, size_t capacity);

/// Who started a child and how long it may live.
struct child_bounds {
    unsigned long parent_id{};   // the run's process
    uint64_t time_left_ms{};     // from the start of the child; 0: no limit
};

/// Writes what a child needs to visit the system whose profile is in run: the profile
/// record (plain password included), the library's system number as carried over,
/// parameter text and string, flavour, trace switch, display host, the entry and
/// whether it may log on at all, and OBJECTS=. False when it does not fit.
bool encode_visit_request(const run_record &run, const char *entry, bool logon, const visit_handover &handover,
                          child_message &out);

/// Reads a request into run (profile record, connection options' system number,
/// parameters, flavour, trace, objects and multi-system switches, display host) and `entry`;
/// false when a field is missing or malformed.
bool decode_visit_request(const char *message, size_t count, run_record &run, bounded_text<file_name_capacity> &entry,
                          bool &logon, visit_handover &handover);

/// The argument with which a multi-system run starts a child; PRTG never passes it.
constexpr const char *visit_system_argument = "--visit-system";
/// A child's whole argument: visit_system_argument, "=", the run's process and the
/// time the child may live ("--visit-system=4711,62000"). The child reads its bounds
/// there before it waits for its request, so that a run stopped or killed before it
/// wrote the request still takes the child with it.
typedef bounded_text<64> visit_argument;
void encode_visit_argument(const child_bounds &bounds, visit_argument &out);
/// True when `argument` begins as a child's argument, whether or not its bounds can be read.
bool is_visit_argument(const char *argument);
/// Reads the bounds of a child's argument; false when they are missing or malformed.
bool decode_visit_argument(const char *argument, child_bounds &bounds);

/// A child's result is sent in two parts: its head, the visit's mark and entry, as soon
/// as the child has read its request and before it calls the library; then the outcome,
/// ending in a check of every byte before it. A result that stops after its head was
/// cut short during the visit; one whose head is not this visit's is not its result.
bool encode_result_head(const visit_handover &handover, const char *entry, child_message &out);
/// Appends a visit's outcome and the closing check to the head in `out`; false when it
/// does not fit.
bool encode_visit_result(const visit_result &result, child_message &out);

/// How much of its result a child handed back.
enum class result_arrival {
    none,      // nothing of this visit: the child never began it
    begun,     // its head alone, or a result cut short or spoilt: it ended during the visit
    complete,  // whole, checked, and of this visit
};
/// Reads what a child wrote to its channel as the result of the visit `mark` of `entry`.
result_arrival decode_visit_result(const char *message, size_t count, const char *mark, const char *entry,
                                   visit_result &result);

/// Files of ours in a child's folder: its console output and the step it is at.
constexpr const char *child_console_name = "Korvanel.console";
constexpr const char *child_progress_name = "Korvanel.progress";
