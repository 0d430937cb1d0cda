#include "app/AppSettings.h"

#include <sys/stat.h>

#include <array>
#include <string_view>
#include <variant>

#include "app/IniFile.h"

namespace mediaconv::app {
namespace {

enum TDefaultSource { dsValue, dsDocuments, dsDefaultClass, dsDefaultAudio, dsDefaultVideo, dsDefaultDevice };

using TField = std::variant<std::string AppSettings::*, uint8_t AppSettings::*, int32_t AppSettings::*,
                            bool AppSettings::*>;

struct TSettingKey {
  std::string_view key;
  TField field;
  TDefaultSource source;
  int32_t value;  // the default when source is dsValue
};

// Section "System" in the order the file is read and written.
const std::array kSystemKeys = std::to_array<TSettingKey>({
    {"LastOpenDir", &AppSettings::LastOpenDir, dsDocuments, 0},
    {"OutputFileDir", &AppSettings::OutputFileDir, dsDocuments, 0},
    {"OutputURLDir", &AppSettings::OutputURLDir, dsDocuments, 0},
    {"OutputFormatClass", &AppSettings::OutputFormatClass, dsDefaultClass, 0},
    {"OutputAudioFormat", &AppSettings::OutputAudioFormat, dsDefaultAudio, 0},
    {"OutputVideoFormat", &AppSettings::OutputVideoFormat, dsDefaultVideo, 0},
    {"OutputDeviceFormat", &AppSettings::OutputDeviceFormat, dsDefaultDevice, 0},
    {"OutputWAVPreset", &AppSettings::OutputWAVPreset, dsValue, 3},
    {"OutputMP3Preset", &AppSettings::OutputMP3Preset, dsValue, 2},
    {"OutputWMAPreset", &AppSettings::OutputWMAPreset, dsValue, 1},
    {"OutputOGGPreset", &AppSettings::OutputOGGPreset, dsValue, 3},
    {"OutputM4APreset", &AppSettings::OutputM4APreset, dsValue, 0},
    {"OutputAACPreset", &AppSettings::OutputAACPreset, dsValue, 3},
    {"OutputFLACPreset", &AppSettings::OutputFLACPreset, dsValue, 5},
    {"OutputMP2Preset", &AppSettings::OutputMP2Preset, dsValue, 0},
    {"OutputAVIPreset", &AppSettings::OutputAVIPreset, dsValue, 3},
    {"OutputMP4Preset", &AppSettings::OutputMP4Preset, dsValue, 3},
    {"OutputFLVPreset", &AppSettings::OutputFLVPreset, dsValue, 1},
    {"OutputSWFPreset", &AppSettings::OutputSWFPreset, dsValue, 1},
    {"OutputMPEGPreset", &AppSettings::OutputMPEGPreset, dsValue, 5},
    {"OutputRMPreset", &AppSettings::OutputRMPreset, dsValue, 1},
    {"OutputWMVPreset", &AppSettings::OutputWMVPreset, dsValue, 16},
    {"OutputMOVPreset", &AppSettings::OutputMOVPreset, dsValue, 7},
    {"Output3GPPreset", &AppSettings::Output3GPPreset, dsValue, 2},
    {"OutputiPodPreset", &AppSettings::OutputiPodPreset, dsValue, 5},
    {"OutputiPhonePreset", &AppSettings::OutputiPhonePreset, dsValue, 1},
    {"OutputAppleTVPreset", &AppSettings::OutputAppleTVPreset, dsValue, 1},
    {"OutputPSPPreset", &AppSettings::OutputPSPPreset, dsValue, 1},
    {"OutputBlackBerryPreset", &AppSettings::OutputBlackBerryPreset, dsValue, 1},
    {"OutputMobilePhonePreset", &AppSettings::OutputMobilePhonePreset, dsValue, 1},
    {"OutputiPadPreset", &AppSettings::OutputiPadPreset, dsValue, 0},
    {"PlayASoundWhenFinished", &AppSettings::PlayASoundWhenFinished, dsValue, 0},
    {"ShutDownWhenFinished", &AppSettings::ShutDownWhenFinished, dsValue, 0},
    {"PreferYouTubeQuality", &AppSettings::PreferYouTubeQuality, dsValue, 1},
    {"PreferYouTube1", &AppSettings::PreferYouTube1, dsValue, 1},
    {"PreferYouTube2", &AppSettings::PreferYouTube2, dsValue, 2},
    {"PreferYouTube3", &AppSettings::PreferYouTube3, dsValue, 3},
    {"PreferYouTube4", &AppSettings::PreferYouTube4, dsValue, 0},
    {"PreferYouTube5", &AppSettings::PreferYouTube5, dsValue, 4},
    {"PreferYouTube6", &AppSettings::PreferYouTube6, dsValue, 5},
    {"PreferYouTube7", &AppSettings::PreferYouTube7, dsValue, 6},
    {"PreferYouTube18", &AppSettings::PreferYouTube18, dsValue, 7},
});

int32_t DefaultNumber(const TSettingKey& entry, const EditionProfile& edition) {
  switch (entry.source) {
    case dsDefaultClass:
      return edition.DefaultClass;
    case dsDefaultAudio:
      return edition.DefaultAudio;
    case dsDefaultVideo:
      return edition.DefaultVideo;
    case dsDefaultDevice:
      return edition.DefaultDevice;
    case dsValue:
    case dsDocuments:
      break;
  }
  return entry.value;
}

// Lets std::visit tell the field types apart.
template <class... Ts>
struct TOverloaded : Ts... {
  using Ts::operator()...;
};
// Clang before 17 deduces no aggregate template arguments by itself.
template <class... Ts>
TOverloaded(Ts...) -> TOverloaded<Ts...>;

}  // namespace

void SeedDefaults(AppSettings& settings, const EditionProfile& edition, const std::string& documentsFolder) {
  for (const auto& entry : kSystemKeys) {
    std::visit(TOverloaded{
                   [&](std::string AppSettings::*field) { settings.*field = documentsFolder; },
                   [&](uint8_t AppSettings::*field) {
                     settings.*field = static_cast<uint8_t>(DefaultNumber(entry, edition));
                   },
                   [&](int32_t AppSettings::*field) { settings.*field = DefaultNumber(entry, edition); },
                   [&](bool AppSettings::*field) { settings.*field = DefaultNumber(entry, edition) != 0; },
               },
               entry.field);
  }
}

bool LoadSettings(AppSettings& settings, const std::string& settingsFile) {
  struct stat info {};
  if (::lstat(settingsFile.c_str(), &info) != 0) {
    SaveSettings(settings, settingsFile);
    return false;
  }
  const TIniFile ini(settingsFile);
  for (const auto& entry : kSystemKeys) {
    const std::string key(entry.key);
    std::visit(TOverloaded{
                   [&](std::string AppSettings::*field) {
                     settings.*field = ini.ReadString(kSettingsSection, key, settings.*field);
                   },
                   [&](uint8_t AppSettings::*field) {
                     settings.*field =
                         static_cast<uint8_t>(ini.ReadInteger(kSettingsSection, key, settings.*field));
                   },
                   [&](int32_t AppSettings::*field) {
                     settings.*field = ini.ReadInteger(kSettingsSection, key, settings.*field);
                   },
                   [&](bool AppSettings::*field) {
                     settings.*field = ini.ReadBool(kSettingsSection, key, settings.*field);
                   },
               },
               entry.field);
  }
  return true;
}

void SaveSettings(const AppSettings& settings, const std::string& settingsFile) {
  TIniFile ini(settingsFile);
  for (const auto& entry : kSystemKeys) {
    const std::string key(entry.key);
    std::visit(
        TOverloaded{
            [&](std::string AppSettings::*field) { ini.WriteString(kSettingsSection, key, settings.*field); },
            [&](uint8_t AppSettings::*field) { ini.WriteInteger(kSettingsSection, key, settings.*field); },
            [&](int32_t AppSettings::*field) { ini.WriteInteger(kSettingsSection, key, settings.*field); },
            [&](bool AppSettings::*field) { ini.WriteBool(kSettingsSection, key, settings.*field); },
        },
        entry.field);
  }
  ini.UpdateFile();
}

}  // namespace mediaconv::app
