#pragma once
#include <cstdint>
#include <span>
#include <string_view>

namespace mediaconv::profiles {

// Output class ids as the settings keep them.
inline constexpr int kClassVideo = 0;
inline constexpr int kClassDevice = 1;
inline constexpr int kClassAudio = 2;
inline constexpr int kClassCount = 3;
inline constexpr int kFormatCount = 24;

// One output format (or device) of the catalogue.
struct TFormatInfo {
  uint8_t ClassId;
  uint8_t FormatId;              // counts within its class
  int CatalogueIndex;            // 0..23, class by class in id order
  std::string_view Name;         // as the user names it: "AVI", "AppleTV", "MobilePhone" (no blanks)
  std::string_view Title;        // as the catalogue shows it: "Apple TV", "mobile phone"
  std::string_view Button;       // "ButtonFormatAVI"
  std::string_view PresetList;   // "ImageComboBoxAVIPresets"
  std::string_view Extension;    // ".avi", dot included
  std::string_view SettingsKey;  // "OutputAVIPreset"
  int32_t DefaultPreset;         // preset index when the settings have none
  std::span<const std::string_view> Captions;  // the preset list, in index order
};

struct TClassInfo {
  uint8_t ClassId;
  std::string_view Name;                 // "video", "device", "audio"
  std::string_view Button;               // "ButtonToFormatVideo"
  std::string_view Page;                 // "TabSheetToFormatVideo"
  std::string_view PageCaption;          // "Video"
  std::string_view FormatSettingsKey;    // "OutputVideoFormat"
  std::span<const TFormatInfo> Formats;  // in format id order
};

inline constexpr std::string_view kClassSettingsKey = "OutputFormatClass";

// The three classes in id order.
std::span<const TClassInfo> OutputClasses();
// All 24 formats, class by class in id order (TFormatInfo::CatalogueIndex).
std::span<const TFormatInfo> AllFormats();

// nullptr for a class id other than 0, 1 and 2.
const TClassInfo* FindClass(int classId);
// nullptr for a bad class id or a format id outside its class.
const TFormatInfo* FindFormat(int classId, int formatId);
// By TFormatInfo::Name, without regard to letter case; nullptr when unknown.
const TFormatInfo* FindFormatByName(std::string_view name);
// By the class name ("video", "device", "audio"), without regard to case.
const TClassInfo* FindClassByName(std::string_view name);

// The output extension of a format, empty for a bad class or format id.
std::string_view OutputExtension(int classId, int formatId);

// Number of captions in all preset lists together.
int TotalPresetCount();

}  // namespace mediaconv::profiles
