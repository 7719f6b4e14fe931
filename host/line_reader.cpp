// The one line reader of the program; see line_reader.h for the rules it keeps.
#include "host/line_reader.h"

#include <cstring>

bool read_piece(FILE *file, char *out, size_t max_characters) {
    size_t count = 0;
    bool any = false;
    while (count < max_characters) {
        int c = fgetc(file);
        if (c == EOF) break;
        any = true;
        if (c == '\r') {
            int next = fgetc(file);
            if (next == '\n')
                c = '\n';
            else if (next != EOF)
                ungetc(next, file);
        }
        out[count++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    out[count] = '\0';
    return any;
}

void strip_line_end(char *text) {
    size_t length = strlen(text);
    if (length > 0 && text[length - 1] == '\r') text[--length] = '\0';
    if (length > 0 && text[length - 1] == '\n') text[--length] = '\0';
}

bool read_line(FILE *file, char *out, size_t max_characters) {
    if (!read_piece(file, out, max_characters)) return false;
    strip_line_end(out);
    return true;
}
