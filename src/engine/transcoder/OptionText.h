#pragma once
#include <string>
#include <vector>

namespace mediaconv::engine {

// One line of an option text: the name (lower-cased) and the value as written.
struct TOptionLine {
  std::string name;
  std::string value;
};

// Splits an option text into lines: the text is trimmed of blanks and
// control characters at both ends; CR LF, a lone CR, LF and the literal
// "<CRLF>" end a line; each line splits at its first "=" (no "=" gives an
// empty value). Lines themselves are not trimmed. An empty text gives none.
std::vector<TOptionLine> SplitOptionText(const std::string& text);

// Blanks and control characters (bytes up to 0x20) trimmed from both ends.
std::string TrimText(const std::string& text);

}  // namespace mediaconv::engine
