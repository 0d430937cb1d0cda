#pragma once
#include <algorithm>
#include <string>
#include <vector>

namespace mediaconv::test {

// The lines of a text, without their line ends; a last line without one counts.
std::vector<std::string> SplitLines(const std::string& text);

inline bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

inline bool HasLineStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
  return std::any_of(lines.begin(), lines.end(),
                     [&prefix](const std::string& line) { return line.rfind(prefix, 0) == 0; });
}

// Comma-separated fields of each line (ffprobe's -of csv=p=0).
std::vector<std::vector<std::string>> SplitCsvLines(const std::string& text);

}  // namespace mediaconv::test
