#pragma once
#include <string>

namespace mediaconv::app {

inline constexpr const char* kSettingsFileName = "system.dat";

// The per-user application-data folder, with a trailing "/":
// $XDG_CONFIG_HOME when it is an absolute path, else <home>/.config.
// The home folder is $HOME, else the account's home; "/" when neither is
// known.
std::string AppDataFolder();
std::string AppDataFolderFor(const std::string& xdgConfigHome, const std::string& home);

// The documents folder, with a trailing "/": XDG_DOCUMENTS_DIR from
// <config home>/user-dirs.dirs (else from the environment), else
// <home>/Documents, else <home>; empty when none of them is a readable
// folder (never the root: a missing home must not send files there).
std::string DocumentsFolder();
std::string DocumentsFolderFor(const std::string& appDataFolder, const std::string& home,
                               const std::string& xdgDocumentsDir);

// The folder of the settings file: the application-data folder plus the
// edition name with each "/" replaced by a space, created when missing. When
// it cannot be created (or the name would not make a folder of its own, like
// "" or ".."), the application-data folder itself.
std::string SettingsFolder(const std::string& appDataFolder, const std::string& editionName);

std::string SettingsFileName(const std::string& settingsFolder);

}  // namespace mediaconv::app
