// Tests' UTF-16 text: the bytes Notepad's "Unicode" and PowerShell's ">" and ">>" write
// for an ASCII text, in both byte orders, so the readers' and the password tool's tests
// build their files the same way.
#pragma once

#include <string>

/// The UTF-16 LE bytes of an ASCII text (no byte order mark).
inline std::string utf16_le(const std::string &ascii) {
    std::string out;
    for (char c : ascii) out += std::string{c, '\0'};
    return out;
}

/// The UTF-16 BE bytes of an ASCII text (no byte order mark).
inline std::string utf16_be(const std::string &ascii) {
    std::string out;
    for (char c : ascii) out += std::string{'\0', c};
    return out;
}
