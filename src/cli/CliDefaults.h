#pragma once
#include <string>

#include "app/AppSettings.h"
#include "app/EditionProfile.h"

namespace mediaconv::cli {

// The edition and the user's settings as the wizard would start with them.
// The CLI only reads: a missing settings file leaves the seeded defaults and
// is not created, and nothing is written back.
struct TCliDefaults {
  std::string ExecutableFolder;
  app::EditionProfile Edition;
  app::AppSettings Settings;
  std::string SettingsFile;  // empty when there is none yet
};

TCliDefaults LoadDefaults();

// The settings file the wizard of this edition uses, when it exists; found
// without creating the folder that the wizard would create.
std::string ExistingSettingsFile(const std::string& appDataFolder, const std::string& editionName);

}  // namespace mediaconv::cli
