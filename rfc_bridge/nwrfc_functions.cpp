// The argument bytes of the __stdcall name come from the declaration itself, so the
// decorated names cannot drift from the parameter lists.
#include "rfc_bridge/nwrfc_functions.h"

namespace {

constexpr unsigned stack_bytes(unsigned size) { return (size + 3) / 4 * 4; }

template <typename Result, typename... Arguments>
constexpr unsigned argument_bytes(Result(SAP_API *)(Arguments...)) {
    return (0u + ... + stack_bytes(sizeof(Arguments)));
}

}  // namespace

bool resolve_nwrfc_functions(void *library, symbol_finder find, nwrfc_functions &functions,
                             bounded_text<60> &missing) {
#define NWRFC_RESOLVE(name)                                                                          \
    functions.name = reinterpret_cast<decltype(&nwrfc::name)>(                                       \
        find(library, #name, argument_bytes(static_cast<decltype(&nwrfc::name)>(nullptr))));        \
    if (functions.name == nullptr) {                                                                 \
        missing.assign(#name);                                                                       \
        return false;                                                                                \
    }
    NWRFC_FUNCTION_LIST(NWRFC_RESOLVE)
#undef NWRFC_RESOLVE
    return true;
}
