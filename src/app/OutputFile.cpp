#include "app/OutputFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

namespace mediaconv::app {
namespace {

constexpr const char* kPartSuffix = ".part";
constexpr size_t kRandomDigits = 8;
// "." before the name, "." and the digits after it, then ".part".
constexpr size_t kPartOverhead = 1 + 1 + kRandomDigits + 5;

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The first bytes of text, at most limit of them, ending on a character boundary.
std::string CutAtCharacter(const std::string& text, size_t limit) {
  if (text.size() <= limit) return text;
  size_t cut = limit;
  while (cut > 0 && IsContinuationByte(text[cut])) --cut;
  return text.substr(0, cut);
}

struct TNameParts {
  std::string Base;
  std::string Extension;  // from the last ".", dot included
};

TNameParts SplitName(const std::string& name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return {name, {}};
  return {name.substr(0, dot), name.substr(dot)};
}

// "base(7)" gives base and 7; anything else itself and 0.
std::pair<std::string, long long> SplitNumber(const std::string& base) {
  if (base.size() < 3 || base.back() != ')') return {base, 0};
  const size_t open = base.rfind('(');
  if (open == std::string::npos || open + 2 > base.size() - 1) return {base, 0};
  long long number = 0;
  for (size_t i = open + 1; i + 1 < base.size(); ++i) {
    if (base[i] < '0' || base[i] > '9' || number > 1000000000000LL) return {base, 0};
    number = number * 10 + (base[i] - '0');
  }
  return {base.substr(0, open), number};
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RandomDigits() {
  static constexpr char kHex[] = "0123456789abcdef";
  std::random_device device;
  std::string digits;
  for (size_t i = 0; i < kRandomDigits; ++i) digits += kHex[device() % 16];
  return digits;
}

std::string PartPrefix(const std::string& finalName) {
  return "." + CutAtCharacter(finalName, kMaxFileNameBytes - kPartOverhead) + ".";
}

}  // namespace

std::string NumberedFileName(const std::string& name, long long number) {
  const TNameParts parts = SplitName(name);
  const std::string suffix =
      (number > 0 ? "(" + std::to_string(number) + ")" : std::string()) + parts.Extension;
  if (suffix.size() >= kMaxFileNameBytes) return CutAtCharacter(parts.Base + suffix, kMaxFileNameBytes);
  return CutAtCharacter(parts.Base, kMaxFileNameBytes - suffix.size()) + suffix;
}

int RenameNoReplace(const std::string& from, const std::string& to) {
  if (::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), 1 /* RENAME_NOREPLACE */) == 0)
    return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
  // The file system cannot rename without replacing: a hard link can only be made to a free name.
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return 0;
  }
  if (errno != EPERM && errno != ENOTSUP && errno != ENOSYS) return errno;
  // Neither (FAT and the like): reserve the name, then replace only that reservation.
  const int reserved = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (reserved < 0) return errno;
  ::close(reserved);
  if (::rename(from.c_str(), to.c_str()) == 0) return 0;
  const int error = errno;
  ::unlink(to.c_str());
  return error;
}

std::string ClaimFileName(const std::string& from, const std::string& path, std::string& error) {
  const std::string folder = FolderOf(path);
  const std::string name = NameOf(path);
  const TNameParts parts = SplitName(name);
  const auto [root, number] = SplitNumber(parts.Base);
  const std::string unnumbered = root + parts.Extension;
  for (long long n = number > 0 ? number : 0;; ++n) {
    const std::string candidate =
        folder + NumberedFileName(n == number ? name : unnumbered, n == number ? 0 : n);
    const int result = RenameNoReplace(from, candidate);
    if (result == 0) return candidate;
    if (result != EEXIST) {
      error = candidate + ": " + std::strerror(result);
      return {};
    }
  }
}

std::unique_ptr<TPartFile> TPartFile::Create(const std::string& finalPath, int& errorNumber) {
  RemoveStale(finalPath);
  const std::string prefix = FolderOf(finalPath) + PartPrefix(NameOf(finalPath));
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::string path = prefix + RandomDigits() + kPartSuffix;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      errorNumber = errno;
      return nullptr;
    }
    // Held until the file is claimed or removed: a locked temporary is never stale.
    ::flock(fd, LOCK_EX);
    // Another run may have taken it for stale between its creation and the lock.
    struct stat opened {
    }, named{};
    if (::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 && opened.st_ino == named.st_ino &&
        opened.st_dev == named.st_dev)
      return std::unique_ptr<TPartFile>(new TPartFile(finalPath, path, fd));
    ::close(fd);
  }
  errorNumber = EEXIST;
  return nullptr;
}

TPartFile::~TPartFile() {
  if (!done_) Discard();
  if (fd_ >= 0) ::close(fd_);
}

std::string TPartFile::OpenName() const {
  const std::string link = "/proc/self/fd/" + std::to_string(fd_);
  return ::access(link.c_str(), F_OK) == 0 ? link : path_;
}

long long TPartFile::Size() const {
  struct stat info {};
  return ::fstat(fd_, &info) == 0 ? static_cast<long long>(info.st_size) : 0;
}

std::string TPartFile::Claim(std::string& error) {
  done_ = true;
  std::string claimed = ClaimFileName(path_, finalPath_, error);
  if (claimed.empty()) ::unlink(path_.c_str());
  return claimed;
}

void TPartFile::Discard() {
  done_ = true;
  ::unlink(path_.c_str());
}

bool TPartFile::IsPartOf(const std::string& name, const std::string& finalName) {
  const std::string prefix = PartPrefix(finalName);
  const size_t suffixLength = std::strlen(kPartSuffix);
  if (name.size() != prefix.size() + kRandomDigits + suffixLength ||
      name.compare(0, prefix.size(), prefix) != 0 ||
      name.compare(name.size() - suffixLength, suffixLength, kPartSuffix) != 0)
    return false;
  for (size_t i = prefix.size(); i < prefix.size() + kRandomDigits; ++i)
    if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
  return true;
}

int TPartFile::RemoveStale(const std::string& finalPath) {
  const std::string folder = FolderOf(finalPath);
  const std::string finalName = NameOf(finalPath);
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return 0;
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (!IsPartOf(entry->d_name, finalName)) continue;
    const std::string path = folder + entry->d_name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat info {};
    // Only our own kind of file, and only when no living run holds it.
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::unlink(path.c_str()) == 0)
      ++removed;
    ::close(fd);
  }
  ::closedir(dir);
  return removed;
}

}  // namespace mediaconv::app
