#include "download/DownloadStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "app/FileNameHelpers.h"
#include "app/OutputFile.h"
#include "download/DownloadFileName.h"

namespace mediaconv::download {
namespace {

// Stores taken by another writer between the name check and the rename.
constexpr int kStoreAttempts = 64;

bool EntryExists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

}  // namespace

std::string PartialDownloadPath(const std::string& folder) {
  const std::string prefix = app::WithTrailingSeparator(folder) + kPartialPrefix;
  std::random_device device;
  std::mt19937_64 random(device());
  while (true) {
    char number[17];
    std::snprintf(number, sizeof number, "%016llx", static_cast<unsigned long long>(random()));
    const std::string path = prefix + number + kPartialSuffix;
    if (!EntryExists(path)) return path;
  }
}

std::string StoreDownload(const std::string& partialPath, const std::string& title,
                          const std::string& extension, const std::string& folder, std::string& error) {
  const std::string prefix = app::WithTrailingSeparator(folder);
  int code = EEXIST;
  for (int attempt = 0; attempt < kStoreAttempts && code == EEXIST; ++attempt) {
    const std::string path = prefix + DownloadFileName(title, extension, folder);
    code = app::RenameNoReplace(partialPath, path);
    if (code == 0) return path;
  }
  error = std::strerror(code);
  return {};
}

void RemovePartialDownload(const std::string& partialPath) {
  if (!partialPath.empty()) ::unlink(partialPath.c_str());
}

}  // namespace mediaconv::download
