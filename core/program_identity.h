// The program's name and version as the banner line and the identification text show
// them; one place, so the trace banner and the document's text can never disagree.
#pragma once

constexpr const char *program_name = "Korvanel";
constexpr const char *version_text = "Vers 4.3 / 29.08.22";
