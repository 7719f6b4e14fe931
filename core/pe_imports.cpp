// Offsets as Microsoft's PE format documents them: the DOS header's e_lfanew at 0x3C,
// "PE\0\0", the COFF header (section count at +6, optional header size at +16), the
// optional header (magic 0x10B or 0x20B; data directories at +96 or +112, the import
// table second), the section table that maps addresses to file offsets, and 20-byte
// import descriptors whose name address is at +12, ended by an all-zero one.
#include "core/pe_imports.h"

#include <cstring>

namespace {

unsigned little(const unsigned char *bytes, unsigned size) {
    unsigned value = 0;
    for (unsigned i = 0; i < size; ++i) value |= static_cast<unsigned>(bytes[i]) << (8 * i);
    return value;
}

struct section {
    unsigned address, size, file_offset;
};

constexpr unsigned max_sections = 96;
constexpr unsigned max_imports = 256;

bool file_offset(const section *sections, unsigned count, unsigned address, unsigned long &offset) {
    for (unsigned i = 0; i < count; ++i)
        if (address >= sections[i].address && address - sections[i].address < sections[i].size) {
            offset = static_cast<unsigned long>(address - sections[i].address) + sections[i].file_offset;
            return true;
        }
    return false;
}

// The offset of the optional header and its magic; false when it is no PE file.
bool find_optional_header(pe_reader read, void *file, unsigned char (&bytes)[40], unsigned long &optional,
                          unsigned &magic) {
    if (!read(file, 0, bytes, 2) || bytes[0] != 'M' || bytes[1] != 'Z') return false;
    if (!read(file, 0x3C, bytes, 4)) return false;
    unsigned long pe = little(bytes, 4);
    if (!read(file, pe, bytes, 24) || bytes[0] != 'P' || bytes[1] != 'E' || bytes[2] != 0 || bytes[3] != 0) return false;
    optional = pe + 24;
    unsigned char header[24];
    memcpy(header, bytes, sizeof header);
    if (!read(file, optional, bytes, 2)) return false;
    magic = little(bytes, 2);
    memcpy(bytes, header, sizeof header);  // the COFF header stays for the caller
    return magic == 0x10B || magic == 0x20B;
}

}  // namespace

unsigned pe_width(pe_reader read, void *file) {
    unsigned char bytes[40];
    unsigned long optional = 0;
    unsigned magic = 0;
    if (!find_optional_header(read, file, bytes, optional, magic)) return 0;
    return magic == 0x10B ? 32 : 64;
}

bool list_pe_imports(pe_reader read, void *file, pe_import_visitor visit, void *context) {
    unsigned char bytes[40];
    unsigned long optional = 0;
    unsigned magic = 0;
    if (!find_optional_header(read, file, bytes, optional, magic)) return false;
    unsigned section_count = little(bytes + 6, 2), optional_size = little(bytes + 20, 2);
    unsigned directories = magic == 0x10B ? 96 : 112;
    if (optional_size < directories + 16 || !read(file, optional + directories - 4, bytes, 4)) return false;
    if (little(bytes, 4) < 2) return true;  // no import directory: imports nothing
    if (!read(file, optional + directories + 8, bytes, 8)) return false;
    unsigned import_address = little(bytes, 4);
    if (import_address == 0) return true;
    if (section_count > max_sections) return false;
    section sections[max_sections];
    for (unsigned i = 0; i < section_count; ++i) {
        if (!read(file, optional + optional_size + 40ul * i, bytes, 40)) return false;
        unsigned virtual_size = little(bytes + 8, 4), raw_size = little(bytes + 16, 4);
        sections[i] = {little(bytes + 12, 4), virtual_size > raw_size ? virtual_size : raw_size, little(bytes + 20, 4)};
    }
    unsigned long descriptor = 0;
    if (!file_offset(sections, section_count, import_address, descriptor)) return false;
    for (unsigned n = 0; n < max_imports; ++n, descriptor += 20) {
        if (!read(file, descriptor, bytes, 20)) return false;
        bool end = true;
        for (unsigned i = 0; i < 20; ++i) end = end && bytes[i] == 0;
        if (end) return true;
        unsigned long name_at = 0;
        if (!file_offset(sections, section_count, little(bytes + 12, 4), name_at)) return false;
        char name[256];
        unsigned length = 0;
        for (; length + 1 < sizeof name; ++length) {
            unsigned char c;
            if (!read(file, name_at + length, &c, 1)) return false;
            if (c == 0) break;
            name[length] = static_cast<char>(c);
        }
        name[length] = '\0';
        if (length > 0 && !visit(context, name)) return true;
    }
    return true;
}
