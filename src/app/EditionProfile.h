#pragma once
#include <cstdint>
#include <string>

#include "app/FormatFlags.h"

namespace mediaconv::app {

// The edition file: INI text beside the executable, despite its name.
inline constexpr const char* kEditionFileName = "lame.dll";
inline constexpr const char* kEditionSection = "SYSTEM";

// The values of the edition file, read once at start-up.
struct EditionProfile {
  std::string Name;
  std::string Version;
  std::string Copyright;
  bool Download = true;
  std::string Res;
  int Skin = 0;
  TFormatFlags Formats{};
  // 8-bit: the file's integer keeps only its low byte. DefaultClass holds 0
  // video, 1 device or 2 audio: every other byte of the file reads as 0.
  uint8_t DefaultClass = 0;
  uint8_t DefaultVideo = 0;
  uint8_t DefaultDevice = 0;
  uint8_t DefaultAudio = 0;
  bool Merge = false;

  bool Offers(TFormatClass formatClass, uint8_t id) const;
};

// The edition file's path in the executable's folder.
std::string EditionFilePath(const std::string& exeFolder);

// Reads an edition file; a missing file, key or unreadable value takes the
// default. A "Skin" that is not an integer counts as the default skin 0.
EditionProfile ReadEditionProfile(const std::string& editionFile);

// The skin image folder: <exe folder>sounds/res<Res>/
std::string SkinFolder(const std::string& exeFolder, const EditionProfile& edition);

}  // namespace mediaconv::app
