// The destination file reader, on a small saprfc.ini fixture with several blocks.
#include "rfc_bridge/saprfc_ini.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

FILE *fixture(const char *text) {
    FILE *file = tmpfile();
    fputs(text, file);
    rewind(file);
    return file;
}

const char ini[] =
    "* classic comment\r\n"
    "DEST=BIN\r\n"
    "TYPE=A\r\n"
    "ashost = sapbin\r\n"
    "SysNr=07\r\n"
    "# another comment\r\n"
    "SNC_PARTNERNAME=p:CN=BIN, O=Example\r\n"
    "\r\n"
    "dest=LB\n"
    "TYPE=B\n"
    "MSHOST=sapms\n"
    "R3NAME=PRD\n"
    "GROUP=PUBLIC\n";

}  // namespace

TEST(BridgeSaprfcIni, ReadsTheNamedBlockOnly) {
    struct row {
        const char *destination;
        int count;
        const char *key;
        const char *value;
    } rows[] = {
        {"BIN", 4, "ASHOST", "sapbin"},
        {"bin", 4, "SYSNR", "07"},
        {"BIN", 4, "SNC_PARTNERNAME", "p:CN=BIN, O=Example"},
        {"LB", 4, "GROUP", "PUBLIC"},
    };
    for (const row &r : rows) {
        FILE *file = fixture(ini);
        connect_pairs block;
        logon_problem problem;
        ASSERT_TRUE(read_ini_destination(file, r.destination, block, problem)) << problem.c_str();
        fclose(file);
        EXPECT_EQ(block.count, r.count) << r.destination;
        EXPECT_STREQ(find_pair(block, r.key), r.value);
        EXPECT_EQ(find_pair(block, "DEST"), nullptr);
    }
}

TEST(BridgeSaprfcIni, FailsNamingWhatIsWrong) {
    struct row {
        const char *text;
        const char *destination;
        const char *problem_part;
    } rows[] = {
        {ini, "QAS", "destination QAS not found"},
        {"", "BIN", "destination BIN not found"},
        {"DEST=BIN\nASHOST sapbin\n", "BIN", "line 2 in destination BIN is not KEY=value"},
        // A broken line in another destination's block does not matter.
        {"DEST=X\nbroken\nDEST=BIN\nASHOST=h\n", "QAS", "destination QAS not found"},
    };
    for (const row &r : rows) {
        FILE *file = fixture(r.text);
        connect_pairs block;
        logon_problem problem;
        EXPECT_FALSE(read_ini_destination(file, r.destination, block, problem));
        fclose(file);
        EXPECT_NE(problem.find(r.problem_part), -1) << problem.c_str();
    }
}
