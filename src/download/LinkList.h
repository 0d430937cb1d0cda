#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace mediaconv::download {

inline constexpr const char* kNotALinkText = "This is not a YouTube video link.";
inline constexpr const char* kAlreadyListedText = "This video is already in the download list.";
// Between the link and the reason in both messages: LF CR LF CR.
inline constexpr const char* kMessageBreak = "\n\r\n\r";

// What the link page shows of the list and asks the user.
class TLinkListView {
 public:
  virtual ~TLinkListView() = default;
  // The information box with OK and Cancel, captioned with the application
  // title; true for OK (go on with the next link), false for Cancel (stop).
  virtual bool ConfirmLinkMessage(const std::string& text) = 0;
  virtual void LinkAdded(int /*index*/, const std::string& /*link*/) {}
  virtual void LinkRemoved(int /*index*/) {}
  virtual void LinksCleared() {}
};

// The entries of a pasted text: split at CR and LF, empty lines skipped. A
// part in a pair of matching double or single quotes is not split and keeps
// its quotes. Entries are not trimmed.
std::vector<std::string> SplitPastedText(std::string_view text);

// The list "Videos" of the link page: links kept exactly as pasted.
class TLinkList {
 public:
  explicit TLinkList(TLinkListView& view) : view_(view) {}

  // Appends a link of the video service that is not listed yet (case
  // counts). Otherwise shows why it is skipped and returns the user's answer:
  // false means stop adding.
  bool AddLink(const std::string& link);
  // Adds the links of a pasted text in order until the user stops; returns
  // how many were added.
  int Paste(std::string_view text);
  // Removes the entry at index; returns the entry to focus afterwards (the
  // one now at index, else the last), -1 when the list is empty.
  int Remove(int index);
  void Clear();

  const std::vector<std::string>& Links() const { return links_; }
  bool Empty() const { return links_.empty(); }
  bool CanRemove(int selected) const { return selected >= 0 && selected < static_cast<int>(links_.size()); }
  bool CanEmpty() const { return !links_.empty(); }

 private:
  TLinkListView& view_;
  std::vector<std::string> links_;
};

}  // namespace mediaconv::download
