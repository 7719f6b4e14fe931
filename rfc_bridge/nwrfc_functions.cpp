// The bridge finds each NetWeaver function in the loaded library; the __stdcall name's
// argument bytes come from the declaration, which must match SAP's documented sizes.
#include "rfc_bridge/nwrfc_functions.h"

// Every function the bridge resolves, typed as it calls it, against SAP's documented list.
#define NWRFC_CHECK(name) KORVANEL_CHECK_STDCALL_AS(static_cast<decltype(&nwrfc::name)>(nullptr), #name);
NWRFC_FUNCTION_LIST(NWRFC_CHECK)
#undef NWRFC_CHECK

bool resolve_nwrfc_functions(void *library, symbol_finder find, nwrfc_functions &functions,
                             bounded_text<60> &missing) {
#define NWRFC_RESOLVE(name)                                                                          \
    functions.name = reinterpret_cast<decltype(&nwrfc::name)>(                                       \
        find(library, #name, i386_argument_bytes(static_cast<decltype(&nwrfc::name)>(nullptr))));        \
    if (functions.name == nullptr) {                                                                 \
        missing.assign(#name);                                                                       \
        return false;                                                                                \
    }
    NWRFC_FUNCTION_LIST(NWRFC_RESOLVE)
#undef NWRFC_RESOLVE
    return true;
}
