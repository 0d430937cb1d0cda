#include "download/DownloadFileName.h"

#include <sys/stat.h>

#include <string_view>

#include "app/FileNameHelpers.h"

namespace mediaconv::download {
namespace {

// UniqueFileName's numbers run to 32768.
constexpr int kLastNumber = 0x8000;
constexpr std::string_view kLongestNumber = "(32768)";

bool EntryExists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

bool IsContinuationByte(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

std::string CutAtCharacter(const std::string& text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t end = maxBytes;
  while (end > 0 && IsContinuationByte(static_cast<unsigned char>(text[end]))) --end;
  return text.substr(0, end);
}

std::string SafeDownloadStem(const std::string& title, size_t extensionBytes) {
  std::string stem = app::SafeFileName(title);
  for (char& c : stem)
    if (IsControl(static_cast<unsigned char>(c))) c = '_';
  // "", "." and ".." are no file names, and ".x" would be hidden.
  if (stem.empty() || stem.front() == '.') stem = kUntitledStem;
  stem = CutAtCharacter(stem, kMaxFileNameBytes - extensionBytes);
  return stem.empty() ? std::string(kUntitledStem) : stem;
}

std::string DownloadFileName(const std::string& title, const std::string& extension,
                             const std::string& folder) {
  const std::string stem = SafeDownloadStem(title, extension.size());
  if (stem.size() + extension.size() + kLongestNumber.size() <= kMaxFileNameBytes)
    return app::UniqueFileName(stem + extension, folder);
  // Near the limit the stem gives way to the number, so that a numbered name
  // still fits and still shows its number.
  const std::string prefix = app::WithTrailingSeparator(folder);
  if (!EntryExists(prefix + stem + extension)) return stem + extension;
  for (int n = 1;; ++n) {
    const std::string number = "(" + std::to_string(n) + ")";
    const std::string name =
        CutAtCharacter(stem, kMaxFileNameBytes - extension.size() - number.size()) + number + extension;
    if (n >= kLastNumber || !EntryExists(prefix + name)) return name;
  }
}

}  // namespace mediaconv::download
