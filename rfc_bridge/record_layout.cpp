// Alignment follows the field's type, not its length: a character field of length 4
// is not aligned, an integer field is. Every check here guards a later copy into the
// caller's buffer, which is only as long as the caller's layout says.
#include "rfc_bridge/record_layout.h"

namespace {

unsigned align_up(unsigned value, unsigned alignment) { return (value + alignment - 1) / alignment * alignment; }

// The field's alignment, or 0 when `type` is not a flat type the bridge can carry.
unsigned alignment_of(unsigned type) {
    switch (type) {
    case TYPC: case TYPDATE: case TYPP: case TYPTIME: case TYPX: case TYPNUM: case TYPINT1: return 1;
    case TYPINT2: return 2;
    case TYPINT: return 4;
    case TYPFLOAT: return 8;
    default: return 0;
    }
}

bool length_fits(unsigned type, unsigned length) {
    switch (type) {
    case TYPINT: return length == 4;
    case TYPINT2: return length == 2;
    case TYPINT1: return length == 1;
    case TYPFLOAT: return length == 8;
    case TYPDATE: return length == 8;
    case TYPTIME: return length == 6;
    case TYPP: return length >= 1 && length <= 16;
    default: return length >= 1 && length <= 65535;
    }
}

bool is_text_type(unsigned type) { return type == TYPC || type == TYPDATE || type == TYPTIME || type == TYPNUM; }

}  // namespace

bool lay_out_record(const char *name, const RFC_TYPE_ELEMENT *elements, unsigned entries, classic_layout &layout,
                    bounded_text<200> &problem) {
    layout.count = 0;
    layout.name.assign(name != nullptr ? name : "");
    if (elements == nullptr || entries == 0 || entries > classic_layout_max_fields) {
        problem.format("structure %.30s: %u elements (1 to %u allowed)", layout.name.c_str(), entries,
                       classic_layout_max_fields);
        return false;
    }
    unsigned offset = 0, uc_offset = 0, widest = 1;
    for (unsigned i = 0; i < entries; ++i) {
        const RFC_TYPE_ELEMENT &element = elements[i];
        const char *field_name = element.name != nullptr ? element.name : "";
        unsigned alignment = alignment_of(element.type);
        if (alignment == 0) {
            problem.format("structure %.30s field %.30s: type %u is not carried by the bridge", layout.name.c_str(),
                           field_name, element.type);
            return false;
        }
        if (!length_fits(element.type, element.length)) {
            problem.format("structure %.30s field %.30s: length %u does not fit type %u", layout.name.c_str(),
                           field_name, element.length, element.type);
            return false;
        }
        if (element.type == TYPP ? element.decimals > 2 * element.length - 1 : element.decimals != 0) {
            problem.format("structure %.30s field %.30s: %u decimals", layout.name.c_str(), field_name,
                           element.decimals);
            return false;
        }
        classic_field &field = layout.fields[layout.count++];
        field.name.assign(field_name);
        field.type = element.type;
        field.length = element.length;
        field.decimals = element.decimals;
        field.offset = align_up(offset, alignment);
        field.uc_length = is_text_type(element.type) ? 2 * element.length : element.length;
        field.uc_offset = align_up(uc_offset, is_text_type(element.type) ? 2 : alignment);
        offset = field.offset + field.length;
        uc_offset = field.uc_offset + field.uc_length;
        if (alignment > widest) widest = alignment;
    }
    layout.length = align_up(offset, widest);
    layout.uc_length = align_up(uc_offset, widest > 2 ? widest : 2);
    return true;
}
