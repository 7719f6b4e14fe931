// The run-time loading of the RFC library: the tests' own process loads the stand-in
// as the program does, before any test runs, so that every test of the program's RFC
// steps goes through the functions found by name.
#include "rfc/rfc_library.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

struct LoadedLibrary : ::testing::Environment {
    void SetUp() override {
        rfc_library_account account;
        ASSERT_TRUE(load_rfc_library(account)) << account.c_str();
    }
};

const ::testing::Environment *const loaded_library = ::testing::AddGlobalTestEnvironment(new LoadedLibrary);

}  // namespace

TEST(RfcLibrary, FindsTheElevenFunctionsByName) {
    rfc_library_account account;
    ASSERT_TRUE(load_rfc_library(account));
    EXPECT_TRUE(account.empty());
#define RFC_LIBRARY_FOUND(name) EXPECT_NE(rfc_library.name, nullptr) << #name;
    RFC_LIBRARY_FUNCTION_LIST(RFC_LIBRARY_FOUND)
#undef RFC_LIBRARY_FOUND
    // The loaded stand-in's function, not another of the same name.
    EXPECT_EQ(reinterpret_cast<void *>(rfc_library.RfcOpen), find_optional_rfc_function("RfcOpen"));
}

TEST(RfcLibrary, AnOptionalFunctionTheLibraryLacksIsNull) {
    void (*function)(int) = nullptr;
    EXPECT_FALSE(find_optional_rfc_function("KorvanelNoSuchFunction", function));
    EXPECT_EQ(function, nullptr);
    ITAB_H(LIBRFC32_API * create)(char *, unsigned, unsigned, unsigned) = nullptr;
    EXPECT_TRUE(find_optional_rfc_function("ItCreate", create));
    EXPECT_EQ(create, rfc_library.ItCreate);
}

namespace {

host_rfc_library found_file(const char *file, unsigned width, const char *system_text) {
    host_rfc_library found{};
    found.file.assign(file);
    found.width = width;
    found.system_text.assign(system_text);
    return found;
}

std::string account_of(const host_rfc_library &found, const char *lacking = nullptr) {
    rfc_library_account account;
    describe_unusable_rfc_library(found, lacking, account);
    return account.c_str();
}

}  // namespace

#if defined(_WIN32)
// What each width of the program says of each kind of file it may find: the file, its
// width and the Korvanel that fits it, where Windows says only "error 193" or "126".
TEST(RfcLibrary, TheAccountNamesTheFileItsWidthAndTheProgramThatFitsIt) {
    const bool wide = sizeof(void *) == 8;
    const unsigned own = wide ? 64 : 32, other = wide ? 32 : 64;
    const char *file = "C:\\PRTG\\Custom Sensors\\EXEXML\\librfc32.dll";
    EXPECT_EQ(account_of(found_file("", 0, "Windows error 126: The specified module could not be found")),
              wide ? "RFC library x64\\librfc32.dll for Korvanel64.exe not found"
                   : "RFC library librfc32.dll for Korvanel.exe not found");
    EXPECT_EQ(account_of(found_file(file, other, "Windows error 193: librfc32.dll is not a valid Win32 application")),
              wide ? "RFC library C:\\PRTG\\Custom Sensors\\EXEXML\\librfc32.dll is 32-bit: it fits Korvanel.exe, "
                     "beside it"
                   : "RFC library C:\\PRTG\\Custom Sensors\\EXEXML\\librfc32.dll is 64-bit: it fits Korvanel64.exe, "
                     "as x64\\librfc32.dll beside it");
    EXPECT_EQ(account_of(found_file(file, 0, "Windows error 193: librfc32.dll is not a valid Win32 application")),
              "RFC library C:\\PRTG\\Custom Sensors\\EXEXML\\librfc32.dll is no DLL: it fits neither Korvanel.exe "
              "nor Korvanel64.exe");
    const std::string fits = std::string(" (") + std::to_string(own) + "-bit, for " +
                             (wide ? "Korvanel64.exe" : "Korvanel.exe") + ")";
    host_rfc_library runtime = found_file(file, own, "Windows error 126: The specified module could not be found");
    runtime.missing.assign("MSVCR80.dll");
    runtime.missing_for.assign("librfc32.dll");
    EXPECT_EQ(account_of(runtime), std::string("RFC library ") + file + fits +
                                       " needs MSVCR80.dll, which Windows cannot load");
    // A companion beside the library that needs what is missing is named as the way.
    runtime.missing_for.assign("libsapucum.dll");
    EXPECT_EQ(account_of(runtime), std::string("RFC library ") + file + fits +
                                       " needs MSVCR80.dll through libsapucum.dll, which Windows cannot load");
    host_rfc_library unknown = found_file(file, own, "Windows error 1114: A DLL initialization routine failed");
    EXPECT_EQ(account_of(unknown), std::string("RFC library ") + file + fits +
                                       " cannot be loaded: Windows error 1114: A DLL initialization routine failed");
    EXPECT_EQ(account_of(found_file(file, own, ""), "RfcOpenEx"),
              std::string("RFC library ") + file + fits + " lacks RfcOpenEx");
}
#else
TEST(RfcLibrary, TheAccountGivesTheLoadersOwnWords) {
    EXPECT_EQ(account_of(found_file("", 0, "librfc32.so: cannot open shared object file: No such file or directory")),
              "RFC library librfc32.so for korvanel not found: librfc32.so: cannot open shared object file: No "
              "such file or directory");
    EXPECT_EQ(account_of(found_file("/opt/korvanel/librfc32.so", 0, ""), "ItDelete"),
              "RFC library /opt/korvanel/librfc32.so (for korvanel) lacks ItDelete");
}
#endif

// The block in the trace file reads as the library's own: the sensor's diagnosis of a
// later failed call takes its message, and an administrator finds what was looked for.
TEST(RfcLibrary, TheTraceBlockSaysWhatTheDocumentSays) {
    host_rfc_library found = found_file("C:\\EXEXML\\librfc32.dll", 64, "Windows error 193: bad format");
    FILE *file = tmpfile();
    ASSERT_NE(file, nullptr);
    write_rfc_library_block(file, found, "RFC library C:\\EXEXML\\librfc32.dll is 64-bit", "20261211 120000 UTC", 12345);
    rewind(file);
    std::string text;
    char line[512];
    while (fgets(line, sizeof line, file) != nullptr) text += line;
    fclose(file);
    std::string program = host_program_name;
    EXPECT_EQ(text, "\n**** ERROR file opened at 20261211 120000 UTC, " + program + ", no RFC library loaded\n"
                    "T:2345 ======> RFC library C:\\EXEXML\\librfc32.dll is 64-bit\n"
                    "LOCATION    " + std::string(host_rfc_library_place) + ", looked for by Korvanel Vers 4.3 / 29.08.22\n"
                    "ERROR       Windows error 193: bad format\n"
                    "T:2345 <* " + program + " : RFC library not loaded\n");
}
