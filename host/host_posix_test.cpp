// The POSIX host maps Windows-style names below the drive root and matches path
// parts in any letter case, as Windows does.
#include "host/host.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

struct DriveRoot : ::testing::Test {
    std::string root;
    std::string old_cwd;
    void SetUp() override {
        char pattern[] = "/tmp/korvanel-host-XXXXXX";
        root = mkdtemp(pattern);
        setenv("KORVANEL_DRIVE_ROOT", root.c_str(), 1);
        char buffer[4096];
        old_cwd = getcwd(buffer, sizeof buffer);
        make_dir("/C");
        make_dir("/C/work");
        make_dir("/E");
        make_dir("/E/Tools");
        make_dir("/E/Tools/Sub Dir");
        ASSERT_EQ(chdir((root + "/C/work").c_str()), 0);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(old_cwd.c_str()), 0);
        unsetenv("KORVANEL_DRIVE_ROOT");
        std::string command = "rm -rf '" + root + "'";
        ASSERT_EQ(system(command.c_str()), 0);
    }
    void make_dir(const std::string &relative) { mkdir((root + relative).c_str(), 0755); }
    void make_file(const std::string &relative, const std::string &content) {
        FILE *file = fopen((root + relative).c_str(), "wb");
        fwrite(content.data(), 1, content.size(), file);
        fclose(file);
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

TEST_F(DriveRoot, NamesResolveLikeWindows) {
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

TEST_F(DriveRoot, CreateAndDelete) {
    FILE *file = host_create_write("SapRfc.ini");
    ASSERT_NE(file, nullptr);
    fputs("x\r\n", file);
    fclose(file);
    EXPECT_EQ(read("SAPRFC.INI"), "x\r\n");
    EXPECT_TRUE(host_delete("saprfc.ini"));
    EXPECT_FALSE(host_delete("saprfc.ini"));
    EXPECT_EQ(host_create_write("Q:\\nowhere\\file"), nullptr);
}
