// The one function beyond the classic interface that Korvanel's own librfc32 (the
// bridge to SAP's NetWeaver library) exports: it says which library answers behind
// it. The program never imports it (SAP's classic librfc32 lacks it, and the same
// program must load either): it looks the name up at run time in the library it has
// loaded, and a library without it is simply not the bridge.
#pragma once

#include <type_traits>

#include "core/librfc32.h"

/// The export's name, without decoration, as GetProcAddress and dlsym take it.
constexpr const char *rfc_library_describe_name = "KorvanelBridgeDescribe";
/// The longest description a caller needs room for: the bridge's origin ("RFC bridge
/// librfc32 over sapnwrfc 7500,0,12", 80) and " from " with the path of SAP's library
/// (Windows' MAX_PATH, 260), with room to spare.
constexpr unsigned rfc_library_description_capacity = 383;

extern "C" {

/// Writes into `buffer` (`size` bytes) what answers behind the bridge: its origin and
/// the file of SAP's library once loaded, or that SAP's library is not loaded and in
/// a few words why. Cut to fit and always terminated; nothing is written when `buffer`
/// is null or `size` is 0.
void LIBRFC32_API KorvanelBridgeDescribe(char *buffer, unsigned size);

}  // extern "C"

/// The export's type, as the program calls it once it has found it.
typedef void(LIBRFC32_API *rfc_library_describe_function)(char *buffer, unsigned size);
static_assert(std::is_same<decltype(&KorvanelBridgeDescribe), rfc_library_describe_function>::value,
              "the bridge defines the export with exactly the type the program calls it by");
