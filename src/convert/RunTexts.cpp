#include "convert/RunTexts.h"

#include <algorithm>

namespace mediaconv::convert {
namespace {

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find(separator, start), text.size());
    parts.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace

std::vector<TFilterEntry> AddDialogFilterEntries(std::string_view filter) {
  const std::vector<std::string> parts = Split(filter, '|');
  std::vector<TFilterEntry> entries;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    TFilterEntry entry;
    entry.Caption = parts[i];
    for (std::string& pattern : Split(parts[i + 1], ';'))
      if (!pattern.empty()) entry.Patterns.push_back(std::move(pattern));
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace mediaconv::convert
