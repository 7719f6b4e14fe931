// The table readers; see table_reading.h.
#include "rfc/table_reading.h"

bool resolve_table_reading(table_reading &reading) {
    reading.fill = &ItFill;
    reading.get_line = &ItGetLine;
    return true;
}
