#include "cli/CliDefaults.h"

#include <sys/stat.h>

#include "app/FileNameHelpers.h"
#include "app/SettingsFolders.h"

namespace mediaconv::cli {
namespace {

bool IsFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::string ExistingSettingsFile(const std::string& appDataFolder, const std::string& editionName) {
  const std::string base =
      app::WithTrailingSeparator(appDataFolder.empty() ? std::string("/") : appDataFolder);
  std::string folderName = editionName;
  for (char& c : folderName)
    if (c == '/' || c == '\0') c = ' ';
  // The same choice as the wizard's: the edition's own folder, or the
  // application-data folder when the name makes none or it could not be made.
  std::string folder = base;
  if (!folderName.empty() && folderName != "." && folderName != ".." && IsFolder(base + folderName))
    folder = base + folderName + "/";
  const std::string file = app::SettingsFileName(folder);
  return IsFile(file) ? file : std::string();
}

TCliDefaults LoadDefaults() {
  TCliDefaults defaults;
  defaults.ExecutableFolder = app::ExecutableFolder();
  defaults.Edition = app::ReadEditionProfile(app::EditionFilePath(defaults.ExecutableFolder));
  app::SeedDefaults(defaults.Settings, defaults.Edition, app::DocumentsFolder());
  defaults.SettingsFile = ExistingSettingsFile(app::AppDataFolder(), defaults.Edition.Name);
  // LoadSettings writes a file only when there is none, which was ruled out.
  if (!defaults.SettingsFile.empty()) app::LoadSettings(defaults.Settings, defaults.SettingsFile);
  return defaults;
}

}  // namespace mediaconv::cli
