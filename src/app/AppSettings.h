#pragma once
#include <cstdint>
#include <string>

#include "app/EditionProfile.h"

namespace mediaconv::app {

inline constexpr const char* kSettingsSection = "System";

// The user's choices; the fields carry the names of their keys in section
// "System" of the settings file. Class and format ids and the quality
// preferences are 8-bit: a larger number read from the file keeps its low
// byte.
struct AppSettings {
  std::string LastOpenDir;
  std::string OutputFileDir;
  std::string OutputURLDir;
  uint8_t OutputFormatClass = 0;
  uint8_t OutputAudioFormat = 0;
  uint8_t OutputVideoFormat = 0;
  uint8_t OutputDeviceFormat = 0;
  int32_t OutputWAVPreset = 0;
  int32_t OutputMP3Preset = 0;
  int32_t OutputWMAPreset = 0;
  int32_t OutputOGGPreset = 0;
  int32_t OutputM4APreset = 0;
  int32_t OutputAACPreset = 0;
  int32_t OutputFLACPreset = 0;
  int32_t OutputMP2Preset = 0;
  int32_t OutputAVIPreset = 0;
  int32_t OutputMP4Preset = 0;
  int32_t OutputFLVPreset = 0;
  int32_t OutputSWFPreset = 0;
  int32_t OutputMPEGPreset = 0;
  int32_t OutputRMPreset = 0;
  int32_t OutputWMVPreset = 0;
  int32_t OutputMOVPreset = 0;
  int32_t Output3GPPreset = 0;
  int32_t OutputiPodPreset = 0;
  int32_t OutputiPhonePreset = 0;
  int32_t OutputAppleTVPreset = 0;
  int32_t OutputPSPPreset = 0;
  int32_t OutputBlackBerryPreset = 0;
  int32_t OutputMobilePhonePreset = 0;
  int32_t OutputiPadPreset = 0;
  bool PlayASoundWhenFinished = false;
  bool ShutDownWhenFinished = false;
  bool PreferYouTubeQuality = false;
  uint8_t PreferYouTube1 = 0;
  uint8_t PreferYouTube2 = 0;
  uint8_t PreferYouTube3 = 0;
  uint8_t PreferYouTube4 = 0;
  uint8_t PreferYouTube5 = 0;
  uint8_t PreferYouTube6 = 0;
  uint8_t PreferYouTube7 = 0;
  uint8_t PreferYouTube18 = 0;  // the eighth preference; its key really ends in 18
};

// Puts the defaults into every field: the folders become the documents
// folder, class and format ids come from the edition, the rest from the key
// table.
void SeedDefaults(AppSettings& settings, const EditionProfile& edition, const std::string& documentsFolder);

// Reads section "System" over the values already in settings, which serve as
// the defaults. Without a settings file it writes one with those values and
// returns false. Throws when that first write fails.
bool LoadSettings(AppSettings& settings, const std::string& settingsFile);

// Writes every key of section "System", in table order, keeping the file's
// other lines. Throws std::runtime_error when the file cannot be written.
void SaveSettings(const AppSettings& settings, const std::string& settingsFile);

}  // namespace mediaconv::app
