// Reading the global listing file and the family profile: which lines count, the
// texts taken from them, their limits and every error.
#include "config/system_listing.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/host.h"
#include "run/command_line.h"

namespace {

struct loaded {
    bool ok = false;
    std::string message, listing, item, entry;
    bool profile_file_closed = false;
    channel_limits limits;
};

// Writes `content` as the listing in the working directory (named after the test, so
// tests may run side by side), opens it as profile location would, and loads it.
// `given` stands for the parameter field's LIMITS=, as the run driver read it before.
loaded load(const std::string &content, std::vector<const char *> parameters, const char *profile = "GLOBAL",
            const channel_limits &given = channel_limits{}) {
    std::string name = std::string("listing_") + testing::UnitTest::GetInstance()->current_test_info()->name() + ".tmp";
    FILE *file = fopen(name.c_str(), "wb");
    EXPECT_NE(file, nullptr);
    if (file == nullptr) return {};
    fwrite(content.data(), 1, content.size(), file);
    fclose(file);

    parameters.insert(parameters.begin(), {"Korvanel.exe", profile});
    run_record run{};
    parse_command_line(run, static_cast<int>(parameters.size()), parameters.data());
    run.profile_path.assign(name.c_str());
    run.profile_file = host_open_read(name.c_str());
    run.asp_limits = given;

    run_message message;
    loaded result;
    result.ok = load_system_listing(run, parameters.size() > 2 ? parameters[2] : nullptr, message);
    result.message = message.c_str();
    result.listing = run.system_listing.c_str();
    result.item = run.item_label.c_str();
    result.entry = run.entry_text.c_str();
    result.profile_file_closed = run.profile_file == nullptr;
    result.limits = run.asp_limits;
    remove(name.c_str());
    return result;
}

const char *const allocation = ",Sensor=\"SAP Korvanel\"";

}  // namespace

TEST(SystemListing, GlobalListingTakesTheLinesOfItsKey) {
    // Columns 9-18 hold the key, 19 is a separator; listing text from 21, entry text from 20.
    loaded result = load(
        "# Sensors of the SAP landscape\r\n"
        "# GSNG: ASP       : SYS01.P00#SYS02.P\r\n"
        "# gsnx: asp       :Item=Plant:North,GIGABYTE,Sensor=\"SAP Korvanel\",Owner=Basis\r\n"
        "# GSNG: ASPX      : OTHER.P00#\r\n"
        "# GSNX: ASP       :Item=Second,Sensor=\"Something else\"\r\n"
        "# Gsng: Asp       : 00#SYS03.P00#\r\n"
        "# GSNG: ASP\r\n"
        "GSNG: ASP       : LOOSE.P00#\r\n"
        "# GSNG: ASP       : SYS04.P00#",
        {"asp", "GIGABYTE"});
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.listing, "SYS01.P00#SYS02.P00#SYS03.P00#SYS04.P00#");
    EXPECT_EQ(result.item, "Plant North");
    EXPECT_EQ(result.entry, "Item=Plant North,GIGABYTE");
    EXPECT_TRUE(result.profile_file_closed);
}

TEST(SystemListing, SensorKeyIsTheFirstWordInTenCharacters) {
    const std::string content =
        "# GSNG: LONGSENSOR: L.P00#\n"
        "# GSNX: LONGSENSOR:Item=Long" + std::string(allocation) + "\n"
        "# GSNG:           : BLANK.P00#\n"
        "# GSNX:           :Item=Blank" + allocation + "\n";
    struct {
        std::vector<const char *> parameters;
        const char *listing;
        const char *item;
    } cases[] = {
        {{"LONGSENSOR1"}, "L.P00#", "Long"},
        {{"longsensor2 FLAVOUR=Brimtol"}, "L.P00#", "Long"},
        {{}, "BLANK.P00#", "Blank"},
        {{" LONGSENSOR"}, "BLANK.P00#", "Blank"},
    };
    for (const auto &c : cases) {
        loaded result = load(content, c.parameters);
        std::string shown = c.parameters.empty() ? "(none)" : c.parameters[0];
        EXPECT_TRUE(result.ok) << shown << ": " << result.message;
        EXPECT_EQ(result.listing, c.listing) << shown;
        EXPECT_EQ(result.item, c.item) << shown;
    }
}

TEST(SystemListing, FamilyProfileTakesExactMarkersAndKeepsTheCommandLineItem) {
    loaded result = load(
        "Destination:PRD\n"
        "# Gsng: ignored     A.P00#\n"
        "# GSNG: ignored     X.P00#\n"
        "# gsng: ignored     Y.P00#\n"
        "# Gsng: ignored     B.P\n"
        "# Gsng: ignored     00#\n",
        {"ITEM=North:Plant"}, "ANY");
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.listing, "A.P00#B.P00#");
    EXPECT_EQ(result.item, "North Plant");
    EXPECT_EQ(result.entry, "");
    EXPECT_TRUE(result.profile_file_closed);
}

TEST(SystemListing, ListingLinesAreReadWhole) {
    // 25 systems on one line: 220 characters, more than a piece of 199.
    std::string systems;
    for (int i = 1; i <= 25; ++i) systems += "S" + std::to_string(100 + i).substr(1) + ".P00#";
    loaded global = load("# GSNG: ASP       : " + systems + "\r\n# GSNX: ASP       :Item=X" + allocation + "\n", {"ASP"});
    EXPECT_TRUE(global.ok) << global.message;
    EXPECT_EQ(global.listing, systems);
    loaded family = load("# Gsng: " + std::string(12, '-') + systems + "\n# Gsng: ------------Z.P00#", {"ITEM=A"});
    EXPECT_TRUE(family.ok) << family.message;
    EXPECT_EQ(family.listing, systems + "Z.P00#");

    // What looks like a marker after column 199 of a listing line is listing text.
    std::string first = "# GSNG: ASP       : " + std::string(179, 'a');
    std::string second = "# GSNG: ASP       : B.P00#";
    loaded result = load(first + second + "\n# GSNX: ASP       :Item=X" + allocation + "\n", {"ASP"});
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.listing, std::string(179, 'a') + second);

    // Other lines keep their pieces of 199: the rest of a long comment is a line of its own.
    loaded comment = load("*" + std::string(198, '-') + second + "\n# GSNX: ASP       :Item=X" + allocation + "\n",
                          {"ASP"});
    EXPECT_TRUE(comment.ok) << comment.message;
    EXPECT_EQ(comment.listing, "B.P00#");

    // A listing line beyond the listing's capacity is too long, never silently cut.
    loaded overlong = load("# GSNG: ASP       : " + std::string(2048, 'x') + "\n# GSNX: ASP       :Item=X" +
                           allocation + "\n", {"ASP"});
    EXPECT_FALSE(overlong.ok);
    EXPECT_EQ(overlong.message, "Error 1027: Global Server Listing too long...");
    loaded fits = load("# GSNG: ASP       : " + std::string(2047, 'x') + "\n# GSNX: ASP       :Item=X" +
                       allocation + "\n", {"ASP"});
    EXPECT_TRUE(fits.ok) << fits.message;
}

TEST(SystemListing, ListingsSavedWithMarksOrInUtf16) {
    // The first line is a listing line, so a mark left in front of it would lose its systems.
    const std::string text = "# GSNG: ASP       : A.P00#\r\n# GSNX: ASP       :Item=Plant:North" + std::string(allocation) +
                             "\r\n# Gsng: ------------F.P00#\r\n";
    std::string le, be;
    for (char c : text) {
        le += std::string{c, '\0'};
        be += std::string{'\0', c};
    }
    struct {
        const char *name;
        std::string bytes;
    } cases[] = {
        {"utf-8 mark", "\xEF\xBB\xBF" + text},
        {"utf-16 le", "\xFF\xFE" + le},
        {"utf-16 be", "\xFE\xFF" + be},
    };
    for (const auto &c : cases) {
        loaded global = load(c.bytes, {"ASP"});
        EXPECT_TRUE(global.ok) << c.name << ": " << global.message;
        EXPECT_EQ(global.listing, "A.P00#") << c.name;
        EXPECT_EQ(global.item, "Plant North") << c.name;
        loaded family = load(c.bytes, {"ITEM=F"});
        EXPECT_EQ(family.listing, "F.P00#") << c.name;
    }
    // A listing line that PowerShell's ">>" appended in UTF-16 LE to an ANSI listing.
    std::string appended;
    for (char c : std::string("# GSNG: ASP       : B.P00#\r\n")) appended += std::string{c, '\0'};
    loaded mixed = load(text + appended, {"ASP"});
    EXPECT_EQ(mixed.listing, "A.P00#B.P00#");
}

TEST(SystemListing, EntryTextIsCutAt127Characters) {
    std::string options = std::string(120, 'o');
    loaded result = load("# GSNG: ASP       : A.P00#\n"
                         "# GSNX: ASP       :Item=X:Y," + options + allocation + "\n",
                         {"ASP"});
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.entry, ("Item=X Y," + options).substr(0, 127));
    EXPECT_EQ(result.item, "X Y");
}

TEST(SystemListing, Errors) {
    const std::string entry = "# GSNX: ASP       :Item=X" + std::string(allocation) + "\n";
    // Twelve texts of 171 characters: 2052 in all.
    std::string too_long, family_too_long;
    for (int i = 0; i < 12; ++i) {
        too_long += "# GSNG: ASP       : " + std::string(170, 'a') + "#\n";
        family_too_long += "# Gsng: ignored     " + std::string(170, 'a') + "#\n";
    }
    struct {
        const char *name;
        std::string content;
        std::vector<const char *> parameters;
        const char *message;
    } cases[] = {
        {"no entry line", "# GSNG: ASP       : A.P00#\n", {"asp", "GIGABYTE"},
         "Error 1030: Global Sensor asp not found..."},
        {"no parameters", "# GSNG: ASP       : A.P00#\n", {}, "Error 1030: Global Sensor  not found..."},
        {"entry of another key", "# GSNG: ASP       : A.P00#\n# GSNX: ASPX      :Item=X" + std::string(allocation),
         {"ASP"}, "Error 1030: Global Sensor ASP not found..."},
        {"first entry line not ours", "# GSNX: ASP       :Item=X,Sensor=\"SAP korvanel\"\n" + entry,
         {"ASP"}, "Error 1029: Invalid Sensor-Allocation..."},
        {"allocation without quotes", "# GSNX: ASP       :Item=X,Sensor=SAP Korvanel\n", {"ASP"},
         "Error 1029: Invalid Sensor-Allocation..."},
        {"entry line without text", "# GSNX: ASP       \n", {"ASP"}, "Error 1029: Invalid Sensor-Allocation..."},
        {"no listing", entry, {"ASP"}, "Error 1025: Global Server Listing missing..."},
        {"listing text empty", "# GSNG: ASP       : \n" + entry, {"ASP"},
         "Error 1025: Global Server Listing missing..."},
        {"no item", "# GSNG: ASP       : A.P00#\n# GSNX: ASP       :GIGABYTE" + std::string(allocation), {"ASP"},
         "Error 1026: Global Item Idenification missing..."},
        {"empty item", "# GSNG: ASP       : A.P00#\n# GSNX: ASP       :Item=,X" + std::string(allocation),
         {"ASP"}, "Error 1026: Global Item Idenification missing..."},
        {"listing too long", too_long + entry, {"ASP"}, "Error 1027: Global Server Listing too long..."},
        {"family without listing", "# GSNG: ignored     A.P00#\n", {"ITEM=North"},
         "Error 1025: Global Server Listing missing..."},
        {"family listing too long", family_too_long, {"ITEM=North"},
         "Error 1027: Global Server Listing too long..."},
        // LIMITS= is read from the whole entry line, also after ",Sensor=", and checked
        // before everything else the listing may lack.
        {"entry line with a bad LIMITS=", "# GSNX: ASP       :Item=X" + std::string(allocation) + ",limits=95/90\n",
         {"ASP"}, "Error 1019: Invalid Parameter LIMITS=95/90 !"},
    };
    for (const auto &c : cases) {
        loaded result = load(c.content, c.parameters);
        EXPECT_FALSE(result.ok) << c.name;
        EXPECT_EQ(result.message, c.message) << c.name;
        EXPECT_TRUE(result.profile_file_closed) << c.name;
    }
}

TEST(SystemListing, ListingThatJustFits) {
    // 2047 characters exactly: 11 texts of 179 and one of 78.
    std::string content;
    for (int i = 0; i < 11; ++i) content += "# GSNG: ASP       : " + std::string(178, 'a') + "#\n";
    content += "# GSNG: ASP       : " + std::string(77, 'b') + "#\n# GSNX: ASP       :Item=X" + allocation;
    loaded result = load(content, {"ASP"});
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.listing.size(), system_listing_capacity);
}

TEST(SystemListing, FileThatCannotBeOpenedAgain) {
    struct {
        std::vector<const char *> parameters;
        const char *message;
    } cases[] = {
        {{"ASP"}, "Error 10x1: ProFile SAP Wendmark.Gbl is missing..."},
        {{"ITEM=North"}, "Error 1024: ProFile Wendmark.Prf is missing..."},
    };
    for (const auto &c : cases) {
        std::vector<const char *> arguments = {"Korvanel.exe", "GLOBAL"};
        arguments.insert(arguments.end(), c.parameters.begin(), c.parameters.end());
        run_record run{};
        parse_command_line(run, static_cast<int>(arguments.size()), arguments.data());
        run.profile_path.assign("no_such_listing.tmp");
        run_message message;
        EXPECT_FALSE(load_system_listing(run, arguments[2], message));
        EXPECT_EQ(std::string(message.c_str()), c.message);
    }
}

TEST(SystemListing, EntryLineLimitsWinOverTheParameterFields) {
    // LIMITS= is read as DETAIL=, TIMEOUT= and PARALLEL= are: the entry line's value
    // wins, and the parameter field's stands where the entry line gives none.
    const std::string listing = "# GSNG: ASP       : A.P00#\n";
    channel_limits parameter_field;
    parameter_field.has_max_warning = parameter_field.has_max_error = true;
    parameter_field.max_warning = 70;
    parameter_field.max_error = 95;
    struct {
        const char *name;
        const char *entry_options;
        channel_limits given;
        bool has_limits;
        long warning, error;
    } cases[] = {
        {"entry line alone", ",LIMITS=80/90", channel_limits{}, true, 80, 90},
        {"entry line wins", ",LIMITS=80/90", parameter_field, true, 80, 90},
        {"parameter field kept", "", parameter_field, true, 70, 95},
        {"neither", "", channel_limits{}, false, 0, 0},
    };
    for (const auto &c : cases) {
        loaded result =
            load(listing + "# GSNX: ASP       :Item=X" + allocation + c.entry_options + "\n", {"ASP"}, "GLOBAL", c.given);
        EXPECT_TRUE(result.ok) << c.name << ": " << result.message;
        EXPECT_EQ(result.entry, "Item=X") << c.name;
        EXPECT_EQ(result.limits.has_max_warning, c.has_limits) << c.name;
        EXPECT_EQ(result.limits.has_max_error, c.has_limits) << c.name;
        if (!c.has_limits) continue;
        EXPECT_EQ(result.limits.max_warning, c.warning) << c.name;
        EXPECT_EQ(result.limits.max_error, c.error) << c.name;
    }
    // A malformed value on the entry line is an error whatever the parameter field says.
    loaded bad = load(listing + "# GSNX: ASP       :Item=X" + allocation + ",LIMITS=90/80\n", {"ASP"}, "GLOBAL",
                      parameter_field);
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.message, "Error 1019: Invalid Parameter LIMITS=90/80 !");
}

TEST(SystemListing, ItemCutAtNinetyCharactersEndsOnAWholeCharacter) {
    // 89 letters and a UTF-8 "ü": the cut at 90 would leave the "ü" half.
    const std::string label = std::string(89, 'a') + "\xc3\xbc";
    loaded result = load("# GSNG: ASP       : A.P00#\n# GSNX: ASP       :Item=" + label + allocation + "\n", {"ASP"});
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.item, std::string(89, 'a'));
    // The same from the command line.
    run_record run{};
    std::string option = "ITEM=" + std::string(88, 'b') + "\xc3\xbc" + "x";
    const char *arguments[] = {"Korvanel.exe", "ANY", option.c_str()};
    parse_command_line(run, 3, arguments);
    EXPECT_EQ(std::string(run.item_label.c_str()), std::string(88, 'b') + "\xc3\xbc");
    std::string cut = "ITEM=" + std::string(89, 'b') + "\xc3\xbc";
    const char *cut_arguments[] = {"Korvanel.exe", "ANY", cut.c_str()};
    parse_command_line(run, 3, cut_arguments);
    EXPECT_EQ(std::string(run.item_label.c_str()), std::string(89, 'b'));
}
