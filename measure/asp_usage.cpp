// The ASP usage measurement; see asp_usage.h. Packed values are read as 64-bit
// integers: the size fields hold up to ten integer digits, more than 32 bits carry,
// and a value is printed exactly instead of wrapping.
#include "measure/asp_usage.h"

#include <cinttypes>
#include <cstring>

#include "measure/packed_number.h"
#include "output/prtg_writer.h"
#include "rfc/failure_report.h"
#include "rfc/rfc_text.h"
#include "core/program_identity.h"
#include "rfc/rfc_library.h"

namespace {

// The tables of the call, in the order in which they are created, passed and deleted.
const char *const table_names[asp_table_count] = {
    "ADDTL_INDEX", "ADDTL_TABLES", "ADDTL_VIEWS", "MISS_INDEX", "MISS_TABLES", "MISS_VIEWS",
};

// DB02INFDB4: the fields the document is made from, as offset and width.
struct record_field {
    size_t offset;
    size_t width;
};
constexpr record_field dbsys_field = {0, 10};
constexpr record_field date_field = {10, 8};
constexpr record_field time_field = {18, 6};
constexpr record_field sysid_field = {24, 8};
constexpr record_field sys_asp_p_field = {100, 8};  // 5 decimals
constexpr record_field sys_asp_s_field = {108, 6};  // 1 decimal
constexpr record_field asp_tot_s_field = {114, 6};  // 1 decimal
constexpr unsigned percentage_decimals = 5;
constexpr unsigned size_decimals = 1;

// Width of a character field up to its first NUL byte.
size_t text_width(const unsigned char *record, record_field field) {
    const void *nul = memchr(record + field.offset, '\0', field.width);
    return nul != nullptr ? static_cast<size_t>(static_cast<const unsigned char *>(nul) - (record + field.offset))
                          : field.width;
}

void append_field(run_record &run, const unsigned char *record, record_field field) {
    append_text(run, reinterpret_cast<const char *>(record + field.offset), text_width(record, field));
}

int64_t packed_integer(const unsigned char *field, size_t width, unsigned decimals) {
    char text[2 * 8 + 2];
    packed_to_text(text, field, width, decimals);
    return integer_part(text);
}

void abort_on_table(const char *operation, const char *table_name) {
    bounded_text<63> text;
    text.format("%s %s", operation, table_name);
    abort_on_rfc_error(text.data);
}

void write_success_document(run_record &run, const unsigned char (&record)[db02infdb4_length]) {
    open_document(run);
    open_text(run);
    append_identification_text(run, record);
    close_text(run);

    bool gigabytes = run.parameter_string.find("GIGABYTE") >= 0;
    const char *size_unit = gigabytes ? "GByte" : "MByte";
    bounded_text<31> value;
    value.format("%" PRId64, packed_integer(record + sys_asp_p_field.offset, sys_asp_p_field.width,
                                            percentage_decimals));
    write_result(run, "System ASP used", value.c_str(), "PerCent", &run.asp_limits);
    format_size(value, record + sys_asp_s_field.offset, gigabytes);
    write_result(run, "Size of system ASP", value.c_str(), size_unit);
    format_size(value, record + asp_tot_s_field.offset, gigabytes);
    write_result(run, "Total ASP size", value.c_str(), size_unit);
    close_document(run);
}

// The figures as the channels show them, kept for a listing's summary.
void take_figures(run_record &run, const unsigned char (&record)[db02infdb4_length]) {
    run.figures.taken = true;
    run.figures.percent_used =
        packed_integer(record + sys_asp_p_field.offset, sys_asp_p_field.width, percentage_decimals);
    run.figures.system_asp_megabytes = packed_integer(record + sys_asp_s_field.offset, 6, size_decimals);
    run.figures.total_asp_megabytes = packed_integer(record + asp_tot_s_field.offset, 6, size_decimals);
}

}  // namespace

void append_identification_text(run_record &run, const unsigned char (&record)[db02infdb4_length]) {
    append_text(run, "(");
    append_text(run, run.profile_record.destination.c_str());
    append_text(run, ") ");
    append_text(run, program_name);
    append_text(run, ": Info=");
    // Only the database name loses its trailing blanks; the other fields keep their widths.
    size_t dbsys_width = text_width(record, dbsys_field);
    while (dbsys_width > 0 && record[dbsys_field.offset + dbsys_width - 1] == ' ') --dbsys_width;
    append_text(run, reinterpret_cast<const char *>(record + dbsys_field.offset), dbsys_width);
    append_text(run, ",Date=");
    append_field(run, record, date_field);
    append_text(run, ",Time=");
    append_field(run, record, time_field);
    append_text(run, ",Sid=");
    append_field(run, record, sysid_field);
}

void format_size(bounded_text<31> &out, const unsigned char *field, bool gigabytes) {
    int64_t megabytes = packed_integer(field, 6, size_decimals);
    // Decimal gigabytes, as SAP's own transaction shows them; C++ division truncates toward zero.
    out.format("%" PRId64, gigabytes ? megabytes / 1000 : megabytes);
}

RFC_RC fetch_db4_info(run_record &run, RFC_HANDLE handle, int32_t *api_rc,
                      unsigned char (&record)[db02infdb4_length], ITAB_H (&tables)[asp_table_count],
                      char (&exception_text)[exception_text_size]) {
    RFC_TYPEHANDLE db02infdb4 = installed_structure(run, structure_kind::db02infdb4);
    RFC_TYPEHANDLE missobj = installed_structure(run, structure_kind::missobj);

    RFC_TABLE table_list[asp_table_count + 1] = {};
    for (int i = 0; i < asp_table_count; ++i) {
        table_list[i].name = rfc_text(table_names[i]);
        table_list[i].nlen = static_cast<unsigned>(strlen(table_names[i]));
        table_list[i].type = missobj;
        table_list[i].leng = missobj_length;
        table_list[i].ithandle = tables[i];
        table_list[i].itmode = 0;
    }
    RFC_PARAMETER importing[] = {
        {rfc_text("API_QWCRSSTS_RC"), 15, TYPINT, 4, api_rc},
        {rfc_text("DB02_DISPLAYED_INFO"), 19, db02infdb4, db02infdb4_length, record},
        {nullptr, 0, 0, 0, nullptr},
    };
    return call_function_module(handle, "DB02_DB4_GET_INFO", importing, table_list, exception_text);
}

int32_t measure_asp_usage(run_record &run, RFC_HANDLE handle) {
    ITAB_H tables[asp_table_count] = {};
    for (int i = 0; i < asp_table_count; ++i) {
        tables[i] = rfc_library.ItCreate(rfc_text(table_names[i]), missobj_length, 0, 0);
        if (tables[i] == nullptr) abort_on_table("ItCreate", table_names[i]);
    }

    int32_t api_rc = 0;
    unsigned char record[db02infdb4_length];
    memset(record, ' ', sizeof record);
    char exception_text[exception_text_size] = {};
    RFC_RC code = fetch_db4_info(run, handle, &api_rc, record, tables, exception_text);

    if (code == RFC_OK) {
        run.run_status.assign("OK");
        take_figures(run, record);
        if (!run.multi_system_mode) write_success_document(run, record);
    } else {
        append_return_code_text(run, code, exception_text);
    }

    for (int i = 0; i < asp_table_count; ++i) {
        if (rfc_library.ItDelete(tables[i]) != 0) abort_on_table("ItDelete", table_names[i]);
    }
    return code;
}
