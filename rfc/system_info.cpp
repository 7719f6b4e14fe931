// The system-information call; see system_info.h. The answer record is read at the
// fixed offsets of RFCSI, each field up to its width or to a NUL byte.
#include "rfc/system_info.h"

#include <cstring>

#include "rfc/failure_report.h"
#include "rfc/rfc_text.h"

namespace {

constexpr size_t rfchost_offset = 45;
constexpr size_t rfchost_width = 8;
constexpr size_t rfcdbsys_offset = 101;
constexpr size_t rfcdbsys_width = 10;

}  // namespace

RFC_RC fetch_system_info(run_record &run, RFC_HANDLE handle, int32_t *current_resources, char *dialog_user_type,
                         int32_t *maximal_resources, int32_t *recommended_delay,
                         unsigned char (&answer)[rfcsi_length], char *login_complete,
                         char (&exception_text)[exception_text_size]) {
    RFC_TYPEHANDLE rfcsi = installed_structure(run, structure_kind::rfcsi);

    RFC_TABLE tables[] = {{nullptr, 0, 0, 0, nullptr, 0, 0}};
    RFC_PARAMETER importing[] = {
        {rfc_text("CURRENT_RESOURCES"), 17, TYPINT, 4, current_resources},
        {rfc_text("DIALOG_USER_TYPE"), 16, TYPC, 1, dialog_user_type},
        {rfc_text("MAXIMAL_RESOURCES"), 17, TYPINT, 4, maximal_resources},
        {rfc_text("RECOMMENDED_DELAY"), 17, TYPINT, 4, recommended_delay},
        {rfc_text("RFCSI_EXPORT"), 12, rfcsi, rfcsi_length, answer},
        {rfc_text("RFC_LOGIN_COMPLETE"), 18, TYPC, 1, login_complete},
        {nullptr, 0, 0, 0, nullptr},
    };
    return call_function_module(handle, "RFC_SYSTEM_INFO", importing, tables, exception_text);
}

RFC_RC identify_system(run_record &run, RFC_HANDLE handle) {
    int32_t current_resources = 0;
    int32_t maximal_resources = 0;
    int32_t recommended_delay = 0;
    char dialog_user_type = ' ';
    char login_complete = ' ';
    unsigned char answer[rfcsi_length];
    memset(answer, ' ', sizeof answer);
    char exception_text[exception_text_size] = {};

    RFC_RC code = fetch_system_info(run, handle, &current_resources, &dialog_user_type, &maximal_resources,
                                    &recommended_delay, answer, &login_complete, exception_text);
    if (code != RFC_OK) {
        append_return_code_text(run, code, exception_text);
        return code;
    }
    run.run_status.assign("OK");
    const char *fields = reinterpret_cast<const char *>(answer);
    run.display_host.assign(fields + rfchost_offset, rfchost_width);
    run.database_system.assign(fields + rfcdbsys_offset, rfcdbsys_width);
    return code;
}
