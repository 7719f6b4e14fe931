// The process exit statuses that PRTG reads, in one place.
#pragma once

constexpr int exit_success = 0;         // measurement done, or a multi-system run completed
constexpr int exit_rfc_abort = 1;       // the RFC library failed; its error block was printed
constexpr int exit_error_document = 2;  // the run ended with the PRTG error document
