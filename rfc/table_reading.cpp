// The table readers; see table_reading.h. They are looked up by name, as the library
// exports them, only when a run asks for them: an older library without them still
// serves every run that does not.
#include "rfc/table_reading.h"

#include "rfc/rfc_library.h"

bool resolve_table_reading(table_reading &reading) {
    if (find_optional_rfc_function("ItFill", reading.fill) &&
        find_optional_rfc_function("ItGetLine", reading.get_line))
        return true;
    reading = table_reading{};
    return false;
}
