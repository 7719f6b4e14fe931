// Loading SAP's NetWeaver library, the one platform-dependent concern of the bridge:
// sapnwrfc.dll (Windows) or libsapnwrfc.so (Linux) from the bridge's own folder
// first, then the system's usual search. When loading fails, the diagnosis says what
// was tried and why it failed, in the terms an administrator can act on.
#pragma once

#include "core/bounded_text.h"

/// Why the NetWeaver library could not be loaded.
struct load_diagnosis {
    bounded_text<200> message;  // "======> " line: what failed
    bounded_text<255> location; // where it was looked for
    bounded_text<255> detail;   // the system's error code and text, and what is missing
};

/// Loads the library; its handle, or null with `diagnosis` filled. `path` receives
/// the file that was loaded (or tried first).
void *load_nwrfc_library(bounded_text<260> &path, load_diagnosis &diagnosis);
/// The address of `plain_name` in `library`, or of its __stdcall form "_name@bytes"
/// where the platform has one; null when neither is exported.
void *find_nwrfc_symbol(void *library, const char *plain_name, unsigned stdcall_argument_bytes);
/// The thread number the trace shows.
unsigned bridge_thread_number();

/// Name of the folder for SAP's own trace files, in the working directory.
constexpr const char *sap_trace_folder_name = "sapnwrfc-trace";
/// Days a file in that folder is kept; older ones are removed when a run starts.
constexpr unsigned sap_trace_keep_days = 7;
/// Makes the folder for SAP's own trace files: `sapnwrfc-trace` in the working
/// directory, or in the one above it when that is a listing child's private folder,
/// so that every run of the probe shares it; removes its files older than
/// sap_trace_keep_days. Its full path goes into `folder` (UTF-16, terminated, at
/// most `capacity` units); false when it could not be made or named.
bool prepare_sap_trace_folder(char16_t *folder, unsigned capacity);
