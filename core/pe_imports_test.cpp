// Import tables read from a small PE file made here byte by byte, as a 32-bit
// sapnwrfc.dll would carry its companions and runtime, and from damaged ones.
#include "core/pe_imports.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

void put(std::vector<unsigned char> &file, unsigned offset, unsigned value, unsigned size) {
    for (unsigned i = 0; i < size; ++i) file[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

// A 32-bit DLL whose one section (address 0x1000, file offset 0x200) holds its import
// descriptors and the names of the DLLs it imports.
std::vector<unsigned char> dll_importing(const std::vector<std::string> &names) {
    std::vector<unsigned char> file(0x400, 0);
    file[0] = 'M';
    file[1] = 'Z';
    put(file, 0x3C, 0x40, 4);
    memcpy(&file[0x40], "PE\0\0", 4);
    put(file, 0x44, 0x14C, 2);  // i386
    put(file, 0x46, 1, 2);      // one section
    put(file, 0x54, 0xE0, 2);   // optional header size of PE32
    const unsigned optional = 0x58;
    put(file, optional, 0x10B, 2);
    put(file, optional + 92, 16, 4);          // data directories
    put(file, optional + 104, 0x1000, 4);     // import table address
    put(file, optional + 108, 20 * 4, 4);
    const unsigned table = optional + 0xE0;
    put(file, table + 8, 0x100, 4);    // virtual size
    put(file, table + 12, 0x1000, 4);  // address
    put(file, table + 16, 0x200, 4);   // size in the file
    put(file, table + 20, 0x200, 4);   // offset in the file
    unsigned name_at = 0x280;
    for (size_t i = 0; i < names.size(); ++i) {
        put(file, 0x200 + 20 * static_cast<unsigned>(i) + 12, 0x1000 + name_at - 0x200, 4);
        memcpy(&file[name_at], names[i].c_str(), names[i].size() + 1);
        name_at += static_cast<unsigned>(names[i].size()) + 1;
    }
    return file;
}

bool read_from(void *file, unsigned long offset, void *buffer, unsigned size) {
    const auto &bytes = *static_cast<const std::vector<unsigned char> *>(file);
    if (offset > bytes.size() || size > bytes.size() - offset) return false;
    memcpy(buffer, bytes.data() + offset, size);
    return true;
}

bool collect(void *context, const char *name) {
    static_cast<std::vector<std::string> *>(context)->push_back(name);
    return true;
}

bool first_only(void *context, const char *name) {
    static_cast<std::vector<std::string> *>(context)->push_back(name);
    return false;
}

}  // namespace

TEST(PeImports, NamesEveryImportedDllInOrder) {
    const std::vector<std::string> names = {"libsapucum.dll", "MSVCR120.dll", "KERNEL32.dll"};
    std::vector<unsigned char> file = dll_importing(names);
    std::vector<std::string> seen;
    ASSERT_TRUE(list_pe_imports(read_from, &file, collect, &seen));
    EXPECT_EQ(seen, names);
    seen.clear();
    ASSERT_TRUE(list_pe_imports(read_from, &file, first_only, &seen));
    EXPECT_EQ(seen, std::vector<std::string>{"libsapucum.dll"});
    // No imports at all is a sound DLL.
    std::vector<unsigned char> bare = dll_importing({});
    put(bare, 0x58 + 104, 0, 4);
    seen.clear();
    EXPECT_TRUE(list_pe_imports(read_from, &bare, collect, &seen));
    EXPECT_TRUE(seen.empty());
}

TEST(PeImports, DamagedFilesAreNoPeFiles) {
    std::vector<unsigned char> file = dll_importing({"libsapucum.dll"});
    std::vector<std::string> seen;
    std::vector<unsigned char> text(file);
    text[0] = 'Z';
    EXPECT_FALSE(list_pe_imports(read_from, &text, collect, &seen));
    std::vector<unsigned char> cut(file.begin(), file.begin() + 0x210);
    EXPECT_FALSE(list_pe_imports(read_from, &cut, collect, &seen));
    std::vector<unsigned char> far(file);
    put(far, 0x3C, 0x7FFFFFF0u, 4);
    EXPECT_FALSE(list_pe_imports(read_from, &far, collect, &seen));
    std::vector<unsigned char> outside(file);
    put(outside, 0x58 + 104, 0x9000, 4);  // the import table in no section
    EXPECT_FALSE(list_pe_imports(read_from, &outside, collect, &seen));
    EXPECT_TRUE(seen.empty());
}
