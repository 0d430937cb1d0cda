#include "download/LinkList.h"

#include <algorithm>

#include "download/VideoService.h"

namespace mediaconv::download {
namespace {

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

}  // namespace

std::vector<std::string> SplitPastedText(std::string_view text) {
  std::vector<std::string> entries;
  std::string entry;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (IsLineBreak(c)) {
      if (!entry.empty()) entries.push_back(std::move(entry));
      entry.clear();
      ++i;
      continue;
    }
    if (c == '"' || c == '\'') {
      const size_t close = text.find(c, i + 1);
      if (close != std::string_view::npos) {
        entry.append(text.substr(i, close - i + 1));
        i = close + 1;
        continue;
      }
    }
    entry += c;
    ++i;
  }
  if (!entry.empty()) entries.push_back(std::move(entry));
  return entries;
}

bool TLinkList::AddLink(const std::string& link) {
  if (!IsServiceLink(link)) return view_.ConfirmLinkMessage(link + kMessageBreak + kNotALinkText);
  // Entries that differ only in letter case are other links: a video id is
  // case-sensitive.
  for (const std::string& entry : links_)
    if (entry == link) return view_.ConfirmLinkMessage(link + kMessageBreak + kAlreadyListedText);
  links_.push_back(link);
  view_.LinkAdded(static_cast<int>(links_.size()) - 1, link);
  return true;
}

int TLinkList::Paste(std::string_view text) {
  int added = 0;
  for (const std::string& entry : SplitPastedText(text)) {
    const size_t before = links_.size();
    const bool goOn = AddLink(entry);
    if (links_.size() > before) ++added;
    if (!goOn) break;
  }
  return added;
}

int TLinkList::Remove(int index) {
  if (!CanRemove(index)) return links_.empty() ? -1 : index;
  links_.erase(links_.begin() + index);
  view_.LinkRemoved(index);
  if (links_.empty()) return -1;
  return std::min(index, static_cast<int>(links_.size()) - 1);
}

void TLinkList::Clear() {
  links_.clear();
  view_.LinksCleared();
}

}  // namespace mediaconv::download
