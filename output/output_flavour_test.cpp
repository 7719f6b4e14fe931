// Choosing the output flavour from the FLAVOUR= option, and the exact names.
#include "output/output_flavour.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run/command_line.h"

namespace {

std::string flavour_for(std::vector<const char *> parameters) {
    parameters.insert(parameters.begin(), {"Korvanel.exe", "PRD"});
    run_record run{};
    parse_command_line(run, static_cast<int>(parameters.size()), parameters.data());
    choose_output_flavour(run);
    return run.output_flavour.c_str();
}

}  // namespace

TEST(OutputFlavour, ChosenByTheFlavourOption) {
    struct {
        std::vector<const char *> parameters;
        const char *flavour;
    } cases[] = {
        {{}, "EXEXML"},
        {{"GIGABYTE"}, "EXEXML"},
        {{"FLAVOUR=Lumaset"}, "Lumaset"},
        {{"FLAVOUR=Tessvar"}, "Tessvar"},
        {{"FLAVOUR=EXEXML"}, "EXEXML"},
        // The keyword is found in any case, its value ends at a blank or a comma.
        {{"flavour=Gantries,GIGABYTE"}, "Gantries"},
        {{"GIGABYTE", "Flavour=Brimtol"}, "Brimtol"},
        {{"ASP FLAVOUR=Brimtol,CH=2"}, "Brimtol"},
        // A name in another case, a longer name or an empty value is no flavour.
        {{"FLAVOUR=gantries"}, "EXEXML"},
        {{"FLAVOUR=BRIMTOL"}, "EXEXML"},
        {{"FLAVOUR=exexml"}, "EXEXML"},
        {{"FLAVOUR=Brimtolx"}, "EXEXML"},
        {{"FLAVOUR=Brimtol_with_a_very_long_tail"}, "EXEXML"},
        {{"FLAVOUR="}, "EXEXML"},
        {{"FLAVOUR= Brimtol"}, "EXEXML"},
    };
    for (const auto &c : cases) {
        std::string shown;
        for (const char *p : c.parameters) shown += std::string(p) + "|";
        EXPECT_EQ(flavour_for(c.parameters), c.flavour) << shown;
    }
}

TEST(OutputFlavour, OnlyGantriesAndBrimtolAreTextForms) {
    struct {
        const char *flavour;
        bool xml, gantries, brimtol;
    } cases[] = {
        {"EXEXML", true, false, false},  {"Lumaset", true, false, false}, {"Tessvar", true, false, false},
        {"Gantries", false, true, false}, {"Brimtol", false, false, true}, {"gantries", true, false, false},
        {"Brimto", true, false, false},
    };
    for (const auto &c : cases) {
        run_record run{};
        run.output_flavour.assign(c.flavour);
        EXPECT_EQ(is_xml_flavour(run), c.xml) << c.flavour;
        EXPECT_EQ(is_gantries_flavour(run), c.gantries) << c.flavour;
        EXPECT_EQ(is_brimtol_flavour(run), c.brimtol) << c.flavour;
    }
}
