// The NetWeaver stand-in's descriptions and data containers: type and function
// descriptions as the caller builds them, and containers that hold each value in
// the classic byte layout (the records the landscape gives), converted to UTF-16
// texts, integers and decimal texts by the getters as SAP's library hands them out.
#pragma once

#include "core/librfc32.h"
#include "nwrfc/sapnwrfc_api.h"

struct record_layout;

constexpr unsigned standin_type_fields = 32;
constexpr unsigned standin_function_parameters = 24;
constexpr unsigned standin_container_bytes = 2048;

/// A structure or table line type built with RfcCreateTypeDesc and RfcAddTypeField.
struct nw_type {
    bool used;
    char name[31];
    nwrfc::RFC_FIELD_DESC fields[standin_type_fields];
    unsigned count;
    unsigned nuc_length, uc_length;
    RFC_TYPEHANDLE classic;  // installed in the classic system's library, 0 until then
    // A type of the system's own dictionary (looked up, kept in the library's cache):
    // the classic record the simulated system fills, which covers its first bytes.
    const record_layout *system_record;
};

/// A function module's description built with RfcCreateFunctionDesc and RfcAddParameter.
struct nw_function {
    bool used;
    char name[31];
    nwrfc::RFC_PARAMETER_DESC parameters[standin_function_parameters];
    unsigned count;
    bool cached;  // the system's own description, kept in the library's cache
};

enum container_kind { container_function, container_structure, container_table };

/// A data container: a function's parameters, a structure, or a table with its rows.
struct nw_container {
    bool used;
    container_kind kind;
    nw_function *function;  // for a function container
    nw_type *type;          // for a structure or table
    nw_container *parent;   // a structure parameter lives in its function's bytes
    unsigned char *bytes;   // the values, in classic layout; a table's rows one after another
    unsigned char own[standin_container_bytes];
    // Per byte of `bytes`: 1 where the caller set a text, which comes back as it was set;
    // 0 where the system's bytes lie, whose UTF-8 sequences are characters of their own.
    unsigned char *marks;
    unsigned char own_marks[standin_container_bytes];
    nw_container *children[standin_function_parameters];  // structure and table parameters; a table's row cursor
    unsigned row_count;     // for a table: its rows,
    unsigned current;       // the row its cursor stands on,
    unsigned line_length;   // and the bytes of each row
};

/// Where a named value lies in a container: its classic type, length, decimals and bytes.
struct nw_value {
    unsigned type;  // classic type code, or TYPTABH / the structure mark for nested ones
    unsigned length;
    unsigned decimals;
    unsigned char *bytes;
    unsigned char *marks;  // beside `bytes`, as the container's marks
    nw_container *child;   // structure or table parameter
};

nwrfc::RFC_TYPE_DESC_HANDLE new_type(const char16_t *name, nwrfc::RFC_ERROR_INFO *info);
nw_type *type_of(nwrfc::RFC_TYPE_DESC_HANDLE handle);
void free_type(nw_type *type);
/// True while a live function description has a parameter of `type`.
bool type_in_use(const nw_type *type);
nwrfc::RFC_FUNCTION_DESC_HANDLE new_function(const char16_t *name, nwrfc::RFC_ERROR_INFO *info);
nw_function *function_of(nwrfc::RFC_FUNCTION_DESC_HANDLE handle);
void free_function(nw_function *function);
/// A container for `function`'s parameters, all initial; null with `info` filled when the pool is full.
nwrfc::RFC_FUNCTION_HANDLE new_function_container(nw_function *function, nwrfc::RFC_ERROR_INFO *info);
nw_container *container_of(nwrfc::DATA_CONTAINER_HANDLE handle);
/// Frees `container` with its structure and table parameters and their row cursors.
void free_container(nw_container *container);
/// Bytes of one record of `type`: its set length, at least up to the end of its last field.
unsigned record_length(const nw_type &type);
/// Puts the initial value of each field of `type` (blanks, zeros, packed zero) into `record`.
void set_initial_record(const nw_type &type, unsigned char *record);
/// Adds an initial row to the table container `table` and puts its cursor on it; the
/// cursor, or null with `info` filled (RFC_MEMORY_INSUFFICIENT) when the rows are full.
nw_container *append_row(nw_container *table, nwrfc::RFC_ERROR_INFO *info);
/// Puts the cursor of `table` on row `index`; false with `info` filled when there is none.
bool move_to_row(nw_container *table, unsigned index, nwrfc::RFC_ERROR_INFO *info);
/// The problem with a field or parameter of `type`, `length` bytes and `decimals` placed
/// at `offset` that the stand-in cannot hold; null when it is sound.
const char *description_problem(nwrfc::RFCTYPE type, unsigned long long offset, unsigned length, unsigned decimals);
/// The problem with the Unicode side of a field or parameter of `type` and `length`
/// bytes one byte per character: SAP's library lays records out with two bytes per
/// character and each field aligned to its type (characters 2, INT2 2, INT 4, FLOAT 8),
/// and checks that `uc_length` and `uc_offset` say so; null when they do.
const char *unicode_problem(nwrfc::RFCTYPE type, unsigned length, unsigned uc_length, unsigned uc_offset);
/// The problem with adding `field` to `type`: it overlaps a field already there, in
/// either layout; null when it does not.
const char *overlap_problem(const nw_type &type, const nwrfc::RFC_FIELD_DESC &field);
/// Finds the value `name` (UTF-16) in `container`; false with `info` filled (RFC_INVALID_PARAMETER).
bool find_value(nw_container *container, const char16_t *name, nw_value &value, nwrfc::RFC_ERROR_INFO *info);
/// True when the UTF-16 names `a` and `b` are the same, character for character.
bool same_name(const char16_t *a, const char16_t *b);
/// Refuses an unknown name with RFC_INVALID_PARAMETER: "no `what` NAME" into `info`.
void refuse_unknown_name(nwrfc::RFC_ERROR_INFO *info, const char *what, const char16_t *name);
/// Fills `info` with `code`, `group` and the ISO-8859-1 `message` and `key`.
void set_error(nwrfc::RFC_ERROR_INFO *info, nwrfc::RFC_RC code, nwrfc::RFC_ERROR_GROUP group, const char *message,
               const char *key = "");
/// The UTF-16 `text` as ISO-8859-1 into `out` of `capacity` bytes ('?' for others).
void narrow_text(const char16_t *text, char *out, unsigned capacity);
