#pragma once
#include <cstddef>
#include <string>

namespace mediaconv::cli {

// Length of the UTF-8 sequence at text[i], 0 when it is not valid.
size_t Utf8Length(const std::string& text, size_t i);

// The text as a terminal may show it: control characters (a file name may
// hold escape sequences or line breaks) and bytes that are not UTF-8 become
// visible escapes (\n, \t, \r, \xNN); everything else stays as it is.
std::string TerminalText(const std::string& text);

// Columns the text takes on a terminal: East Asian wide and full-width
// characters take two, combining marks none.
int CellWidth(const std::string& text);

// The longest start of the text that fits in width columns.
std::string FitCells(const std::string& text, int width);

}  // namespace mediaconv::cli
