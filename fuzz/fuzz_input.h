// Shared by the fuzz targets whose input is a text and a file: the input is split at
// its first NUL byte, the text before it terminated in the target's own storage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

/// Copies `data` up to its first NUL byte into `text` and terminates it; `rest` and
/// `rest_size` get the bytes after that NUL (null and 0 when there is none). Returns
/// false when the text does not fit `capacity` bytes with its terminator.
inline bool split_input(const uint8_t *data, size_t size, char *text, size_t capacity, const uint8_t **rest,
                        size_t *rest_size) {
    const uint8_t *split = static_cast<const uint8_t *>(memchr(data, 0, size));
    size_t text_size = split != nullptr ? static_cast<size_t>(split - data) : size;
    if (text_size >= capacity) return false;
    memcpy(text, data, text_size);
    text[text_size] = '\0';
    *rest = split != nullptr ? split + 1 : nullptr;
    *rest_size = split != nullptr ? size - text_size - 1 : 0;
    return true;
}
