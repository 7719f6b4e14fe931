// The document writer. Content appends stop short of the last `closing_reserve`
// bytes of the buffer, which only the closing elements may use; an entity such as
// "&amp;" or a reference such as "&#252;" is written whole or not at all. The text flavours' results come from
// text_flavours.cpp; the error document is PRTG XML in every flavour.
#include "output/prtg_writer.h"

#include <cstring>

#include "output/document_text.h"
#include "output/text_flavours.h"

namespace {

// Room kept for "</Text>\n" and "\n</Prtg>\n", which must always fit.
constexpr size_t closing_reserve = 32;
constexpr size_t content_limit = output_buffer_capacity - closing_reserve;

// Appends `text` to `out` as content of the run's kind of document (XML or a text
// flavour's line), without passing `limit` characters; false when it had to stop.
bool put_content(const run_record &run, bounded_text<output_buffer_capacity> &out, const char *text, size_t count,
                 size_t limit) {
    return content_put(out, text, count, is_xml_flavour(run) ? content_form::xml : content_form::plain_text, limit);
}

void put_xml(bounded_text<output_buffer_capacity> &out, const bounded_text<working_area_capacity> &text) {
    content_put(out, text.c_str(), text.length, content_form::xml, output_buffer_capacity);
}

// Control characters in a value or name would break a text flavour's line, and in
// XML they are no characters at all: they are blanks in every flavour.
void blank_controls(bounded_text<working_area_capacity> &text) {
    for (size_t i = 0; i < text.length; ++i) {
        unsigned char byte = static_cast<unsigned char>(text.data[i]);
        if ((byte < 0x20 && byte != '\t') || byte == 0x7F) text.data[i] = ' ';
    }
}

// PRTG reads limits from elements between the value and the end of the result, and
// uses them only with the limit mode switched on.
void append_limits(const channel_limits *limits, bounded_text<output_buffer_capacity> &element) {
    if (limits == nullptr || !(limits->has_max_warning || limits->has_max_error)) return;
    if (limits->has_max_warning) element.append_format("\n<LimitMaxWarning>%ld</LimitMaxWarning>", limits->max_warning);
    if (limits->has_max_error) element.append_format("\n<LimitMaxError>%ld</LimitMaxError>", limits->max_error);
    element.append("\n<LimitMode>1</LimitMode>");
}

// `unit` is a custom unit's name; `builtin_unit` one of PRTG's own (then `unit` is unused).
void append_xml_result(const bounded_text<working_area_capacity> &channel,
                       const bounded_text<working_area_capacity> &value,
                       const bounded_text<working_area_capacity> &unit, const char *builtin_unit,
                       const channel_limits *limits, bounded_text<output_buffer_capacity> &element) {
    element.append("\n<Result><Channel>");
    put_xml(element, channel);
    element.append("</Channel>");
    if (builtin_unit != nullptr) {
        element.append_format("\n<Unit>%s</Unit>", builtin_unit);
    } else if (!unit.empty()) {
        element.append("\n<Unit>Custom</Unit>");
        element.append("\n<CustomUnit>");
        put_xml(element, unit);
        element.append("</CustomUnit>");
    }
    element.append("\n<Value>");
    put_xml(element, value);
    element.append("</Value>");
    append_limits(limits, element);
    element.append("</Result>\n");
}

// Where a result is built before it is appended: kept for the process, so that writing
// a result costs what the result holds, not the clearing of a document's room.
bounded_text<output_buffer_capacity> result_element;

// Where an error document's message is kept while the document is made in the room
// that held it.
bounded_text<output_buffer_capacity> error_message_copy;

// Appends a result built whole, or leaves it out when it would not fit.
void append_element(run_record &run, const bounded_text<output_buffer_capacity> &element) {
    if (run.output_buffer.length + element.length <= content_limit) run.output_buffer.append(element.c_str());
}

}  // namespace

void write_error_document(run_record &run, const char *message) { write_error_document_to(run.output_buffer, message); }

void write_error_document_to(bounded_text<output_buffer_capacity> &out, const char *message) {
    // The message is often the buffer itself: take it before the buffer starts afresh.
    // Only then is it copied, and not onto the stack: a document's room is more than
    // the watchdog's thread has, and the watchdog's message is always one of its own.
    const char *text = message;
    size_t length = strlen(message);
    if (message >= out.data && message <= out.data + output_buffer_capacity) {
        error_message_copy.assign(message, length);
        text = error_message_copy.c_str();
    }
    out.assign("<Prtg>");
    out.append("\n<Error>1</Error>");
    out.append("\n<Text>");
    // The error document is PRTG's in every flavour, and so is the form of its text.
    content_put(out, text, length, content_form::xml, content_limit);
    out.append("</Text>");
    out.append("\n</Prtg>\n");
}

void open_document(run_record &run) {
    if (is_xml_flavour(run))
        run.output_buffer.assign("\n<Prtg>\n");
    else
        run.output_buffer.clear();
}

void open_text(run_record &run) {
    const char *opening = is_xml_flavour(run) ? "\n<Text>" : "\n# ";
    content_put(run.output_buffer, opening, strlen(opening), content_form::markup, content_limit);
}

void append_text(run_record &run, const char *text, size_t count) {
    put_content(run, run.output_buffer, text, count, content_limit);
}

void close_text(run_record &run) {
    long ignored = 0;
    if (is_xml_flavour(run))
        run.output_buffer.append("</Text>\n");
    else if (is_brimtol_flavour(run) && selected_channel(run, ignored))
        run.output_buffer.clear();
}

void write_result(run_record &run, const char *channel, const char *value, const char *unit,
                  const channel_limits *limits) {
    ++run.result_count;
    bounded_text<working_area_capacity> value_copy;
    bounded_text<working_area_capacity> channel_copy;
    bounded_text<working_area_capacity> unit_copy;
    value_copy.assign(value);
    channel_copy.assign(channel);
    unit_copy.assign(unit);
    blank_controls(value_copy);
    blank_controls(channel_copy);
    blank_controls(unit_copy);

    // Built whole first, so that a result either fits entirely or is left out.
    bounded_text<output_buffer_capacity> &element = result_element;
    element.clear();
    if (is_xml_flavour(run))
        append_xml_result(channel_copy, value_copy, unit_copy, nullptr, limits, element);
    else
        append_text_result(run, channel_copy.c_str(), value_copy.c_str(), unit_copy.c_str(), element);
    append_element(run, element);
}

namespace {

void write_xml_count(run_record &run, const char *channel, const bounded_text<working_area_capacity> &value_copy,
                     const channel_limits *limits) {
    ++run.result_count;
    bounded_text<working_area_capacity> channel_copy;
    bounded_text<working_area_capacity> no_unit;
    channel_copy.assign(channel);
    bounded_text<output_buffer_capacity> &element = result_element;
    element.clear();
    append_xml_result(channel_copy, value_copy, no_unit, "Count", limits, element);
    append_element(run, element);
}

}  // namespace

void write_count_result(run_record &run, const char *channel, unsigned value, const channel_limits *limits) {
    if (!is_xml_flavour(run)) return;
    bounded_text<working_area_capacity> value_copy;
    value_copy.format("%u", value);
    write_xml_count(run, channel, value_copy, limits);
}

void write_counted_result(run_record &run, const char *channel, int64_t value, const channel_limits *limits) {
    bounded_text<working_area_capacity> value_copy;
    value_copy.format("%lld", static_cast<long long>(value));
    if (is_xml_flavour(run))
        write_xml_count(run, channel, value_copy, limits);
    else
        write_result(run, channel, value_copy.c_str(), "");
}

void open_line(run_record &run, const char *lead) {
    if (is_xml_flavour(run)) return;
    content_put(run.output_buffer, "\n", 1, content_form::markup, content_limit);
    content_put(run.output_buffer, lead, strlen(lead), content_form::markup, content_limit);
}

void close_document(run_record &run) { run.output_buffer.append(is_xml_flavour(run) ? "\n</Prtg>\n" : "\n"); }

void append_message(run_record &run, const char *text) { run.output_buffer.append(text); }
