#include "http/FileAttributes.h"

#include <sys/stat.h>
#include <sys/xattr.h>

#include <array>
#include <string_view>

namespace mediaconv::http {

namespace {

struct TAttributeName {
  TWinHTTPFileAttribute attribute;
  std::string_view name;
};

constexpr std::array<TAttributeName, 5> kXattrNames{{
    {atrArchive, "archive"},
    {atrHidden, "hidden"},
    {atrSystem, "system"},
    {atrTemporary, "temporary"},
    {atrOffline, "offline"},
}};

std::string XattrText(TWinHTTPFileAttributes attributes) {
  std::string text;
  for (const TAttributeName& row : kXattrNames) {
    if (!attributes.Has(row.attribute)) continue;
    if (!text.empty()) text += ',';
    text += row.name;
  }
  return text;
}

}  // namespace

bool SetFileAttributes(const std::string& fileName, TWinHTTPFileAttributes attributes) {
  struct stat info {};
  if (::stat(fileName.c_str(), &info) != 0) return false;
  mode_t mode = info.st_mode & 07777;
  if (attributes.Has(atrReadOnly))
    mode &= ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH);
  else
    mode |= S_IWUSR;
  if (mode != (info.st_mode & 07777) && ::chmod(fileName.c_str(), mode) != 0) return false;
  // File systems without user attributes keep only the read-only bit.
  const std::string text = XattrText(attributes);
  if (text.empty())
    ::removexattr(fileName.c_str(), kAttributesXattr);
  else
    ::setxattr(fileName.c_str(), kAttributesXattr, text.data(), text.size(), 0);
  return true;
}

TWinHTTPFileAttributes GetFileAttributes(const std::string& fileName) {
  TWinHTTPFileAttributes attributes;
  struct stat info {};
  if (::stat(fileName.c_str(), &info) != 0) return attributes;
  if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attributes.Include(atrReadOnly);
  char buffer[256];
  const ssize_t size = ::getxattr(fileName.c_str(), kAttributesXattr, buffer, sizeof buffer);
  if (size <= 0) return attributes;
  const std::string_view text(buffer, size_t(size));
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(',', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view name = text.substr(start, end - start);
    for (const TAttributeName& row : kXattrNames)
      if (row.name == name) attributes.Include(row.attribute);
    start = end + 1;
  }
  return attributes;
}

}  // namespace mediaconv::http
