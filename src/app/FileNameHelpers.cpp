#include "app/FileNameHelpers.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string_view>
#include <vector>

#include "app/OutputFile.h"

namespace mediaconv::app {
namespace {

bool EntryExists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

}  // namespace

std::string WithTrailingSeparator(const std::string& path) {
  if (path.empty() || path.back() == '/') return path;
  return path + '/';
}

std::string UniqueFileName(const std::string& name, const std::string& folder) {
  const std::string prefix = WithTrailingSeparator(folder.empty() ? std::string(".") : folder);
  // Counting goes on for as long as names are taken: a user's file is never
  // handed out as free.
  for (long long n = 0;; ++n) {
    std::string candidate = NumberedFileName(name, n);
    if (!EntryExists(prefix + candidate)) return candidate;
  }
}

std::string SafeFileName(const std::string& text) {
  static constexpr std::string_view kForbidden("\\/:*?\"<>|\0", 10);
  std::string safe = text;
  for (char& c : safe)
    if (kForbidden.find(c) != std::string_view::npos) c = '_';
  return safe;
}

std::string ExecutableFolder() {
  std::vector<char> buffer(4096);
  while (true) {
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buffer.size()) {
      const std::string path(buffer.data(), static_cast<size_t>(n));
      const size_t slash = path.rfind('/');
      return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace mediaconv::app
