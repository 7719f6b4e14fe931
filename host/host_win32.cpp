// The Windows host: names go to the C library as they are (Windows resolves drive
// letters, the current drive and letter case itself); standard output is switched
// to binary so the document's line feeds reach PRTG without carriage returns.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "host/host.h"

void host_start() {
    _setmode(_fileno(stdout), _O_BINARY);
}

FILE *host_open_read(const char *name) {
    DWORD attributes = GetFileAttributesA(name);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return nullptr;
    return fopen(name, "rb");
}

FILE *host_create_write(const char *name) { return fopen(name, "wb"); }

bool host_delete(const char *name) { return remove(name) == 0; }
