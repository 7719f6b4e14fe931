// Names compared as Windows compares file names: in any letter case. A listing names
// its systems by their profile files, which Windows finds in any letter case, and a
// listing may be saved in the probe's ANSI code page or in UTF-8, so each character is
// read as the document shows it (document_text.h: UTF-8 where valid, else ANSI) before
// its case is folded; "PRÜF.P00" and "prüf.p00" in either encoding are one name.
#pragma once

#include <cstddef>

/// The capital of `code_point` when it is a small letter with a one-letter capital of
/// its own, as Windows' file systems pair them: ASCII, Latin-1 (ÿ to Ÿ), Latin
/// Extended-A, Greek and Cyrillic; any other code point as it is (ß, µ, the dotless ı
/// and letters beyond these blocks keep their form).
unsigned long fold_letter_case(unsigned long code_point);

/// True when `a` and `b` are the same name character for character, each character
/// read as the document shows it and folded with fold_letter_case.
bool same_folded_name(const char *a, const char *b);
