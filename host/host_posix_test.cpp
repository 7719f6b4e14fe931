// The POSIX host maps Windows-style names below the drive root and matches path
// parts in any letter case, as Windows does.
#include "host/host.h"

#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "host/drive_root_fixture.h"

namespace {

struct HostNames : DriveRoot {
    void SetUp() override {
        DriveRoot::SetUp();
        make_dir("/E/Tools/Sub Dir");
    }
    std::string read(const char *name) {
        FILE *file = host_open_read(name);
        if (file == nullptr) return "<missing>";
        char buffer[100] = {};
        size_t count = fread(buffer, 1, sizeof buffer - 1, file);
        fclose(file);
        return std::string(buffer, count);
    }
};

}  // namespace

TEST_F(HostNames, NamesResolveLikeWindows) {
    make_file("/C/work/PRD.P00", "relative");
    make_file("/C/PRTG_Path.Txt", "rooted");
    make_file("/E/Tools/Sub Dir/SYS01.P00", "drive e");
    struct {
        const char *name;
        const char *content;
    } cases[] = {
        {"PRD.P00", "relative"},
        {"prd.p00", "relative"},
        {"C:\\PRTG_Path.Txt", "rooted"},
        {"c:\\prtg_path.txt", "rooted"},
        {"\\PRTG_Path.Txt", "rooted"},
        {"E:\\Tools\\Sub Dir\\SYS01.P00", "drive e"},
        {"e:\\TOOLS\\sub dir\\sys01.p00", "drive e"},
        {"E:\\Tools\\", "<missing>"},  // a directory never opens
        {"E:\\Tools", "<missing>"},
        {"D:\\PRD.P00", "<missing>"},
        {"..\\work\\PRD.P00", "relative"},
    };
    for (const auto &c : cases) EXPECT_EQ(read(c.name), c.content) << c.name;
}

TEST_F(HostNames, CreateAndDelete) {
    FILE *file = host_create_write("SapRfc.ini");
    ASSERT_NE(file, nullptr);
    fputs("x\r\n", file);
    fclose(file);
    EXPECT_EQ(read("SAPRFC.INI"), "x\r\n");
    EXPECT_TRUE(host_delete("saprfc.ini"));
    EXPECT_FALSE(host_delete("saprfc.ini"));
    EXPECT_EQ(host_create_write("Q:\\nowhere\\file"), nullptr);
}

// Names of a directory that has not changed for a while are kept for later look-ups;
// an entry added or removed afterwards is still seen.
TEST_F(HostNames, KeptNamesFollowTheDirectory) {
    make_file("/C/work/PRD.P00", "profile");
    usleep(1100 * 1000);  // only a directory unchanged for over a second has its names kept
    EXPECT_EQ(read("prd.p00"), "profile");
    EXPECT_EQ(read("Prd.P00"), "profile");
    EXPECT_EQ(read("saprfc.prd"), "<missing>");
    make_file("/C/work/SapRfc.PRD", "destination");
    EXPECT_EQ(read("saprfc.prd"), "destination");
    ASSERT_EQ(unlink((root + "/C/work/PRD.P00").c_str()), 0);
    EXPECT_EQ(read("prd.p00"), "<missing>");
}

// The librfc32 the loader took for this program is the stand-in beside it (RUNPATH
// $ORIGIN); the host names that very file.
TEST(HostRfcLibrary, NamesTheFileTheLoaderTook) {
    char program[4096];
    ssize_t length = readlink("/proc/self/exe", program, sizeof program - 1);
    ASSERT_GT(length, 0);
    program[length] = '\0';
    std::string beside = program;
    beside = beside.substr(0, beside.rfind('/')) + "/librfc32.so";
    host_module_path path;
    rfc_library_describe_function describe = nullptr;
    ASSERT_TRUE(host_find_rfc_library(path, describe));
    EXPECT_EQ(path.c_str()[0], '/');
    struct stat found, expected;
    ASSERT_EQ(stat(path.c_str(), &found), 0) << path.c_str();
    ASSERT_EQ(stat(beside.c_str(), &expected), 0) << beside;
    EXPECT_TRUE(found.st_dev == expected.st_dev && found.st_ino == expected.st_ino) << path.c_str();
}
