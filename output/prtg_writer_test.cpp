// The document writer: exact bytes of the documents in every flavour, escaping and the limits.
#include "output/prtg_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "output/document_text.h"
#include "run/command_line.h"

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
    append_text(run, std::string(output_buffer_capacity + 1000, 'x').c_str());
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

namespace {

// The ASP measurement's document, as the measurement writes it, in one flavour.
std::string asp_document(const char *flavour, const char *parameters = "") {
    const char *argv[] = {"Korvanel.exe", "PRD", parameters};
    run_record run{};
    parse_command_line(run, 3, argv);
    run.output_flavour.assign(flavour);
    open_document(run);
    open_text(run);
    append_text(run, "PRD DB4<V7R4> 12:00");
    close_text(run);
    write_result(run, "System ASP used", "87", "PerCent");
    write_result(run, "Size of system ASP", "1234", "MByte");
    write_result(run, "Total ASP size", "5678", "MByte");
    close_document(run);
    EXPECT_EQ(run.result_count, 3) << flavour << " " << parameters;
    return run.output_buffer.c_str();
}

}  // namespace

TEST(PrtgWriter, XmlFlavoursWriteTheSameDocument) {
    const std::string expected = asp_document("EXEXML");
    const std::string head = "\n<Prtg>\n\n<Text>PRD DB4&lt;V7R4&gt; 12:00</Text>\n";
    EXPECT_EQ(expected.substr(0, head.size()), head);
    for (const char *flavour : {"Lumaset", "Tessvar"}) EXPECT_EQ(asp_document(flavour), expected) << flavour;
    // "CH=" selects nothing outside Brimtol.
    EXPECT_EQ(asp_document("EXEXML", "CH=2"), expected);
    EXPECT_EQ(asp_document("Lumaset", "CH=2"), expected);
}

TEST(PrtgWriter, TextFlavoursWriteTheirOwnLinesUnescaped) {
    struct {
        const char *flavour;
        const char *parameters;
        const char *expected;
    } cases[] = {
        {"Gantries", "",
         "\n# PRD DB4<V7R4> 12:00"
         "\n\nMessage.System_ASP_used: System ASP used (%)\nStatistic.System_ASP_used: 87"
         "\n\nMessage.Size_of_system_ASP: Size of system ASP (MByte)\nStatistic.Size_of_system_ASP: 1234"
         "\n\nMessage.Total_ASP_size: Total ASP size (MByte)\nStatistic.Total_ASP_size: 5678"
         "\n"},
        {"Gantries", "CH=2",
         "\n# PRD DB4<V7R4> 12:00"
         "\n\nMessage.System_ASP_used: System ASP used (%)\nStatistic.System_ASP_used: 87"
         "\n\nMessage.Size_of_system_ASP: Size of system ASP (MByte)\nStatistic.Size_of_system_ASP: 1234"
         "\n\nMessage.Total_ASP_size: Total ASP size (MByte)\nStatistic.Total_ASP_size: 5678"
         "\n"},
        {"Brimtol", "",
         "\n# PRD DB4<V7R4> 12:00"
         "\n> System ASP used: 87 %"
         "\n> Size of system ASP: 1234 MByte"
         "\n> Total ASP size: 5678 MByte"
         "\n"},
        {"Brimtol", "CH=1", "87\n"},
        {"Brimtol", "ch=2", "1234\n"},
        {"Brimtol", "GIGABYTE,CH=3", "5678\n"},
        {"Brimtol", "CH=1,X", "87\n"},
        {"Brimtol", "CH=4", "\n"},
        {"Brimtol", "CH=0", "\n"},
        {"Brimtol", "CH=", "\n"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(asp_document(c.flavour, c.parameters), c.expected) << c.flavour << " " << c.parameters;
}

TEST(PrtgWriter, TextFlavoursShowAnEmptyUnitAsHash) {
    struct {
        const char *flavour;
        const char *expected;
    } cases[] = {
        {"Gantries", "\n\nMessage.Re_try_1: Re-try 1 (#)\nStatistic.Re_try_1: 3"
                     "\n\nMessage.a&b: a&b (mSec)\nStatistic.a&b: <5>"},
        {"Brimtol", "\n> Re-try 1: 3 #\n> a&b: <5> mSec"},
    };
    for (const auto &c : cases) {
        run_record run{};
        run.output_flavour.assign(c.flavour);
        write_result(run, "Re-try 1", "3", "");
        write_result(run, "a&b", "<5>", "TimeResponse");
        EXPECT_EQ(std::string(run.output_buffer.c_str()), c.expected) << c.flavour;
    }
}

TEST(PrtgWriter, ErrorDocumentIsEscapedXmlInEveryFlavour) {
    const std::string expected =
        "<Prtg>\n<Error>1</Error>\n<Text>Error 1002: Profile D:\\R&amp;D\\&lt;1&gt;.P00 is missing...</Text>\n"
        "</Prtg>\n";
    for (const char *flavour : {"EXEXML", "Lumaset", "Tessvar", "Gantries", "Brimtol"}) {
        const char *argv[] = {"Korvanel.exe", "PRD", "CH=1"};
        run_record run{};
        parse_command_line(run, 3, argv);
        run.output_flavour.assign(flavour);
        open_document(run);
        open_text(run);
        close_text(run);
        write_result(run, "A", "1", "");
        write_error_document(run, "Error 1002: Profile D:\\R&D\\<1>.P00 is missing...");
        EXPECT_EQ(std::string(run.output_buffer.c_str()), expected) << flavour;
    }
}

TEST(PrtgWriter, FullTextDocumentStillEndsWithItsLineFeed) {
    run_record run{};
    run.output_flavour.assign("Gantries");
    open_document(run);
    open_text(run);
    append_text(run, std::string(output_buffer_capacity + 1000, 'x').c_str());
    write_result(run, "A", "1", "MByte");
    close_document(run);
    std::string out = run.output_buffer.c_str();
    EXPECT_FALSE(run.output_buffer.cut);
    EXPECT_EQ(out.substr(out.size() - 2), "x\n");
    EXPECT_EQ(out.find("Message."), std::string::npos);
}

TEST(PrtgWriter, CountResultsAndLimits) {
    channel_limits error_above_zero;
    error_above_zero.has_max_error = true;
    channel_limits warning_above_zero;
    warning_above_zero.has_max_warning = true;
    channel_limits both;
    both.has_max_warning = true;
    both.max_warning = 90;
    both.has_max_error = true;
    both.max_error = 95;
    channel_limits none;
    struct {
        const char *name;
        const channel_limits *limits;
        const char *expected;
    } cases[] = {
        {"no limits", nullptr, "\n<Result><Channel>Systems</Channel>\n<Unit>Count</Unit>\n<Value>3</Value></Result>\n"},
        {"limits without a value set", &none,
         "\n<Result><Channel>Systems</Channel>\n<Unit>Count</Unit>\n<Value>3</Value></Result>\n"},
        {"error only", &error_above_zero,
         "\n<Result><Channel>Systems</Channel>\n<Unit>Count</Unit>\n<Value>3</Value>\n"
         "<LimitMaxError>0</LimitMaxError>\n<LimitMode>1</LimitMode></Result>\n"},
        {"warning only", &warning_above_zero,
         "\n<Result><Channel>Systems</Channel>\n<Unit>Count</Unit>\n<Value>3</Value>\n"
         "<LimitMaxWarning>0</LimitMaxWarning>\n<LimitMode>1</LimitMode></Result>\n"},
        {"both, warning first", &both,
         "\n<Result><Channel>Systems</Channel>\n<Unit>Count</Unit>\n<Value>3</Value>\n"
         "<LimitMaxWarning>90</LimitMaxWarning>\n<LimitMaxError>95</LimitMaxError>\n<LimitMode>1</LimitMode></Result>\n"},
    };
    for (const auto &c : cases) {
        run_record run = xml_run();
        write_count_result(run, "Systems", 3, c.limits);
        EXPECT_EQ(std::string(run.output_buffer.c_str()), c.expected) << c.name;
        EXPECT_EQ(run.result_count, 1) << c.name;
    }

    // A custom-unit result takes the same limit elements after its value.
    run_record run = xml_run();
    write_result(run, "System ASP used", "87", "PerCent", &both);
    EXPECT_EQ(std::string(run.output_buffer.c_str()),
              "\n<Result><Channel>System ASP used</Channel>\n<Unit>Custom</Unit>\n<CustomUnit>PerCent</CustomUnit>"
              "\n<Value>87</Value>\n<LimitMaxWarning>90</LimitMaxWarning>\n<LimitMaxError>95</LimitMaxError>"
              "\n<LimitMode>1</LimitMode></Result>\n");

    // The text flavours keep their forms: no count results, and limits are PRTG's alone.
    for (const char *flavour : {"Gantries", "Brimtol"}) {
        run_record text = xml_run();
        text.output_flavour.assign(flavour);
        write_count_result(text, "Systems", 3, &both);
        EXPECT_STREQ(text.output_buffer.c_str(), "") << flavour;
        EXPECT_EQ(text.result_count, 0) << flavour;
        write_result(text, "System ASP used", "87", "PerCent", &both);
        EXPECT_EQ(std::string(text.output_buffer.c_str()).find("Limit"), std::string::npos) << flavour;
    }
}

TEST(DocumentText, ContentFormsOfOutsideText) {
    struct {
        const char *name;
        const char *text;
        content_form form;
        const char *expected;
    } cases[] = {
        {"plain ASCII unchanged", "Info=DB4,Sid=PRD", content_form::xml, "Info=DB4,Sid=PRD"},
        {"markup escaped", "R&D <1>", content_form::xml, "R&amp;D &lt;1&gt;"},
        {"CR, LF, 0x01 and DEL as blanks, tab kept", "a\rb\nc\x01" "d\x7f" "e\tf", content_form::xml, "a b c d e\tf"},
        {"controls as blanks in a text line too", "a\r\nb\x1f", content_form::plain_text, "a  b "},
        {"text lines keep other bytes", "M\xfcnchen & <x>", content_form::plain_text, "M\xfcnchen & <x>"},
        {"markup copied as it is", "\n<Text>", content_form::markup, "\n<Text>"},
        {"UTF-8 as the character", "M\xc3\xbcnchen", content_form::xml, "M&#252;nchen"},
        {"ANSI byte in Windows-1252", "M\xfcnchen", content_form::xml, "M&#252;nchen"},
        {"Windows-1252 beyond Latin-1", "\x80 \x9f", content_form::xml, "&#8364; &#376;"},
        {"three- and four-byte UTF-8", "\xe2\x82\xac \xf0\x9f\x98\x80", content_form::xml, "&#8364; &#128512;"},
        {"mixed: each run on its own", "\xc3\xbc\xfc", content_form::xml, "&#252;&#252;"},
        {"overlong form is no UTF-8", "\xc0\xaf", content_form::xml, "&#192;&#175;"},
        {"encoded surrogate is no UTF-8", "\xed\xa0\x80", content_form::xml, "&#237;&#160;&#8364;"},
        {"UTF-8 cut after its lead byte in a UTF-8 text", "f\xc3\xbcr Gr\xc3", content_form::xml, "f&#252;r Gr"},
        {"UTF-8 cut inside a three-byte character", "Preis \xe2\x82", content_form::xml, "Preis "},
        {"a lone last ANSI letter is kept", "Caf\xe9", content_form::xml, "Caf&#233;"},
        {"a last ANSI letter after other ANSI text is kept", "M\xfcnchen Caf\xe9", content_form::xml,
         "M&#252;nchen Caf&#233;"},
        {"an incomplete character inside the text is ANSI", "\xc3 x", content_form::xml, "&#195; x"},
        {"noncharacter U+FFFF", "\xef\xbf\xbf", content_form::xml, "&#65533;"},
    };
    for (const auto &c : cases) {
        bounded_text<output_buffer_capacity> out;
        EXPECT_TRUE(content_put(out, c.text, static_cast<size_t>(-1), c.form, output_buffer_capacity)) << c.name;
        EXPECT_EQ(std::string(out.c_str()), c.expected) << c.name;
    }
}

TEST(DocumentText, ReferencesAreWrittenWholeOrNotAtAll) {
    // "ab" and then room for 5 more characters: "&#252;" needs 6, so it stops before it.
    bounded_text<output_buffer_capacity> out;
    out.assign("xy");
    EXPECT_FALSE(content_put(out, "ab\xfc" "cd", static_cast<size_t>(-1), content_form::xml, 9));
    EXPECT_STREQ(out.c_str(), "xyab");
    out.assign("xy");
    EXPECT_TRUE(content_put(out, "a\xc3\xbc", static_cast<size_t>(-1), content_form::xml, 9));
    EXPECT_STREQ(out.c_str(), "xya&#252;");
    // A count that ends inside a UTF-8 character is a cut text.
    out.clear();
    EXPECT_TRUE(content_put(out, "\xc3\xbc\xc3\xbc", 3, content_form::xml, output_buffer_capacity));
    EXPECT_STREQ(out.c_str(), "&#252;");
}

TEST(PrtgWriter, OutsideTextInEveryPartOfTheDocument) {
    // The error document is PRTG XML in every flavour, references included.
    for (const char *flavour : {"EXEXML", "Gantries", "Brimtol"}) {
        run_record run = xml_run();
        run.output_flavour.assign(flavour);
        write_error_document(run, "Error 1012: Exception.: X - Keine Berechtigung f\xfcr\r\nDB02");
        EXPECT_EQ(std::string(run.output_buffer.c_str()),
                  "<Prtg>\n<Error>1</Error>\n<Text>Error 1012: Exception.: X - Keine Berechtigung f&#252;r  DB02"
                  "</Text>\n</Prtg>\n")
            << flavour;
    }

    run_record xml = xml_run();
    write_result(xml, "M\xc3\xbcnchen\n", "8\r7", "Per\x01" "Cent");
    EXPECT_EQ(std::string(xml.output_buffer.c_str()),
              "\n<Result><Channel>M&#252;nchen </Channel>\n<Unit>Custom</Unit>\n<CustomUnit>Per Cent</CustomUnit>"
              "\n<Value>8 7</Value></Result>\n");

    // Gantries and Brimtol keep the bytes, but a line break cannot forge a line.
    run_record gantries = xml_run();
    gantries.output_flavour.assign("Gantries");
    open_text(gantries);
    append_text(gantries, "Sid=P\r\nStatistic.x: 1 \xfc");
    write_result(gantries, "a\nb", "8\n7", "MByte");
    EXPECT_EQ(std::string(gantries.output_buffer.c_str()),
              "\n# Sid=P  Statistic.x: 1 \xfc\n\nMessage.a_b: a b (MByte)\nStatistic.a_b: 8 7");
    run_record brimtol = xml_run();
    brimtol.output_flavour.assign("Brimtol");
    write_result(brimtol, "a\rb", "8\x01", "PerCent");
    EXPECT_EQ(std::string(brimtol.output_buffer.c_str()), "\n> a b: 8  %");
}
