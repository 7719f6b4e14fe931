// The PRTG XML writer: exact bytes of both documents, escaping and the limits.
#include "output/prtg_writer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

run_record xml_run() {
    run_record run{};
    run.output_flavour.assign("EXEXML");
    return run;
}

}  // namespace

TEST(PrtgWriter, SuccessDocumentBytes) {
    run_record run = xml_run();
    open_document(run);
    open_text(run);
    append_text(run, "(PRD) Korvanel: Info=DB4");
    close_text(run);
    write_result(run, "System ASP used", "87", "PerCent");
    write_result(run, "Size of system ASP", "1234", "GByte");
    close_document(run);
    EXPECT_EQ(std::string(run.output_buffer.c_str()),
              "\n<Prtg>\n"
              "\n<Text>(PRD) Korvanel: Info=DB4</Text>\n"
              "\n<Result><Channel>System ASP used</Channel>"
              "\n<Unit>Custom</Unit>"
              "\n<CustomUnit>PerCent</CustomUnit>"
              "\n<Value>87</Value></Result>\n"
              "\n<Result><Channel>Size of system ASP</Channel>"
              "\n<Unit>Custom</Unit>"
              "\n<CustomUnit>GByte</CustomUnit>"
              "\n<Value>1234</Value></Result>\n"
              "\n</Prtg>\n");
    EXPECT_EQ(run.result_count, 2);
}

TEST(PrtgWriter, EmptyUnitWritesNoUnitElements) {
    run_record run = xml_run();
    write_result(run, "Count", "3", "");
    EXPECT_EQ(std::string(run.output_buffer.c_str()), "\n<Result><Channel>Count</Channel>\n<Value>3</Value></Result>\n");
}

TEST(PrtgWriter, ErrorDocumentReplacesAPartlyBuiltOne) {
    run_record run = xml_run();
    open_document(run);
    open_text(run);
    append_text(run, "half");
    write_result(run, "A", "1", "PerCent");
    write_error_document(run, "Error 1014: RFC-Failure raised !");
    EXPECT_EQ(std::string(run.output_buffer.c_str()),
              "<Prtg>\n<Error>1</Error>\n<Text>Error 1014: RFC-Failure raised !</Text>\n</Prtg>\n");
}

TEST(PrtgWriter, ErrorDocumentTakesItsMessageFromTheBuffer) {
    run_record run = xml_run();
    append_message(run, "Error 1012: Exception.: NOT_FOUND");
    append_message(run, " - Please Check Trace-File !");
    write_error_document(run, run.output_buffer.c_str());
    EXPECT_EQ(std::string(run.output_buffer.c_str()),
              "<Prtg>\n<Error>1</Error>\n<Text>Error 1012: Exception.: NOT_FOUND - Please Check Trace-File !</Text>\n"
              "</Prtg>\n");
}

TEST(PrtgWriter, EscapesEveryTextOnceInXml) {
    run_record run = xml_run();
    append_message(run, "Error 1002: Profile R&D<1>.P00 is missing...");
    write_error_document(run, run.output_buffer.c_str());
    EXPECT_EQ(std::string(run.output_buffer.c_str()),
              "<Prtg>\n<Error>1</Error>\n<Text>Error 1002: Profile R&amp;D&lt;1&gt;.P00 is missing...</Text>\n"
              "</Prtg>\n");

    run_record result = xml_run();
    open_text(result);
    append_text(result, "a<b");
    close_text(result);
    write_result(result, "x&y", "<1>", "M&B");
    EXPECT_EQ(std::string(result.output_buffer.c_str()),
              "\n<Text>a&lt;b</Text>\n"
              "\n<Result><Channel>x&amp;y</Channel>\n<Unit>Custom</Unit>\n<CustomUnit>M&amp;B</CustomUnit>"
              "\n<Value>&lt;1&gt;</Value></Result>\n");
}

TEST(PrtgWriter, XmlFlavoursByExactName) {
    struct {
        const char *flavour;
        bool xml;
    } cases[] = {{"EXEXML", true}, {"Lumaset", true}, {"Tessvar", true}, {"exexml", false}, {"Gantries", false}};
    for (const auto &c : cases) {
        run_record run{};
        run.output_flavour.assign(c.flavour);
        EXPECT_EQ(is_xml_flavour(run), c.xml) << c.flavour;
    }
}

TEST(PrtgWriter, OverlongErrorMessageStillClosesTheDocument) {
    run_record run = xml_run();
    std::string message(5000, '&');
    write_error_document(run, message.c_str());
    std::string out = run.output_buffer.c_str();
    EXPECT_FALSE(run.output_buffer.cut);
    EXPECT_EQ(out.substr(0, 30), "<Prtg>\n<Error>1</Error>\n<Text>");
    EXPECT_EQ(out.substr(out.size() - 16), "</Text>\n</Prtg>\n");
    // Entities are written whole or not at all.
    std::string content = out.substr(30, out.size() - 46);
    EXPECT_EQ(content.size() % 5, 0u);
    EXPECT_LE(out.size(), output_buffer_capacity);
}

TEST(PrtgWriter, FullDocumentStillEndsWithItsClosingElements) {
    run_record run = xml_run();
    open_document(run);
    open_text(run);
    append_text(run, std::string(5000, 'x').c_str());
    close_text(run);
    std::string channel(200, 'c');
    for (int i = 0; i < 3; ++i) write_result(run, channel.c_str(), "1", "MByte");
    close_document(run);
    std::string out = run.output_buffer.c_str();
    EXPECT_FALSE(run.output_buffer.cut);
    EXPECT_EQ(out.substr(out.size() - 17), "</Text>\n\n</Prtg>\n");
    EXPECT_EQ(run.result_count, 3);
    // Results that did not fit are left out whole: no half element.
    EXPECT_EQ(out.find("<Result>"), std::string::npos);
}

TEST(PrtgWriter, WorkingAreasCutLongValues) {
    run_record run = xml_run();
    std::string channel(150, 'c');
    write_result(run, channel.c_str(), "1", "");
    std::string out = run.output_buffer.c_str();
    EXPECT_NE(out.find("<Channel>" + std::string(123, 'c') + "</Channel>"), std::string::npos);
}
