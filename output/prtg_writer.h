// The one document a run prints, assembled in the run record's output buffer: the
// PRTG XML document, its error form, and the pieces that make it up, each rendered in
// the run's output flavour. Text becomes document content only through these
// operations, which escape it once for XML and keep room for the closing elements, so
// the buffer never overflows and a document always ends properly closed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "output/output_flavour.h"
#include "core/run_record.h"

/// Replaces the output buffer with the PRTG XML error document carrying `message`
/// (escaped), in every flavour alike. `message` may be the output buffer itself.
void write_error_document(run_record &run, const char *message);
/// The same into `out`, for a document built away from the run's output buffer (the
/// watchdog's, while the run may still be writing its own). Reads nothing else.
void write_error_document_to(bounded_text<output_buffer_capacity> &out, const char *message);

/// Replaces the output buffer with the document head ("\n<Prtg>\n" in XML, nothing
/// in the text flavours).
void open_document(run_record &run);
/// Appends the opening of the text element ("\n<Text>" in XML, "\n# " in text).
void open_text(run_record &run);
/// Appends at most `count` bytes of `text` (stopping at a NUL) as content of the
/// text element, escaped in the XML flavours; cut when the document would not fit.
void append_text(run_record &run, const char *text, size_t count = static_cast<size_t>(-1));
/// Appends the closing of the text element in XML; in Brimtol with "CH=" in
/// parameter_string empties the buffer, since only the selected value is printed.
void close_text(run_record &run);
/// Raises result_count and appends one result (channel) with its value and unit in
/// the run's flavour; in XML an empty unit writes no unit, and `limits` (when given
/// and holding a limit) adds its limit elements. A result that would not fit is left
/// out whole.
void write_result(run_record &run, const char *channel, const char *value, const char *unit,
                  const channel_limits *limits = nullptr);
/// In the XML flavours raises result_count and appends one result that counts things,
/// with PRTG's built-in unit "Count" and the limit elements of `limits` (may be null);
/// in the text flavours writes nothing. A result that would not fit is left out whole.
void write_count_result(run_record &run, const char *channel, unsigned value, const channel_limits *limits);
/// A count in every flavour: in XML as write_count_result writes it; in the text
/// flavours as write_result writes a result without unit (a line of its own, or the
/// value alone when Brimtol's "CH=" selects it).
void write_counted_result(run_record &run, const char *channel, int64_t value, const channel_limits *limits);
/// In the text flavours begins a line of its own: appends a line feed and `lead` as they
/// are; the line's content follows with append_text. Nothing in the XML flavours.
void open_line(run_record &run, const char *lead);
/// Appends the closing of the document ("\n</Prtg>\n" in XML, "\n" in text).
void close_document(run_record &run);

/// Appends an error text or diagnosis as it is; it becomes the message of the error
/// document later, which escapes it then.
void append_message(run_record &run, const char *text);
