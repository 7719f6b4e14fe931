// Fuzz target: any bytes as the library's trace file "Dev_Rfc.Trc", read for the
// diagnosis behind a failed step's message that already fills part of the output
// buffer (its length from the first two bytes), then made the error document.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "output/prtg_writer.h"
#include "rfc/failure_report.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    size_t filled = (static_cast<size_t>(data[0]) << 8 | data[1]) % (output_buffer_capacity + 1);
    static run_record run;
    run = run_record{};
    while (run.output_buffer.length < filled) run.output_buffer.append("Error 1014: RFC-Failure raised !");
    run.output_buffer.truncate(filled);

    FILE *trace = fmemopen(const_cast<uint8_t *>(data + 2), size - 2, "rb");
    if (trace == nullptr) return 0;
    append_diagnosis_from(run, trace);
    fclose(trace);

    const char *buffer = run.output_buffer.c_str();
    if (strlen(buffer) != run.output_buffer.length) abort();
    // The message taken from a line never carries the line's end.
    if (run.output_buffer.length > 0 && buffer[run.output_buffer.length - 1] == '\n') abort();

    write_error_document(run, run.output_buffer.c_str());
    static const char closing[] = "</Text>\n</Prtg>\n";
    const char *document = run.output_buffer.c_str();
    size_t length = run.output_buffer.length;
    if (strncmp(document, "<Prtg>\n<Error>1</Error>\n<Text>", 29) != 0) abort();
    if (length < sizeof closing - 1 || strcmp(document + length - (sizeof closing - 1), closing) != 0) abort();
    return 0;
}
