// OBJECTS=: the two words in any letter case, every other value refused with error
// 1028 and its text as given; DETAIL= shares the reader (detail_option_test.cpp).
#include "config/objects_option.h"

#include <gtest/gtest.h>

#include <string>

TEST(ObjectsOption, ValuesAndErrors) {
    struct {
        const char *text;
        bool valid;
        bool found;
        bool objects;  // from a start of false
        const char *message;
    } cases[] = {
        {nullptr, true, false, false, ""},
        {"GIGABYTE DETAIL=YES", true, false, false, ""},
        {"OBJECTS=YES", true, true, true, ""},
        {"gigabyte objects=yes,X", true, true, true, ""},
        {"Objects=No", true, true, false, ""},
        {"OBJECTS=MAYBE", false, false, false, "Error 1028: Invalid Parameter OBJECTS=MAYBE !"},
        {"OBJECTS=", false, false, false, "Error 1028: Invalid Parameter OBJECTS= !"},
        {"OBJECTS=Y", false, false, false, "Error 1028: Invalid Parameter OBJECTS=Y !"},
        {"OBJECTS=x OBJECTS=YES", false, false, false, "Error 1028: Invalid Parameter OBJECTS=x !"},
    };
    for (const auto &c : cases) {
        bool objects = false;
        bool found = !c.found;
        run_message message;
        const char *shown = c.text != nullptr ? c.text : "(null)";
        EXPECT_EQ(read_objects_option(c.text, objects, found, message), c.valid) << shown;
        EXPECT_EQ(std::string(message.c_str()), c.message) << shown;
        EXPECT_EQ(found, c.found) << shown;
        EXPECT_EQ(objects, c.objects) << shown;
    }
}
