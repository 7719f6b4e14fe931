// The connect-string reader: pairs as written, quotes, and every way a string fails.
#include "rfc_bridge/connect_pairs.h"

#include <gtest/gtest.h>

#include <string>

TEST(BridgeConnectPairs, ReadsPairsAsWritten) {
    connect_pairs pairs;
    logon_problem problem;
    // As the sensor's connection code writes it, plus a quoted value with blanks.
    ASSERT_TRUE(parse_connect_pairs("CLIENT=100 user=MONITOR PASSWD=a#b=c LANG=D  DEST=BIN gwserv=\"sap gw 00\"",
                                    pairs, problem));
    ASSERT_EQ(pairs.count, 6);
    EXPECT_STREQ(pairs.pairs[1].id.c_str(), "USER");
    EXPECT_STREQ(find_pair(pairs, "PASSWD"), "a#b=c");
    EXPECT_STREQ(find_pair(pairs, "DEST"), "BIN");
    EXPECT_STREQ(find_pair(pairs, "GWSERV"), "sap gw 00");
    EXPECT_EQ(find_pair(pairs, "ASHOST"), nullptr);
    ASSERT_TRUE(parse_connect_pairs("   ", pairs, problem));
    EXPECT_EQ(pairs.count, 0);
    ASSERT_TRUE(parse_connect_pairs("USER= LANG=E", pairs, problem));
    EXPECT_STREQ(find_pair(pairs, "USER"), "");
}

TEST(BridgeConnectPairs, RefusesWhatIsNotPairs) {
    static const std::string long_password = "PASSWD=" + std::string(300, 'x');
    struct row {
        const char *text;
        const char *problem_part;
    } rows[] = {
        {"CLIENT", "not made of ID=value"},
        {"=100", "not made of ID=value"},
        {"CLIENT=100 junk", "not made of ID=value"},
        {"USER=\"MONITOR", "USER lacks its closing quote"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ=1", "ID too long"},
        {long_password.c_str(), "value of PASSWD too long"},
    };
    for (const row &r : rows) {
        connect_pairs pairs;
        logon_problem problem;
        EXPECT_FALSE(parse_connect_pairs(r.text, pairs, problem)) << r.problem_part;
        EXPECT_NE(problem.find(r.problem_part), -1) << problem.c_str();
        // A password value is never repeated in a problem text.
        EXPECT_EQ(problem.find("xxxxxxxxxx"), -1);
    }
    connect_pairs pairs;
    logon_problem problem;
    std::string many;
    for (int i = 0; i <= connect_pairs_capacity; ++i) many += "A=1 ";
    EXPECT_FALSE(parse_connect_pairs(many.c_str(), pairs, problem));
    EXPECT_FALSE(parse_connect_pairs(nullptr, pairs, problem));
}
