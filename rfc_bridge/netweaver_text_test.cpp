// NetWeaver error texts over several lines become one line for the sensor.
#include "rfc_bridge/netweaver_text.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(NetweaverText, AnErrorLineBecomesTheMessageAndTheRestIsKeptFlat) {
    // A refused connection as SAP's library words it: a leading line feed, keyword
    // lines 12 columns wide, keywords with a blank inside.
    const char *text =
        "\nLOCATION    CPIC (TCP/IP) on local host with Unicode\n"
        "ERROR       partner 'sapdemo:sapgw00' not reached\n"
        "TIME        Thu Dec 10 14:03:59 2026\n"
        "RELEASE     753\n"
        "COMPONENT   NI (network interface)\n"
        "RC          -10\n"
        "SYSTEM CALL connect\r\n"
        "ERRNO TEXT  Connection refused\n"
        "COUNTER     1\n";
    netweaver_text out;
    split_netweaver_text(text, out);
    EXPECT_STREQ(out.message.c_str(), "partner 'sapdemo:sapgw00' not reached");
    EXPECT_STREQ(out.location.c_str(), "CPIC (TCP/IP) on local host with Unicode");
    EXPECT_STREQ(out.context.c_str(),
                 "TIME Thu Dec 10 14:03:59 2026; RELEASE 753; COMPONENT NI (network interface); RC -10; "
                 "SYSTEM CALL connect; ERRNO TEXT Connection refused; COUNTER 1");
}

TEST(NetweaverText, TextsWithoutAnErrorLineStayWholeOnOneLine) {
    struct row {
        const char *text, *message;
    } rows[] = {
        {"Name or password is incorrect (repeat logon)", "Name or password is incorrect (repeat logon)"},
        {"\nconnection closed\n  by the partner\n", "connection closed by the partner"},
        {"first\r\n\tsecond", "first second"},
        {"", ""},
        // A keyword line without ERROR is no reason to drop the text.
        {"\nLOCATION    somewhere\nDETAIL      broken", "LOCATION somewhere DETAIL broken"},
    };
    for (const row &r : rows) {
        netweaver_text out;
        split_netweaver_text(r.text, out);
        EXPECT_STREQ(out.message.c_str(), r.message) << r.text;
        EXPECT_TRUE(out.location.empty());
        EXPECT_TRUE(out.context.empty());
    }
}

TEST(NetweaverText, NoPartEverHoldsALineBreak) {
    const char *text = "\nERROR       one\rtwo\n\nLOCATION    a\tb\nfree text line\n";
    netweaver_text out;
    split_netweaver_text(text, out);
    EXPECT_STREQ(out.message.c_str(), "one");
    for (const char *part : {out.message.c_str(), out.location.c_str(), out.context.c_str()})
        EXPECT_EQ(strpbrk(part, "\r\n\t"), nullptr) << part;
}
