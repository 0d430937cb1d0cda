#include "app/SettingsFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/FileNameHelpers.h"

namespace mediaconv::app {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string HomeFolder() {
  std::string home = Env("HOME");
  if (!home.empty()) return home;
  std::vector<char> buffer(16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
    return found->pw_dir;
  return {};
}

bool ReadableFolder(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
         ::access(path.c_str(), R_OK | X_OK) == 0;
}

std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// The value of XDG_DOCUMENTS_DIR in a user-dirs.dirs file: a double-quoted
// absolute path or one that starts with $HOME, with backslash escapes.
std::string UserDirsDocuments(const std::string& userDirsFile, const std::string& home) {
  std::ifstream in(userDirsFile);
  std::string line;
  static const std::string kKey = "XDG_DOCUMENTS_DIR=\"";
  while (std::getline(in, line)) {
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, kKey.size(), kKey) != 0) continue;
    std::string value;
    bool closed = false;
    for (size_t i = start + kKey.size(); i < line.size(); ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) {
        value += line[++i];
      } else if (line[i] == '"') {
        closed = true;
        break;
      } else {
        value += line[i];
      }
    }
    if (!closed) continue;
    if (value.starts_with("$HOME")) return home + value.substr(5);
    if (value.starts_with("/")) return value;
  }
  return {};
}

}  // namespace

std::string AppDataFolderFor(const std::string& xdgConfigHome, const std::string& home) {
  // Relative values are invalid by the XDG rules and ignored.
  if (xdgConfigHome.starts_with("/")) return WithTrailingSeparator(xdgConfigHome);
  if (home.empty()) return "/";
  return WithTrailingSeparator(home) + ".config/";
}

std::string AppDataFolder() { return AppDataFolderFor(Env("XDG_CONFIG_HOME"), HomeFolder()); }

std::string DocumentsFolderFor(const std::string& appDataFolder, const std::string& home,
                               const std::string& xdgDocumentsDir) {
  const std::string cleanHome = WithoutTrailingSeparators(home);
  std::string configured =
      UserDirsDocuments(WithTrailingSeparator(appDataFolder) + "user-dirs.dirs", cleanHome);
  if (configured.empty()) configured = xdgDocumentsDir;
  // A documents folder equal to home means "not set" to the XDG tools.
  configured = WithoutTrailingSeparators(configured);
  if (!configured.empty() && configured != cleanHome && ReadableFolder(configured))
    return WithTrailingSeparator(configured);
  if (!cleanHome.empty() && cleanHome != "/") {
    const std::string documents = WithTrailingSeparator(cleanHome) + "Documents";
    if (ReadableFolder(documents)) return WithTrailingSeparator(documents);
    if (ReadableFolder(cleanHome)) return WithTrailingSeparator(cleanHome);
  }
  return {};
}

std::string DocumentsFolder() {
  return DocumentsFolderFor(AppDataFolder(), HomeFolder(), Env("XDG_DOCUMENTS_DIR"));
}

std::string SettingsFolder(const std::string& appDataFolder, const std::string& editionName) {
  const std::string base = WithTrailingSeparator(appDataFolder.empty() ? std::string("/") : appDataFolder);
  // The XDG rules ask for the configuration home to be created when missing.
  std::error_code ignored;
  std::filesystem::create_directories(base, ignored);
  std::string folderName = editionName;
  for (char& c : folderName)
    if (c == '/' || c == '\0') c = ' ';
  if (folderName.empty() || folderName == "." || folderName == "..") return base;
  const std::string folder = base + folderName;
  struct stat info {};
  if (::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return folder + "/";
  if (::mkdir(folder.c_str(), 0755) == 0) return folder + "/";
  return base;
}

std::string SettingsFileName(const std::string& settingsFolder) {
  return WithTrailingSeparator(settingsFolder) + kSettingsFileName;
}

}  // namespace mediaconv::app
