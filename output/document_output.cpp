// Putting a finished document on standard output.
#include "output/document_output.h"

#include "core/exit_status.h"
#include "host/host.h"
#include "output/prtg_writer.h"

int fail_with(run_record &run, const char *message) {
    write_error_document(run, message);
    host_print(run.output_buffer.c_str());
    return exit_error_document;
}
