// Profile location on a laid-out drive root: the working directory, the path file
// with its two descents, PRTG's fixed sensor directories, the other flavours'
// directory, the global listing name and the capacities of name and directory.
#include "config/profile_location.h"

#include <string>

#include "host/drive_root_fixture.h"

namespace {

const std::string prtg = "/PRTG Network Monitor/Custom Sensors/ExeXml";
const std::string custom = "/Custom Sensors/ExeXml";

struct ProfileLocation : DriveRoot {
    run_record run{};
    run_message message;

    void TearDown() override {
        close_profile_file(run);
        DriveRoot::TearDown();
    }
    // Locates `profile_name`; returns the content of the opened file, or the message.
    std::string locate(const char *profile_name, const char *flavour = "EXEXML") {
        close_profile_file(run);
        run.profile_name.assign(profile_name);
        run.output_flavour.assign(flavour);
        if (!locate_profile(run, message)) {
            EXPECT_EQ(run.profile_file, nullptr);
            return message.c_str();
        }
        char buffer[100] = {};
        size_t count = fread(buffer, 1, sizeof buffer - 1, run.profile_file);
        return std::string(buffer, count);
    }
};

}  // namespace

TEST_F(ProfileLocation, WithoutPathFileWorkingDirectoryThenFixedDirectories) {
    make_file("/C/Program Files" + prtg + "/SYS01.P00", "program files");
    make_file("/C/Program Files (x86)" + prtg + "/SYS01.P00", "x86");
    make_file("/C/Program Files (x86)" + prtg + "/SYS02.P00", "x86 only");
    make_file("/C/Programme" + prtg + "/SYS03.P00", "programme");
    make_file("/C/Program Files" + prtg + "/SYS03.P00", "program files");
    struct {
        const char *name;
        const char *content;
        const char *directory;
    } cases[] = {
        {"SYS01.P00", "program files", "\\Program Files\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\"},
        {"SYS02.P00", "x86 only", "\\Program Files (x86)\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\"},
        {"SYS03.P00", "programme", "\\Programme\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(locate(c.name), c.content) << c.name;
        EXPECT_STREQ(run.profile_directory.c_str(), c.directory) << c.name;
        EXPECT_EQ(std::string(run.profile_path.c_str()), std::string(c.directory) + c.name);
    }

    // The working directory comes first; a directory given with the name is dropped.
    make_file("/C/work/SYS01.P00", "working directory");
    make_file("/D/Sensors/SYS01.P00", "drive d");
    EXPECT_EQ(locate("D:\\Sensors\\SYS01.P00"), "working directory");
    EXPECT_STREQ(run.profile_directory.c_str(), "");
    EXPECT_STREQ(run.profile_name.c_str(), "SYS01.P00");
    EXPECT_STREQ(run.profile_path.c_str(), "SYS01.P00");

    EXPECT_EQ(locate("SYS09.P00"), "Error 1002: Profile SYS09.P00 is missing...");
}

TEST_F(ProfileLocation, PathFileBaseDirectory) {
    make_file("/E/Tools/SYS01.P00", "e tools");
    make_file("/C/B/SYS01.P00", "c b");
    make_file("/E/SYS01.P00", "e root");
    make_file("/C/SYS01.P00", "c root");
    struct {
        const char *name;
        std::string path_file;
        const char *directory;
        const char *content;
    } cases[] = {
        {"comment, then directory", "# PRTG base\nE:\\Tools\n", "E:\\Tools\\", "e tools"},
        {"the last directory line wins", "C:\\A\nC:\\B\\\nnot a directory\n", "C:\\B\\", "c b"},
        {"drive alone", "E:\r\n", "E:\\", "e root"},
        {"no directory line", "# nothing here\n", "\\", "c root"},
        {"empty path file", "", "\\", "c root"},
        {"rooted without drive", "\\B", "\\B\\", "c b"},
        {"third character a backslash", "xx\\B\n", "xx\\B\\", "relative xx"},
        // A long line is read whole: the end of a comment never passes for a directory.
        {"long comment line", "#" + std::string(98, '-') + "E:\\Tools\n", "\\", "c root"},
        {"comment longer than any line", "#" + std::string(300, '-') + "\\B\nE:\\Tools\n", "E:\\Tools\\", "e tools"},
        // Notepad's "Unicode" and "UTF-8 with BOM".
        {"utf-16 path file", std::string("\xFF\xFE" "E\0:\0\\\0T\0o\0o\0l\0s\0\r\0\n\0", 20), "E:\\Tools\\", "e tools"},
        {"utf-8 mark", "\xEF\xBB\xBF" "E:\\Tools\r\n", "E:\\Tools\\", "e tools"},
    };
    make_file("/C/work/xx/B/SYS01.P00", "relative xx");
    for (const auto &c : cases) {
        make_file("/C/PRTG_Path.Txt", c.path_file);
        EXPECT_EQ(locate("SYS01.P00"), c.content) << c.name;
        EXPECT_STREQ(run.profile_directory.c_str(), c.directory) << c.name;
    }
}

TEST_F(ProfileLocation, PathFileDescentsAndNoFixedDirectories) {
    make_file("/C/PRTG_Path.Txt", "E:\\Tools\n");
    make_file("/E/Tools" + prtg + "/BOTH.P00", "below prtg");
    make_file("/E/Tools" + custom + "/BOTH.P00", "below install");
    make_file("/E/Tools/BOTH.P00", "base");
    make_file("/E/Tools" + custom + "/CUSTOM.P00", "below install");
    make_file("/E/Tools/CUSTOM.P00", "base");
    make_file("/E/Tools/BASE.P00", "base");
    // The second descent looks below the first one's directory.
    make_file("/E/Tools" + prtg + custom + "/DEEP.P00", "deep");
    make_file("/E/Tools" + prtg + "/DEEP.P00", "below prtg");
    struct {
        const char *name;
        const char *content;
        const char *directory;
    } cases[] = {
        {"BOTH.P00", "below prtg", "E:\\Tools\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\"},
        {"CUSTOM.P00", "below install", "E:\\Tools\\Custom Sensors\\ExeXml\\"},
        {"BASE.P00", "base", "E:\\Tools\\"},
        {"DEEP.P00", "deep", "E:\\Tools\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\Custom Sensors\\ExeXml\\"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(locate(c.name), c.content) << c.name;
        EXPECT_STREQ(run.profile_directory.c_str(), c.directory) << c.name;
    }

    // With a path file, neither the working directory nor a fixed directory is tried.
    make_file("/C/work/FIXED.P00", "working directory");
    make_file("/C/Program Files" + prtg + "/FIXED.P00", "program files");
    EXPECT_EQ(locate("FIXED.P00"), "Error 1002: Profile FIXED.P00 is missing...");
}

TEST_F(ProfileLocation, OtherFlavoursOpenTheGivenDirectory) {
    make_file("/D/Sensors/SYS01.P00", "drive d");
    make_file("/C/work/SYS01.P00", "working directory");
    make_file("/C/SYS02.P00", "root");
    EXPECT_EQ(locate("D:\\Sensors\\SYS01.P00", "Brimtol"), "drive d");
    EXPECT_STREQ(run.profile_directory.c_str(), "D:\\Sensors\\");
    EXPECT_STREQ(run.profile_name.c_str(), "SYS01.P00");
    EXPECT_STREQ(run.profile_path.c_str(), "D:\\Sensors\\SYS01.P00");
    EXPECT_EQ(locate("SYS01.P00", "Gantries"), "working directory");
    // One leading backslash and no other: no directory part, the whole name is the file.
    EXPECT_EQ(locate("\\SYS02.P00", "Gantries"), "root");
    EXPECT_STREQ(run.profile_directory.c_str(), "");
    EXPECT_STREQ(run.profile_name.c_str(), "\\SYS02.P00");
    EXPECT_EQ(locate("D:\\Other\\SYS01.P00", "Gantries"), "Error 1002: Profile D:\\Other\\SYS01.P00 is missing...");
    // Not even the fixed directories are tried.
    make_file("/C/Programme" + prtg + "/SYS03.P00", "programme");
    EXPECT_EQ(locate("SYS03.P00", "Lumaset"), "Error 1002: Profile SYS03.P00 is missing...");
}

TEST_F(ProfileLocation, GlobalFileNameSelectsTheListing) {
    make_file("/C/Data/SAP Wendmark.Gbl", "listing in data");
    make_file("/C/work/SAP Wendmark.Gbl", "listing in work");
    EXPECT_EQ(locate("C:\\Data\\global.P00", "Tessvar"), "listing in data");
    EXPECT_TRUE(run.multi_system_mode);
    EXPECT_STREQ(run.profile_name.c_str(), "SAP Wendmark.Gbl");
    run.multi_system_mode = false;
    EXPECT_EQ(locate("C:\\Data\\GLOBAL.P00"), "listing in work");
    EXPECT_TRUE(run.multi_system_mode);
    run.multi_system_mode = false;
    EXPECT_EQ(locate("C:\\Missing\\Global.p00"), "listing in work");
    EXPECT_EQ(locate("C:\\Missing\\Global.p00", "Brimtol"),
              "Error 1002: Profile C:\\Missing\\SAP Wendmark.Gbl is missing...");
}

TEST_F(ProfileLocation, CapacitiesOfNameAndDirectory) {
    // A real install: 23 + 43 directory characters and a 16-character file name make a
    // path of 82, which must work.
    make_file("/C/PRTG_Path.Txt", "C:\\Program Files (x86)\n");
    make_file("/C/Program Files (x86)" + prtg + "/SAP Wendmark.Gbl", "listing");
    EXPECT_EQ(locate("GLOBAL.P00"), "listing");
    EXPECT_EQ(run.profile_path.size(), 82u);

    // A file name of 63 characters fits, one of 64 does not.
    std::string name63 = std::string(59, 'n') + ".P00";
    std::string name64 = "n" + name63;
    make_file("/C/Program Files (x86)/" + name63, "63");
    make_file("/C/Program Files (x86)/" + name64, "64");
    EXPECT_EQ(locate(name63.c_str()), "63");
    EXPECT_EQ(locate(name64.c_str()), "Error 1002: Profile " + name64 + " is missing...");

    // The path file may name a directory of 100 characters, with or without its closing
    // backslash, and both descents below it still fit; one of 101 is named too long.
    std::string d97 = std::string(97, 'd');
    make_file("/C/" + d97 + prtg + "/SYS01.P00", "100 and one descent");
    make_file("/C/" + d97 + prtg + custom + "/SYS01.P00", "100 and both descents");
    make_file("/C/PRTG_Path.Txt", "C:\\" + d97);
    EXPECT_EQ(locate("SYS01.P00"), "100 and both descents");
    EXPECT_EQ(run.profile_directory.size(), 101u + 43u + 22u);
    EXPECT_EQ(run.profile_directory.size(), directory_capacity);
    EXPECT_FALSE(run.profile_path.cut);
    make_file("/C/PRTG_Path.Txt", "C:\\" + d97 + "\\\r\n");
    EXPECT_EQ(locate("SYS01.P00"), "100 and both descents");
    const std::string too_long =
        "Error 1002: Profile directory in C:\\PRTG_Path.Txt is too long (more than 100 characters)...";
    make_file("/C/" + d97 + "d/SYS01.P00", "101");
    make_file("/C/PRTG_Path.Txt", "C:\\" + d97 + "d");
    EXPECT_EQ(locate("SYS01.P00"), too_long);
    make_file("/C/PRTG_Path.Txt", "C:\\" + std::string(400, 'd') + "\n");
    EXPECT_EQ(locate("SYS01.P00"), too_long);
    // A later line that names a directory that fits wins, as the last line always does.
    make_file("/C/PRTG_Path.Txt", "C:\\" + std::string(400, 'd') + "\nC:\\" + d97 + "\n");
    EXPECT_EQ(locate("SYS01.P00"), "100 and both descents");

    // Other flavours keep the given directory, so it must fit; PRTG's flavour drops it.
    std::string long_directory = "C:\\" + std::string(directory_capacity - 3, 'd') + "\\";
    EXPECT_EQ(locate((long_directory + "SYS01.P00").c_str(), "Gantries"),
              "Error 1002: Profile directory of SYS01.P00 is too long (more than 166 characters)...");
    std::string fitting_directory = "C:\\" + std::string(directory_capacity - 4, 'd') + "\\";
    EXPECT_EQ(locate((fitting_directory + "SYS01.P00").c_str(), "Gantries"),
              "Error 1002: Profile " + fitting_directory + "SYS01.P00 is missing...");
    make_file("/C/work/SYS01.P00", "working directory");
    remove((root + "/C/PRTG_Path.Txt").c_str());
    EXPECT_EQ(locate((long_directory + "SYS01.P00").c_str()), "working directory");
}
