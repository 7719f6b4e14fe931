// The document writer. Content appends stop short of the last `closing_reserve`
// bytes of the buffer, which only the closing elements may use; an entity such as
// "&amp;" is written whole or not at all. The text flavours' results come from
// text_flavours.cpp; the error document is PRTG XML in every flavour.
#include "output/prtg_writer.h"

#include <cstring>

#include "output/text_flavours.h"

namespace {

// Room kept for "</Text>\n" and "\n</Prtg>\n", which must always fit.
constexpr size_t closing_reserve = 32;
constexpr size_t content_limit = output_buffer_capacity - closing_reserve;

const char *entity_for(char c) {
    switch (c) {
        case '<': return "&lt;";
        case '>': return "&gt;";
        case '&': return "&amp;";
        default: return nullptr;
    }
}

// Appends `text` to `out`, escaping when asked, without passing `limit` characters;
// false when it had to stop.
template <size_t Capacity>
bool put(bounded_text<Capacity> &out, const char *text, size_t count, bool escape, size_t limit) {
    for (size_t i = 0; i < count && text[i] != '\0'; ++i) {
        const char *entity = escape ? entity_for(text[i]) : nullptr;
        size_t piece_length = entity ? strlen(entity) : 1;
        if (out.length + piece_length > limit) return false;
        if (entity)
            out.append(entity);
        else
            out.append_char(text[i]);
    }
    return true;
}

void append_xml_result(const bounded_text<working_area_capacity> &channel,
                       const bounded_text<working_area_capacity> &value,
                       const bounded_text<working_area_capacity> &unit, bounded_text<output_buffer_capacity> &element) {
    const size_t no_limit = output_buffer_capacity;
    element.append("\n<Result><Channel>");
    put(element, channel.c_str(), channel.length, true, no_limit);
    element.append("</Channel>");
    if (!unit.empty()) {
        element.append("\n<Unit>Custom</Unit>");
        element.append("\n<CustomUnit>");
        put(element, unit.c_str(), unit.length, true, no_limit);
        element.append("</CustomUnit>");
    }
    element.append("\n<Value>");
    put(element, value.c_str(), value.length, true, no_limit);
    element.append("</Value></Result>\n");
}

}  // namespace

void write_error_document(run_record &run, const char *message) { write_error_document_to(run.output_buffer, message); }

void write_error_document_to(bounded_text<output_buffer_capacity> &out, const char *message) {
    // The message is often the buffer itself: take it before the buffer starts afresh.
    bounded_text<output_buffer_capacity> kept;
    kept.assign(message);
    out.assign("<Prtg>");
    out.append("\n<Error>1</Error>");
    out.append("\n<Text>");
    put(out, kept.c_str(), kept.length, true, content_limit);
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
    put(run.output_buffer, opening, strlen(opening), false, content_limit);
}

void append_text(run_record &run, const char *text, size_t count) {
    put(run.output_buffer, text, count, is_xml_flavour(run), content_limit);
}

void close_text(run_record &run) {
    long ignored = 0;
    if (is_xml_flavour(run))
        run.output_buffer.append("</Text>\n");
    else if (is_brimtol_flavour(run) && selected_channel(run, ignored))
        run.output_buffer.clear();
}

void write_result(run_record &run, const char *channel, const char *value, const char *unit) {
    ++run.result_count;
    bounded_text<working_area_capacity> value_copy;
    bounded_text<working_area_capacity> channel_copy;
    bounded_text<working_area_capacity> unit_copy;
    value_copy.assign(value);
    channel_copy.assign(channel);
    unit_copy.assign(unit);

    // Built whole first, so that a result either fits entirely or is left out.
    bounded_text<output_buffer_capacity> element;
    if (is_xml_flavour(run))
        append_xml_result(channel_copy, value_copy, unit_copy, element);
    else
        append_text_result(run, channel_copy.c_str(), value_copy.c_str(), unit_copy.c_str(), element);
    if (run.output_buffer.length + element.length <= content_limit) run.output_buffer.append(element.c_str());
}

void close_document(run_record &run) { run.output_buffer.append(is_xml_flavour(run) ? "\n</Prtg>\n" : "\n"); }

void append_message(run_record &run, const char *text) { run.output_buffer.append(text); }
