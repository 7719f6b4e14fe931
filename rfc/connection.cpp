// Opening the RFC connection; see connection.h. The options record points only at
// texts owned by the run record, so the library sees the same values for as long as
// the process lives, and nothing is allocated.
#include "rfc/connection.h"

#include <climits>
#include <cstring>

#include "host/host.h"
#include "core/options.h"
#include "rfc/rfc_library.h"

namespace {

constexpr size_t user_padding = 12;
constexpr size_t password_padding = 10;

template <size_t Capacity>
void pad_with_blanks(bounded_text<Capacity> &text, size_t width) {
    while (text.length < width && text.append_char(' ')) {
    }
}

// The library takes mutable texts; an empty one is passed as absent.
template <size_t Capacity>
char *text_or_absent(bounded_text<Capacity> &text) {
    return text.empty() ? nullptr : text.data;
}

// Leading decimal digits as a number (none: 0); a value past int's range stops there.
int leading_number(const char *text) {
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > INT_MAX) return INT_MAX;
    }
    return static_cast<int>(value);
}

// Overwrites a text that held a password, in a way the compiler cannot drop.
void wipe(char *text, size_t size) {
    volatile char *bytes = text;
    for (size_t i = 0; i < size; ++i) bytes[i] = '\0';
}

// Copies the destination file into "SapRfc.ini"; false when that could not be done
// completely, so that the library never reads a partial file.
bool copy_to_ini_file(FILE *destination_file) {
    FILE *ini = host_create_write("SapRfc.ini");
    if (ini == nullptr) return false;
    bool whole = true;
    char block[4096];
    size_t count;
    while ((count = fread(block, 1, sizeof block, destination_file)) > 0) {
        if (fwrite(block, 1, count, ini) != count) {
            whole = false;
            break;
        }
    }
    if (ferror(destination_file)) whole = false;
    if (fclose(ini) != 0) whole = false;
    return whole;
}

// Appends `id` and a value of the connect string. The library splits the string at
// blanks, so a value with a blank (a password such as "my pass") goes in double quotes,
// as does one that opens with a quote; such a value that holds a quote itself cannot be
// written at all (false), rather than letting its rest pass for further settings.
bool append_connect_value(bounded_text<255> &out, const char *id, const char *value) {
    bool quoted = strchr(value, ' ') != nullptr || value[0] == '"';
    if (quoted && strchr(value, '"') != nullptr) return false;
    return out.append_format(quoted ? "%s\"%s\"" : "%s%s", id, value);
}

}  // namespace

void fill_connection_options(run_record &run) {
    const profile_data &profile = run.profile_record;
    connection_options_record &record = run.connection_options;

    record.destination.assign(profile.destination.c_str());
    record.client.assign(profile.client.c_str());
    record.user.assign(profile.user.c_str());
    record.password.assign(profile.password.c_str());
    record.language.assign(profile.language.c_str());
    record.gwhost.assign(profile.gwhost.c_str());
    record.gwservice.assign(profile.gwservice.c_str());
    pad_with_blanks(record.user, user_padding);
    pad_with_blanks(record.password, password_padding);

    RFC_OPTIONS &options = record.options;
    options.destination = record.destination.data;
    options.client = record.client.data;
    options.user = record.user.data;
    options.password = record.password.data;
    options.language = record.language.data;

    if (profile.mode.equals("R/2")) {
        options.mode = RFC_MODE_CPIC;
        record.cpic.gateway_host = text_or_absent(record.gwhost);
        record.cpic.gateway_service = text_or_absent(record.gwservice);
        options.connopt = &record.cpic;
    } else {
        options.mode = RFC_MODE_R3ONLY;
        // ",HOST=" and ",NO=" in the sensor's parameters override the profile's
        // application server and system number; an empty value leaves the host absent
        // and the system number as it was.
        if (!option_value(run, ",HOST=", record.hostname)) record.hostname.assign(profile.hostname.c_str());
        bounded_text<parameter_capacity> sysnr;
        if (!option_value(run, ",NO=", sysnr)) sysnr.assign(profile.sysnr.c_str());
        record.r3.hostname = text_or_absent(record.hostname);
        if (!sysnr.empty()) record.r3.sysnr = leading_number(sysnr.c_str());
        record.r3.gateway_host = text_or_absent(record.gwhost);
        record.r3.gateway_service = text_or_absent(record.gwservice);
        options.connopt = &record.r3;
    }
    options.trace = 0;
}

bool build_connect_string(const run_record &run, bounded_text<255> &out) {
    const profile_data &profile = run.profile_record;
    out.clear();
    return append_connect_value(out, "CLIENT=", profile.client.c_str()) &&
           append_connect_value(out, " USER=", profile.user.c_str()) &&
           append_connect_value(out, " PASSWD=", profile.password.c_str()) && out.append(" LANG=D") &&
           append_connect_value(out, " DEST=", profile.destination.c_str());
}

RFC_HANDLE open_connection(run_record &run) {
    fill_connection_options(run);

    bounded_text<31> destination_file_name;
    destination_file_name.format("SapRfc.%s", run.profile_record.destination.c_str());
    FILE *destination_file = host_open_read(destination_file_name.c_str());
    if (destination_file == nullptr) return rfc_library.RfcOpen(&run.connection_options.options);

    // A console line like the trace lines, and like them only in trace mode: printed
    // before the document, it would make the document something PRTG cannot read.
    if (run.trace_mode) {
        bounded_text<63> notice;
        notice.format("* SapRfc.Ini.......: %s<\n", run.profile_record.destination.c_str());
        host_print(notice.c_str());
        host_flush();  // out before the library is called, which might crash
    }
    // Another sensor in this directory would otherwise copy its own destination file
    // over ours before the library has read it. Where no lock file can be made, the
    // run goes on unlocked, as it always did.
    host_file_lock lock = host_lock_file(ini_lock_file_name);
    bool copied = copy_to_ini_file(destination_file);
    fclose(destination_file);
    RFC_HANDLE handle = 0;
    bounded_text<255> connect_string;
    if (copied && build_connect_string(run, connect_string)) {
        RFC_ERROR_INFO_EX error_info;
        memset(&error_info, 0, sizeof error_info);
        handle = rfc_library.RfcOpenEx(connect_string.data, &error_info);
    }
    host_unlock_file(lock);
    // The text holds the plain password; it is not left behind on the stack.
    wipe(connect_string.data, sizeof connect_string.data);
    return handle;
}
