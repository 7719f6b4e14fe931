// Fuzz target: the whole document writer in every output flavour. The input gives a
// count of results (first byte), then the parameter text, the text element's
// content, a channel name, a value, a unit and an error message, separated by NUL
// bytes. Every document must fit the output buffer whole and end properly closed,
// with the content of its text element escaped in the XML flavours, and every PRTG
// document pure ASCII without control characters.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "output/prtg_writer.h"
#include "run/command_line.h"

namespace {

enum piece_index { parameters, text, channel, value, unit, message, piece_count };

bool ends_with(const bounded_text<output_buffer_capacity> &buffer, const char *ending) {
    size_t length = strlen(ending);
    return buffer.length >= length && strcmp(buffer.c_str() + buffer.length - length, ending) == 0;
}

// The first text element's content holds no markup of its own.
void check_text_element(const bounded_text<output_buffer_capacity> &buffer) {
    const char *open = strstr(buffer.c_str(), "<Text>");
    if (open == nullptr) return;
    open += strlen("<Text>");
    const char *close = strstr(open, "</Text>");
    if (close == nullptr) abort();
    for (const char *c = open; c < close; ++c)
        if (*c == '<' || *c == '>') abort();
}

// A document for PRTG is pure ASCII and holds no control character but our line feeds
// and the tabs of its texts, whatever bytes its texts came with.
void check_document_characters(const bounded_text<output_buffer_capacity> &buffer) {
    for (size_t i = 0; i < buffer.length; ++i) {
        unsigned char byte = static_cast<unsigned char>(buffer.data[i]);
        if (byte >= 0x80 || byte == 0x7F || (byte < 0x20 && byte != '\n' && byte != '\t')) abort();
    }
}

void check_buffer(const run_record &run) {
    const bounded_text<output_buffer_capacity> &buffer = run.output_buffer;
    if (buffer.cut || strlen(buffer.c_str()) != buffer.length) abort();
}

void check_error_document(const run_record &run) {
    check_buffer(run);
    if (!run.output_buffer.starts_with("<Prtg>\n<Error>1</Error>\n<Text>")) abort();
    if (!ends_with(run.output_buffer, "</Text>\n</Prtg>\n")) abort();
    check_text_element(run.output_buffer);
    check_document_characters(run.output_buffer);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1 || size > 16384) return 0;
    int results = data[0] % 64;
    static char copy[16385];
    memcpy(copy, data + 1, size - 1);
    copy[size - 1] = '\0';
    const char *pieces[piece_count];
    const char *at = copy;
    const char *end = copy + size - 1;
    for (int i = 0; i < piece_count; ++i) {
        pieces[i] = at;
        at = at < end ? at + strlen(at) + 1 : end;
    }

    static run_record run;
    for (const char *flavour : {"EXEXML", "Lumaset", "Tessvar", "Gantries", "Brimtol"}) {
        run = run_record{};
        const char *argv[] = {"Korvanel.exe", "FUZZ", pieces[parameters]};
        parse_command_line(run, 3, argv);
        run.output_flavour.assign(flavour);
        bool xml = is_xml_flavour(run);

        open_document(run);
        open_text(run);
        append_text(run, pieces[text]);
        close_text(run);
        for (int i = 0; i < results; ++i) write_result(run, pieces[channel], pieces[value], pieces[unit]);
        close_document(run);
        check_buffer(run);
        if (run.result_count != results) abort();
        if (xml) {
            if (!run.output_buffer.starts_with("\n<Prtg>\n") || !ends_with(run.output_buffer, "\n</Prtg>\n")) abort();
            check_text_element(run.output_buffer);
            check_document_characters(run.output_buffer);
        } else if (!ends_with(run.output_buffer, "\n")) {
            abort();
        }

        write_error_document(run, pieces[message]);
        check_error_document(run);

        // A failed step's text grows in the buffer itself, which then becomes the message.
        run.output_buffer.clear();
        for (int i = 0; i <= results; ++i) append_message(run, pieces[message]);
        write_error_document(run, run.output_buffer.c_str());
        check_error_document(run);
    }
    return 0;
}
