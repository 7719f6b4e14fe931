// Small text helpers of the stand-ins: letter-case-blind comparison (host names,
// user names and INI keys are compared like SAP compares them), trimming and hexadecimal digits.
#pragma once

#include <cstddef>

/// True when `a` and `b` are equal apart from the letter case of a to z.
bool equal_ignore_case(const char *a, const char *b);
/// True when `text` without trailing blanks equals `expected` (compared as `ignore_case` says).
bool equal_without_padding(const char *text, const char *expected, bool ignore_case);
/// Moves `*begin` past leading blanks and tabs and returns the length without
/// trailing blanks, tabs, CR and LF.
size_t trim(const char **begin);
/// The value of the hexadecimal digit `c` (either letter case), or -1 for any other character.
int hex_digit(char c);
