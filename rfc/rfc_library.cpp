// Loading the RFC library and telling why it cannot be used; see rfc_library.h. The
// account names what an administrator has to change: the file the program found, its
// width, and which Korvanel fits it where; or the DLL it needs that is missing.
#include "rfc/rfc_library.h"

#include <ctime>

#include "core/program_identity.h"
#include "core/trace_block.h"
#include "rfc/failure_report.h"
#include "rfc/trace_file.h"

rfc_library_functions rfc_library{};

namespace {

// The first load's outcome, which every later call answers with.
bool tried = false;
bool usable = false;
void *module = nullptr;
rfc_library_account first_account;

constexpr unsigned program_width = 8 * sizeof(void *);

// Where the library of `width` bits goes for the program that fits it.
const char *place_for(unsigned width) {
    return width == 64 ? "as x64\\librfc32.dll beside it" : "beside it";
}

// Appends the block for the library that cannot be used to the trace file, under the
// lock that runs of this program take turns at it with.
void append_rfc_library_block(const host_rfc_library &found, const char *account) {
    char opened[120] = "00000000 000000";
    time_t now = time(nullptr);
    const struct tm *local = localtime(&now);
    if (local != nullptr) strftime(opened, sizeof opened, "%Y%m%d %H%M%S %Z", local);
    host_file_lock lock = lock_trace_file(0);
    // Appended in text mode, as the library writes it: CR LF line ends on Windows.
    FILE *file = fopen(rfc_trace_file_name, "a");
    if (file != nullptr) {
        write_rfc_library_block(file, found, account, opened, static_cast<unsigned>(host_thread_id()));
        fclose(file);
    }
    host_unlock_file(lock);
}

}  // namespace

void describe_unusable_rfc_library(const host_rfc_library &found, const char *lacking,
                                   rfc_library_account &account) {
    const char *file = found.file.c_str();
    if (lacking != nullptr) {
        // Loaded, but no classic RFC library, or an older one than the program needs.
        if (host_reads_library_width)
            account.format("RFC library %s (%u-bit, for %s) lacks %s", file, found.width, host_program_name, lacking);
        else
            account.format("RFC library %s (for %s) lacks %s", file, host_program_name, lacking);
        return;
    }
    if (found.file.empty()) {
        account.format("RFC library %s for %s not found", host_rfc_library_place, host_program_name);
        if (!host_reads_library_width) account.append_format(": %s", found.system_text.c_str());
        return;
    }
    if (host_reads_library_width && found.width == 0) {
        account.format("RFC library %s is no DLL: it fits neither Korvanel.exe nor Korvanel64.exe", file);
        return;
    }
    if (host_reads_library_width && found.width != program_width) {
        account.format("RFC library %s is %u-bit: it fits %s, %s", file, found.width, host_other_program_name,
                       place_for(found.width));
        return;
    }
    if (host_reads_library_width)
        account.format("RFC library %s (%u-bit, for %s)", file, found.width, host_program_name);
    else
        account.format("RFC library %s (for %s)", file, host_program_name);
    if (!found.missing.empty()) {
        account.append_format(" needs %s", found.missing.c_str());
        if (!found.missing_for.equals(host_rfc_library_name))
            account.append_format(" through %s", found.missing_for.c_str());
        account.append(", which Windows cannot load");
    } else {
        account.append_format(" cannot be loaded: %s", found.system_text.c_str());
    }
}

void write_rfc_library_block(FILE *file, const host_rfc_library &found, const char *account, const char *opened,
                             unsigned thread) {
    bridge_failure failure = make_bridge_failure("RFC_ERROR_PROGRAM", account);
    failure.location.format("%s, looked for by %s %s", host_rfc_library_place, program_name, version_text);
    failure.detail.assign(found.system_text.c_str());
    failure.api.format("%s : RFC library not loaded", host_program_name);
    bounded_text<80> origin;
    origin.format("%s, no RFC library loaded", host_program_name);
    write_trace_block(file, failure, opened, origin.c_str(), thread);
}

// At namespace scope, not in its function: a local static of this type would need a
// guard, and with it the C++ runtime library in every start.
static host_rfc_library found_rfc_library;

bool load_rfc_library(rfc_library_account &account) {
    if (tried) {
        account = first_account;
        return usable;
    }
    tried = true;
    host_load_rfc_library(found_rfc_library);
    if (found_rfc_library.module == nullptr) {
        describe_unusable_rfc_library(found_rfc_library, nullptr, first_account);
        append_rfc_library_block(found_rfc_library, first_account.c_str());
        account = first_account;
        return false;
    }
    rfc_library_functions functions{};
    const char *lacking = nullptr;
#define RFC_LIBRARY_RESOLVE(name)                                                                          \
    functions.name = reinterpret_cast<decltype(&::name)>(host_rfc_library_export(found_rfc_library.module, #name));  \
    if (functions.name == nullptr && lacking == nullptr) lacking = #name;
    RFC_LIBRARY_FUNCTION_LIST(RFC_LIBRARY_RESOLVE)
#undef RFC_LIBRARY_RESOLVE
    if (lacking != nullptr) {
        describe_unusable_rfc_library(found_rfc_library, lacking, first_account);
        append_rfc_library_block(found_rfc_library, first_account.c_str());
        account = first_account;
        return false;
    }
    module = found_rfc_library.module;
    rfc_library = functions;
    usable = true;
    account.clear();
    return true;
}

void *find_optional_rfc_function(const char *name) {
    if (module == nullptr) return nullptr;
    return host_rfc_library_export(module, name);
}
