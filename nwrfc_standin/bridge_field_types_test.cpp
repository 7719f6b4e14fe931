// The bridge's moves of each classic field type, played against this stand-in: every
// value the sensor's records can hold goes in and comes back byte for byte, which the
// stand-in allows only when the bridge calls, for each type, a getter and a setter
// that SAP's header lets use it.
#include "nwrfc_standin/containers.h"
#include "nwrfc_standin/nwrfc_fixture.h"
#include "rfc_bridge/bridge_fields.h"

namespace nwrfc_test {

TEST_F(NwStandIn, TheBridgeMovesEveryClassicTypeWithFunctionsTheHeaderAllowsForIt) {
    nwrfc_functions nw = {};
#define NWRFC_STANDIN(name) nw.name = &nwrfc::name;
    NWRFC_FUNCTION_LIST(NWRFC_STANDIN)
#undef NWRFC_STANDIN
    const struct {
        const char *name;
        flat_type type;
        std::string bytes;  // the classic value set and expected back
    } cases[] = {
        {"TEXT", {TYPC, 5, 0}, "Ab\xe9 z"},
        {"DIGITS", {TYPNUM, 4, 0}, "0815"},
        {"DAY", {TYPDATE, 8, 0}, "20261210"},
        {"CLOCK", {TYPTIME, 6, 0}, "140359"},
        {"RAW", {TYPX, 3, 0}, std::string("\x00\xff\x10", 3)},
        {"PACKED", {TYPP, 3, 2}, "\x12\x34\x5d"},
        {"ODD_PACKED", {TYPP, 2, 0}, "\x1a\x3f"},  // whatever the half-bytes hold
        {"COUNT", {TYPINT, 4, 0}, "\xfe\xff\xff\x7f"},
        {"SHORT", {TYPINT2, 2, 0}, std::string("\x00\x80", 2)},
        {"TINY", {TYPINT1, 1, 0}, "\xc8"},
        {"RATIO", {TYPFLOAT, 8, 0}, std::string("\0\0\0\0\0\0\xf8\xbf", 8)},
    };
    std::vector<parameter_spec> parameters;
    for (const auto &c : cases)
        parameters.push_back({c.name, RFC_IMPORT, netweaver_type(c.type.type), c.type.length, c.type.decimals, nullptr});
    RFC_FUNCTION_DESC_HANDLE description = make_function("Z_ALL_TYPES", parameters);
    RFC_ERROR_INFO info;
    RFC_FUNCTION_HANDLE function = create_function(description, info);
    ASSERT_NE(function, nullptr) << narrow(info.message);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::u16string name = wide(c.name);
        const unsigned char *in = reinterpret_cast<const unsigned char *>(c.bytes.data());
        ASSERT_EQ(set_field(nw, function, name.c_str(), c.type, in, info), RFC_OK) << narrow(info.message);
        nw_value value;
        ASSERT_TRUE(find_value(container_of(function), name.c_str(), value, &info));
        EXPECT_EQ(std::string(reinterpret_cast<const char *>(value.bytes), value.length), c.bytes) << "as the system reads it";
        unsigned char out[16];
        memset(out, 0xEE, sizeof out);
        ASSERT_EQ(get_field(nw, function, name.c_str(), c.type, out, info), RFC_OK) << narrow(info.message);
        EXPECT_EQ(std::string(reinterpret_cast<const char *>(out), c.type.length), c.bytes) << "as the caller reads it";
        EXPECT_EQ(out[c.type.length], 0xEE) << "written beyond the value";
    }
}

}  // namespace nwrfc_test
