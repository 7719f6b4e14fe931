// The two simulated function modules through the library's own functions: the
// records arrive byte for byte as the landscape describes them, and every fault in
// the lists a caller passes is answered as a failure or a system failure that says
// what was wrong.
#include "rfc_standin/standin_fixture.h"

using namespace standin_test;

namespace {

struct Modules : StandIn {};

}  // namespace

TEST_F(Modules, SystemInfoFillsTheRecordBlankPadded) {
    RFC_HANDLE handle = open_r3();
    ASSERT_NE(handle, 0u);
    system_info_call call;
    ASSERT_EQ(call.run(handle), RFC_OK);
    EXPECT_EQ(call.field(45, 8), "sapdemo ");      // RFCHOST
    EXPECT_EQ(call.field(53, 8), "DEM     ");      // RFCSYSID
    EXPECT_EQ(call.field(101, 10), "DB4       ");  // RFCDBSYS
    EXPECT_EQ(call.field(0, 3), "   ");            // fields the landscape leaves out are blank
    EXPECT_EQ(call.field(156, 44), std::string(44, ' '));
    EXPECT_EQ(call.complete, 'X');
    EXPECT_EQ(call.maximal, 5);
    EXPECT_EQ(call.exception, nullptr);
    EXPECT_EQ(trace(), "<missing>");
}

TEST_F(Modules, Db4InfoFillsPackedFieldsAndInitialValues) {
    RFC_HANDLE handle = open_r3();
    ASSERT_NE(handle, 0u);
    db4_info_call call;
    ASSERT_EQ(call.run(handle), RFC_OK);
    const unsigned char *r = call.record;
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(r), 32), "DB4       20261210140359DEM     ");
    const unsigned char asp_p[8] = {0x00, 0x00, 0x00, 0x00, 0x87, 0x12, 0x34, 0x5C};
    const unsigned char asp_s[6] = {0x00, 0x01, 0x23, 0x45, 0x67, 0x8C};
    const unsigned char tot_s[6] = {0x00, 0x02, 0x34, 0x56, 0x78, 0x9C};
    EXPECT_EQ(memcmp(r + 100, asp_p, 8), 0);
    EXPECT_EQ(memcmp(r + 108, asp_s, 6), 0);
    EXPECT_EQ(memcmp(r + 114, tot_s, 6), 0);
    const unsigned char zero_packed[8] = {0, 0, 0, 0, 0, 0, 0, 0x0C};
    EXPECT_EQ(memcmp(r + 44, zero_packed, 8), 0);  // TAB_SIZE not given: packed zero
    int tab_cnt = -1;
    memcpy(&tab_cnt, r + 32, 4);
    EXPECT_EQ(tab_cnt, 0);
    EXPECT_EQ(call.api_rc, 7);
}
