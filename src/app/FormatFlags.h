#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace mediaconv::app {

// Output classes. The id is an 8-bit value; 1 is device, 2 audio, and every
// other value (0, a damaged 5, ...) means video.
enum TFormatClass : uint8_t { fcVideo = 0, fcDevice = 1, fcAudio = 2 };
constexpr int kFormatClassCount = 3;

inline TFormatClass FormatClassOf(uint8_t classId) {
  return classId == fcDevice ? fcDevice : classId == fcAudio ? fcAudio : fcVideo;
}

// The 24 formats and devices an edition can offer, in button order: video
// formats, then devices, then audio formats. A format's id counts within its
// class.
struct TFormatFlagInfo {
  TFormatClass formatClass;
  uint8_t id;
  std::string_view editionKey;  // the Boolean key of the edition file
};

constexpr int kFormatFlagCount = 24;

inline constexpr std::array<TFormatFlagInfo, kFormatFlagCount> kFormatFlags{{
    {fcVideo, 0, "AVI"},  {fcVideo, 1, "MP4"},         {fcVideo, 2, "FLV"},          {fcVideo, 3, "SWF"},
    {fcVideo, 4, "MPEG"}, {fcVideo, 5, "RM"},          {fcVideo, 6, "WMV"},          {fcVideo, 7, "MOV"},
    {fcVideo, 8, "3GP"},  {fcDevice, 0, "IPOD"},       {fcDevice, 1, "IPHONE"},      {fcDevice, 2, "APPLETV"},
    {fcDevice, 3, "PSP"}, {fcDevice, 4, "BLACKBERRY"}, {fcDevice, 5, "MOBILEPHONE"}, {fcDevice, 6, "IPAD"},
    {fcAudio, 0, "WAV"},  {fcAudio, 1, "MP3"},         {fcAudio, 2, "WMA"},          {fcAudio, 3, "OGG"},
    {fcAudio, 4, "AAC"},  {fcAudio, 5, "M4A"},         {fcAudio, 6, "FLAC"},         {fcAudio, 7, "MP2"},
}};

// Which of the 24 formats an edition offers, indexed like kFormatFlags.
using TFormatFlags = std::array<bool, kFormatFlagCount>;

// Position in kFormatFlags of a class's format id, or -1 when the class has
// no such format.
constexpr int FormatFlagIndex(TFormatClass formatClass, uint8_t id) {
  for (int i = 0; i < kFormatFlagCount; ++i)
    if (kFormatFlags[i].formatClass == formatClass && kFormatFlags[i].id == id) return i;
  return -1;
}

}  // namespace mediaconv::app
