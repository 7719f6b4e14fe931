// The run record: everything one process knows about its run, in one place. The
// driver creates it zeroed at start-up and every operation of the program reads
// and writes the fields it names here; nothing else keeps state between steps.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>

#include "core/profile_record.h"
#include "core/librfc32.h"
#include "core/bounded_text.h"
#include "core/rfc_library_description.h"

constexpr size_t parameter_capacity = 127;        // the joined parameter arguments
constexpr size_t file_name_capacity = 63;         // a profile or listing file name
// The installation directory that "C:\PRTG_Path.Txt" may name, and what the profile
// search appends below it: "PRTG Network Monitor\Custom Sensors\ExeXml\" (43) and then
// "Custom Sensors\ExeXml\" (22), which the search may take one after the other.
constexpr size_t path_file_directory_limit = 100;  // without the backslash that ends it
constexpr size_t directory_capacity = path_file_directory_limit + 1 + 43 + 22;  // with its trailing backslash
// The document: room for the largest answer a run writes whole, a listing's summary
// with its text at PRTG's 2000 characters and a channel per system, every name and
// the text in character references at worst.
constexpr size_t output_buffer_capacity = 65535;  // 64 KiB with the terminator
constexpr size_t summary_text_capacity = 2000;    // a listing's summary text: what PRTG shows of a text
constexpr size_t system_listing_capacity = 2047;  // the entries of a multi-system run
constexpr size_t message_capacity = 255;          // one error message: a fixed text and a full path
constexpr size_t entry_line_capacity = 2047;      // a listing line, read whole up to the listing's capacity

// An error message handed back by a step to the run driver, which makes it the document.
typedef bounded_text<message_capacity> run_message;

// The library's logon records and the texts they point to. They live as long as the
// process: every open refills the texts and the record of the chosen mode, while the
// other mode's record and an unset system number keep their earlier values.
struct connection_options_record {
    RFC_OPTIONS options{};
    RFC_CONNOPT_R3ONLY r3{};
    RFC_CONNOPT_CPIC cpic{};
    bounded_text<11> destination;
    bounded_text<11> client;
    bounded_text<47> user;      // blank-padded to 12 characters
    bounded_text<31> password;  // blank-padded to 10 characters
    bounded_text<31> language;
    bounded_text<parameter_capacity> hostname;  // the profile's, or the ",HOST=" override
    bounded_text<61> gwhost;
    bounded_text<31> gwservice;
};

// Structures installed in the library, 0 until installed; they serve every later
// call of the process, on any connection.
struct structure_handle_record {
    RFC_TYPEHANDLE rfcsi{};
    RFC_TYPEHANDLE db02infdb4{};
    RFC_TYPEHANDLE missobj{};
};

// The limits PRTG checks a channel's value against: above max_warning the sensor turns
// yellow, above max_error red. Only the limits that are set are written.
struct channel_limits {
    bool has_max_warning = false;
    long max_warning = 0;
    bool has_max_error = false;
    long max_error = 0;
};

// The three figures of a successful measurement, whole numbers as the channels show
// them; the sizes in megabytes. With OBJECTS=YES also the database's missing objects.
struct measured_figures {
    bool taken = false;
    int64_t percent_used = 0;
    int64_t system_asp_megabytes = 0;
    int64_t total_asp_megabytes = 0;
    bool objects_counted = false;     // OBJECTS=YES: the two sums below were taken
    int64_t missing_in_database = 0;  // the four _MIS_DB counts: known to the dictionary, lacking in the database
    int64_t unknown_to_dictionary = 0;  // the four _MIS_DD counts: in the database, unknown to the dictionary
};

// The RFC-level steps of a run, in their order; the time-limit message names them.
enum run_step : int { step_logon, step_system_info, step_measurement };

// The step under way: the watchdog thread reads it while the run moves on, so it is
// atomic; copies of a record (tests make them) take its value.
struct watched_step {
    std::atomic<int> value{step_logon};
    watched_step() = default;
    watched_step(const watched_step &other) : value(other.value.load()) {}
    watched_step &operator=(const watched_step &other) {
        value.store(other.value.load());
        return *this;
    }
};

struct run_record {
    bounded_text<8> time_of_day;                  // local time hh:mm:ss, refreshed at the trace moments
    bounded_text<123> trace_line;                 // the console trace line being prepared
    // What the RFC library said of itself when trace mode printed it: the bridge adds
    // later what the calls needed, and the line is printed again when that changed.
    bounded_text<rfc_library_description_capacity> rfc_library_said;
    bounded_text<parameter_capacity> parameter_string;  // parameter arguments, a-z upper-cased
    bounded_text<parameter_capacity> parameter_text;    // parameter arguments as given
    bool trace_mode{};                              // parameter text holds "#", "@", "$" or "%"
    bool multi_system_mode{};                       // run over a listing instead of one profile
    bounded_text<90> item_label;                  // label of the multi-system summary
    // The profile argument is held whole (directory and name) until profile location
    // splits it; afterwards it is the file name alone.
    bounded_text<directory_capacity + file_name_capacity> profile_name;
    bounded_text<directory_capacity> profile_directory;  // where the profile was found, "" or ending in "\"
    bounded_text<directory_capacity + file_name_capacity> profile_path;  // directory and name joined
    FILE *profile_file{};                         // the open profile, between location and reading
    profile_data profile_record;                  // logon data read from the profile
    unsigned char password_key[32]{};               // key of the stored passwords, built at start-up
    bounded_text<191> password_note;              // why the last profile gave no usable user or password (trace mode)
    bounded_text<15> output_flavour;              // "EXEXML" or another output flavour
    bounded_text<output_buffer_capacity> output_buffer;  // the standard-output document being built
    int32_t result_count{};                         // results written so far
    RFC_ENV rfc_environment{};                      // error handler and allocator given to the library
    RFC_HANDLE rfc_handle{};                        // the open connection, 0 when none
    connection_options_record connection_options;   // what the last open passed to the library
    structure_handle_record structure_handles;      // installed structures
    bounded_text<3> run_status;                   // "ERR" or "OK" of the current RFC-level step
    int32_t call_result{};                          // return code of the last RFC-level step
    bounded_text<47> display_host;                // host shown in trace lines
    bounded_text<10> database_system;             // database system reported by the SAP system
    bounded_text<system_listing_capacity> system_listing;  // "NAME#NAME#..." of a multi-system run
    bounded_text<parameter_capacity> entry_text;  // the selected entry line of the global listing
    channel_limits asp_limits;                    // LIMITS= for "System ASP used"; none when not asked
    bool detail_mode{};                             // DETAIL=YES: a listing's summary names its systems
    bool objects_mode{};                            // OBJECTS=YES: the database's missing objects are reported too
    measured_figures figures;                       // the last successful measurement's figures
    bounded_text<entry_line_capacity> entry_line;  // the same line uncut, where its options are read
    unsigned timeout_seconds{};                     // TIMEOUT=: the time budget from process start, 0 for none
    unsigned parallel_systems{};                    // PARALLEL=: systems a multi-system run visits at once
    uint64_t deadline{};                            // host clock (ms) at which the budget ends; 0 for none
    watched_step current_step;                      // the RFC step under way, read by the watchdog
    bool trace_file_noted{};                        // "Dev_Rfc.Trc" was there before the logon
    uint64_t trace_file_size{};                     // its size then: the diagnosis reads only what follows
};
