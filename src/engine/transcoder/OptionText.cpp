#include "engine/transcoder/OptionText.h"

#include <algorithm>
#include <cctype>

namespace mediaconv::engine {

std::string TrimText(const std::string& text) {
  auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  const auto first = std::find_if_not(text.begin(), text.end(), isBlank);
  const auto last = std::find_if_not(text.rbegin(), text.rend(), isBlank).base();
  return first < last ? std::string(first, last) : std::string();
}

std::vector<TOptionLine> SplitOptionText(const std::string& text) {
  const std::string trimmed = TrimText(text);
  std::vector<TOptionLine> lines;
  if (trimmed.empty()) return lines;

  std::string normalised;
  normalised.reserve(trimmed.size());
  static const std::string kCrlfText = "<CRLF>";
  for (std::size_t i = 0; i < trimmed.size();) {
    if (trimmed[i] == '\r') {
      normalised += '\n';
      i += (i + 1 < trimmed.size() && trimmed[i + 1] == '\n') ? 2 : 1;
    } else if (trimmed.compare(i, kCrlfText.size(), kCrlfText) == 0) {
      normalised += '\n';
      i += kCrlfText.size();
    } else {
      normalised += trimmed[i++];
    }
  }

  std::size_t start = 0;
  while (start <= normalised.size()) {
    std::size_t end = normalised.find('\n', start);
    if (end == std::string::npos) end = normalised.size();
    const std::string line = normalised.substr(start, end - start);
    TOptionLine option;
    const std::size_t equals = line.find('=');
    option.name = line.substr(0, equals);
    if (equals != std::string::npos) option.value = line.substr(equals + 1);
    std::transform(option.name.begin(), option.name.end(), option.name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    lines.push_back(std::move(option));
    start = end + 1;
  }
  return lines;
}

}  // namespace mediaconv::engine
