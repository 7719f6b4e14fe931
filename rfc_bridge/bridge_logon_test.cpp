// What the bridge says of itself through KorvanelBridgeDescribe: before SAP's library
// is loaded, after a load that failed, and once it is loaded; always terminated and
// never past the caller's buffer.
#include "rfc_bridge/bridge_logon.h"

#include "core/rfc_library_description.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

std::string described(const bridge_state &state) {
    char buffer[rfc_library_description_capacity + 1];
    memset(buffer, 'x', sizeof buffer);
    describe_bridge(state, buffer, sizeof buffer);
    return buffer;
}

}  // namespace

TEST(BridgeDescription, BeforeAndAfterLoadingSapsLibrary) {
    auto state = std::make_unique<bridge_state>();
    EXPECT_EQ(described(*state), "RFC bridge, sapnwrfc not loaded yet");

    // A load that failed: the diagnosis' first words, the rest is in the trace file.
    state->load_tried = true;
    state->load_problem.message.assign("sapnwrfc.dll not found");
    state->library_path.assign("C:\\PRTG\\Custom Sensors\\EXEXML\\sapnwrfc.dll");
    EXPECT_EQ(described(*state), "RFC bridge, sapnwrfc not loaded: sapnwrfc.dll not found, see Dev_Rfc.Trc");

    int library_token = 0;
    state->library = &library_token;
    state->origin.assign("RFC bridge librfc32 over sapnwrfc 7500,0,12");
    state->library_path.assign("/opt/sap/nwrfcsdk/lib/libsapnwrfc.so");
    EXPECT_EQ(described(*state),
              "RFC bridge librfc32 over sapnwrfc 7500,0,12 from /opt/sap/nwrfcsdk/lib/libsapnwrfc.so");
    // Keys of the destination that were dropped follow, for trace mode.
    state->dropped_keys.assign("ABAP_DEBUG=1 dropped: no ABAP debugger starts from a probe's service");
    EXPECT_EQ(described(*state), "RFC bridge librfc32 over sapnwrfc 7500,0,12 from /opt/sap/nwrfcsdk/lib/libsapnwrfc.so; "
                                 "ABAP_DEBUG=1 dropped: no ABAP debugger starts from a probe's service");
}

TEST(BridgeDescription, CutToTheCallersBufferAndTerminated) {
    auto state = std::make_unique<bridge_state>();
    state->load_tried = true;
    state->load_problem.message.assign(std::string(200, 'm').c_str());
    std::string whole = "RFC bridge, sapnwrfc not loaded: " + std::string(200, 'm') + ", see Dev_Rfc.Trc";
    ASSERT_LE(whole.size(), rfc_library_description_capacity);
    for (unsigned size : {1u, 2u, 11u, 100u, static_cast<unsigned>(whole.size()), static_cast<unsigned>(whole.size() + 1)}) {
        char buffer[rfc_library_description_capacity + 8];
        memset(buffer, '#', sizeof buffer);
        describe_bridge(*state, buffer, size);
        std::string expected = whole.substr(0, size - 1);
        EXPECT_EQ(std::string(buffer), expected) << size;
        EXPECT_EQ(buffer[size], '#') << "written past a buffer of " << size;
    }
    char untouched = '#';
    describe_bridge(*state, &untouched, 0);
    EXPECT_EQ(untouched, '#');
    describe_bridge(*state, nullptr, 10);  // nothing to write into: nothing happens
}
