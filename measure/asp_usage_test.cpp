// The pieces of the success document made from a DB02INFDB4 record: the
// identification text with its trimming rules and the size values in both units.
// The whole measurement over the library is shown by the measure_ scenarios.
#include "measure/asp_usage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "output/prtg_writer.h"
#include "rfc/client_fixture.h"
#include "run/command_line.h"

namespace {

struct db02_record {
    unsigned char bytes[db02infdb4_length];
    db02_record() { memset(bytes, ' ', sizeof bytes); }
    db02_record &text(size_t offset, const char *value, size_t length) {
        memcpy(bytes + offset, value, length);
        return *this;
    }
};

std::string identification(const db02_record &record, const char *destination) {
    run_record run{};
    run.output_flavour.assign("EXEXML");
    run.profile_record.destination.assign(destination);
    append_identification_text(run, record.bytes);
    return run.output_buffer.c_str();
}

}  // namespace

TEST(AspUsage, IdentificationText) {
    db02_record healthy;
    healthy.text(0, "DB4       ", 10).text(10, "20261210", 8).text(18, "140359", 6).text(24, "DEM     ", 8);
    EXPECT_EQ(identification(healthy, "DEMO"),
              "(DEMO) Korvanel: Info=DB4,Date=20261210,Time=140359,Sid=DEM     ");

    db02_record blank_dbsys = healthy;
    blank_dbsys.text(0, "          ", 10);
    EXPECT_EQ(identification(blank_dbsys, "PRD"), "(PRD) Korvanel: Info=,Date=20261210,Time=140359,Sid=DEM     ");

    // A NUL byte ends a field early; what follows it in the field is not shown.
    db02_record with_nul = healthy;
    with_nul.text(0, "DB4 \0XXXXX", 10).text(24, "DE\0XXXXX", 8).text(10, "2026\0" "121", 8);
    EXPECT_EQ(identification(with_nul, "PRD"), "(PRD) Korvanel: Info=DB4,Date=2026,Time=140359,Sid=DE");

    // Blanks inside the database name stay; only its end is trimmed.
    db02_record inner_blank = healthy;
    inner_blank.text(0, "DB4 V7R4  ", 10);
    EXPECT_EQ(identification(inner_blank, "PRD"),
              "(PRD) Korvanel: Info=DB4 V7R4,Date=20261210,Time=140359,Sid=DEM     ");

    // The text is document content: escaped like any other.
    db02_record markup = healthy;
    markup.text(24, "A&B<    ", 8);
    EXPECT_EQ(identification(markup, "P&Q"),
              "(P&amp;Q) Korvanel: Info=DB4,Date=20261210,Time=140359,Sid=A&amp;B&lt;    ");
}

TEST(AspUsage, SizeValues) {
    // Size fields: 6 bytes, 10 integer digits and 1 decimal, then the sign half-byte.
    struct {
        const char *digits;
        char sign;
        const char *megabytes;
        const char *gigabytes;
    } cases[] = {
        {"0001234567" "8", 'C', "1234567", "1234"},
        {"0000000999" "9", 'C', "999", "0"},  // below a gigabyte
        {"0000001000" "0", 'C', "1000", "1"},
        {"9999999999" "9", 'C', "9999999999", "9999999"},  // beyond 32 bits
        {"2147483648" "0", 'C', "2147483648", "2147483"},  // just past the signed limit
        {"4294967296" "0", 'C', "4294967296", "4294967"},  // just past the unsigned limit
        {"0000000000" "5", 'D', "0", "0"},                 // -0.5
        {"0000001500" "0", 'D', "-1500", "-1"},            // truncated toward zero
        {"0000000000" "0", 'F', "0", "0"},
    };
    for (const auto &c : cases) {
        unsigned char field[6];
        std::string half_bytes = std::string(c.digits) + c.sign;
        for (size_t i = 0; i < 6; ++i)
            field[i] = static_cast<unsigned char>(std::stoi(half_bytes.substr(2 * i, 2), nullptr, 16));
        bounded_text<31> value;
        format_size(value, field, false);
        EXPECT_STREQ(value.c_str(), c.megabytes) << c.digits;
        format_size(value, field, true);
        EXPECT_STREQ(value.c_str(), c.gigabytes) << c.digits;
    }
}

// --- the measurement over the stand-in -------------------------------------------

namespace {

struct AspMeasurement : RfcClient {
    /// Logs on and measures with the parameter text `parameters`.
    int32_t measure(const char *parameters = "") {
        const char *arguments[] = {"Korvanel.exe", "DEMO", parameters};
        parse_command_line(run, 3, arguments);
        RFC_HANDLE handle = logon();
        run.run_status.assign("ERR");
        int32_t code = measure_asp_usage(run, handle);
        RfcClose(handle);
        return code;
    }
};

const char *const megabyte_document =
    "\n<Prtg>\n"
    "\n<Text>(DEMO) Korvanel: Info=DB4,Date=20261210,Time=140359,Sid=DEM     </Text>\n"
    "\n<Result><Channel>System ASP used</Channel>\n<Unit>Custom</Unit>\n<CustomUnit>PerCent</CustomUnit>"
    "\n<Value>87</Value></Result>\n"
    "\n<Result><Channel>Size of system ASP</Channel>\n<Unit>Custom</Unit>\n<CustomUnit>MByte</CustomUnit>"
    "\n<Value>1234567</Value></Result>\n"
    "\n<Result><Channel>Total ASP size</Channel>\n<Unit>Custom</Unit>\n<CustomUnit>MByte</CustomUnit>"
    "\n<Value>2345678</Value></Result>\n"
    "\n</Prtg>\n";

}  // namespace

TEST_F(AspMeasurement, SuccessDocumentInMegabytes) {
    run.output_buffer.assign("discarded");
    EXPECT_EQ(measure(), RFC_OK);
    EXPECT_STREQ(run.run_status.c_str(), "OK");
    EXPECT_EQ(std::string(run.output_buffer.c_str()), megabyte_document);
    EXPECT_EQ(run.result_count, 3);
}

TEST_F(AspMeasurement, GigabyteOptionInAnyLetterCase) {
    EXPECT_EQ(measure("gigabyte"), RFC_OK);
    std::string document = run.output_buffer.c_str();
    EXPECT_NE(document.find("<CustomUnit>GByte</CustomUnit>\n<Value>1234</Value>"), std::string::npos) << document;
    EXPECT_NE(document.find("<CustomUnit>GByte</CustomUnit>\n<Value>2345</Value>"), std::string::npos) << document;
    EXPECT_NE(document.find("<CustomUnit>PerCent</CustomUnit>\n<Value>87</Value>"), std::string::npos) << document;
    EXPECT_EQ(document.find("MByte"), std::string::npos);
}

TEST_F(AspMeasurement, ChannelValuesFromTheRecord) {
    struct {
        const char *settings;
        const char *percent, *size, *total;
    } cases[] = {
        {"db02.SYS_ASP_P = 87.99999\n", "87", "1234567", "2345678"},
        {"db02.SYS_ASP_P = 100.00000\n", "100", "1234567", "2345678"},
        {"db02.SYS_ASP_P = 0.99999\n", "0", "1234567", "2345678"},
        {"db02.SYS_ASP_P = -0.5\n", "0", "1234567", "2345678"},
        {"db02.SYS_ASP_S = 999.9\ndb02.ASP_TOT_S = 9999999999.9\n", "87", "999", "9999999999"},
        {"db02.ASP_TOT_S = -2147483649.0\n", "87", "1234567", "-2147483649"},
        // SYS_ASP_S at offset 108: digit half-bytes that are no digits end the reading.
        {"db02.raw.108 = 00 00 01 A2 34 5C\n", "87", "1", "2345678"},
    };
    for (const auto &c : cases) {
        demo_with(c.settings);
        run.output_buffer.clear();
        ASSERT_EQ(measure(), RFC_OK) << c.settings;
        std::string document = run.output_buffer.c_str();
        for (const char *value : {c.percent, c.size, c.total}) {
            std::string element = std::string("<Value>") + value + "</Value>";
            EXPECT_NE(document.find(element), std::string::npos) << c.settings << document;
        }
    }
}

TEST_F(AspMeasurement, SizesBeyond32BitsInGigabytes) {
    demo_with("db02.SYS_ASP_S = 9999999999.9\ndb02.ASP_TOT_S = 4294967296.0\n");
    ASSERT_EQ(measure("GIGABYTE"), RFC_OK);
    std::string document = run.output_buffer.c_str();
    EXPECT_NE(document.find("<Value>9999999</Value>"), std::string::npos) << document;
    EXPECT_NE(document.find("<Value>4294967</Value>"), std::string::npos) << document;
}

TEST_F(AspMeasurement, TablesAreCreatedAndDeletedInOrder) {
    ASSERT_EQ(measure(), RFC_OK);
    const char *names[] = {"ADDTL_INDEX", "ADDTL_TABLES", "ADDTL_VIEWS", "MISS_INDEX", "MISS_TABLES", "MISS_VIEWS"};
    std::vector<std::string> created = calls("ItCreate");
    std::vector<std::string> deleted = calls("ItDelete");
    ASSERT_EQ(created.size(), 6u);
    ASSERT_EQ(deleted.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_TRUE(holds_all(created[i], {names[i], " leng=40 ", " occu=0 ", " memo=0 "})) << created[i];
        EXPECT_NE(deleted[i].find(std::string(" ") + names[i] + " -> 0"), std::string::npos) << deleted[i];
    }
}

TEST_F(AspMeasurement, MultiSystemModeWritesNothingOnSuccess) {
    run.multi_system_mode = true;
    run.output_buffer.assign("head already printed");
    EXPECT_EQ(measure(), RFC_OK);
    EXPECT_STREQ(run.run_status.c_str(), "OK");
    EXPECT_STREQ(run.output_buffer.c_str(), "head already printed");
    EXPECT_EQ(run.result_count, 0);
}

TEST_F(AspMeasurement, FailingCallsAppendTheirReturnCodeText) {
    struct {
        const char *fault;
        int32_t code;
        const char *text;
    } cases[] = {
        {"call_fails DB02_DB4_GET_INFO", 1, "Error 1014: RFC-Failure raised !"},
        {"exception DB02_DB4_GET_INFO NO_DB4_SYSTEM", 2, "Error 1012: Exception.: NO_DB4_SYSTEM"},
        {"sys_exception DB02_DB4_GET_INFO SYSTEM_FAILURE", 3, "Error 1013: Sys-Exception raised !"},
        {"return_code DB02_DB4_GET_INFO 23", 23, "Error 1015: Other Failure raised !"},
    };
    for (const auto &c : cases) {
        demo_with(std::string("fault = ") + c.fault + "\n");
        run.output_buffer.assign("kept|");
        EXPECT_EQ(measure(), c.code) << c.fault;
        EXPECT_EQ(std::string(run.output_buffer.c_str()), std::string("kept|") + c.text) << c.fault;
        EXPECT_STREQ(run.run_status.c_str(), "ERR") << c.fault;
    }
    EXPECT_EQ(run.result_count, 0);
    // The tables are deleted after a failed call too.
    EXPECT_EQ(calls("ItDelete").size(), 6u * 4u);
}

TEST_F(AspMeasurement, StructuresAreInstalledOncePerProcess) {
    ASSERT_EQ(measure(), RFC_OK);
    ASSERT_EQ(measure(), RFC_OK);
    std::vector<std::string> installs = calls("RfcInstallStructure");
    ASSERT_EQ(installs.size(), 2u);
    EXPECT_TRUE(holds_all(installs[0], {" DB02INFDB4 ", " entries=21 ", " -> 0"})) << installs[0];
    EXPECT_TRUE(holds_all(installs[1], {" MISSOBJ ", " entries=1 ", " -> 0"})) << installs[1];
}
