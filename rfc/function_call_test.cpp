// The exception name kept from a failed call: cut to its buffer, empty when none.
#include "rfc/function_call.h"

#include <gtest/gtest.h>

#include <string>

TEST(ExceptionName, LongerNamesAreCutAt255Characters) {
    char exception_text[exception_text_size];
    std::string long_name(300, 'N');
    keep_exception_name(long_name.c_str(), exception_text);
    EXPECT_EQ(std::string(exception_text), std::string(255, 'N'));
    keep_exception_name(nullptr, exception_text);
    EXPECT_STREQ(exception_text, "");
    keep_exception_name("NOT_FOUND", exception_text);
    EXPECT_STREQ(exception_text, "NOT_FOUND");
}
