#include "profiles/FormatCatalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace mediaconv::profiles {
namespace {

TEST(FormatCatalogue, HoldsAllCaptionsOfTheTwentyFourLists) {
  EXPECT_EQ(TotalPresetCount(), 177);
  EXPECT_EQ(AllFormats().size(), 24u);
  ASSERT_EQ(OutputClasses().size(), 3u);
  EXPECT_EQ(OutputClasses()[0].Formats.size(), 9u);
  EXPECT_EQ(OutputClasses()[1].Formats.size(), 7u);
  EXPECT_EQ(OutputClasses()[2].Formats.size(), 8u);
}

struct TFormatCase {
  int classId;
  int formatId;
  std::string name;
  std::string extension;
  std::string settingsKey;
  size_t count;
  int32_t defaultPreset;
  std::string first;
  std::string last;
};

// First and last caption of every list: a list with a lost, added or moved
// entry shows at one of its ends.
const TFormatCase kFormats[] = {
    {0, 0, "AVI", ".avi", "OutputAVIPreset", 29, 3,
     "HD Video 720p: MPEG4 (DivX, XviD), 4500 kbps; Audio: MP3, 192 kbps",
     "Video: Uncompressed, Original; Audio: PCM"},
    {0, 1, "MP4", ".mp4", "OutputMP4Preset", 19, 3, "Apple iPod - (H.264, 320x240)",
     "SanDisk Sansa View - Normal Quality - (MPEG4, 320x240; MPEG2/4 Audio, 96kbps)"},
    {0, 2, "FLV", ".flv", "OutputFLVPreset", 5, 1,
     "FLV - Best Quality - (H.264, 1200 kbps, Original; MP3, 160 kbps)",
     "FLV - Least Quality - (H.263, 480 kbps, 176x144, 15 fps; MP3, 24 kbps)"},
    {0, 3, "SWF", ".swf", "OutputSWFPreset", 5, 1, "SWF - Best Quality - (H.263, Original; MP3, 160 kbps)",
     "SWF - Least Quality - (H.263, 480 kbps, 176x144, 15 fps; MP3, 24 kbps)"},
    {0, 4, "MPEG", ".mpg", "OutputMPEGPreset", 14, 5,
     "HD Video 1080p - (MPEG2, 15000 kbps, 1920x1080, 29.97 fps)",
     "VCD PAL compatible - (MPEG1, 1150 kbps, 352x288, 25 fps)"},
    {0, 5, "RM", ".rm", "OutputRMPreset", 5, 1, "RM - Best Quality - (1024 kbps, Original)",
     "RM - Least Quality  - (128 kbps, Original)"},
    {0, 6, "WMV", ".wmv", "OutputWMVPreset", 18, 16,
     "HD Video 1080p: WMV 9, 9000 kbps; Audio: WMA Pro, 384kbps", "Windows Media Video 9 Low Quality"},
    {0, 7, "MOV", ".mov", "OutputMOVPreset", 10, 7,
     "Apple TV - Best Quality - (H.264, Original; MP2/4 (AAC), 320 kbps)",
     "Quick Time - Economy Quality - (Sorenson Video; IMA ADPCM)"},
    {0, 8, "3GP", ".3gp", "Output3GPPreset", 5, 2,
     "3GPP - Extended Mobile Support - (H.263, 240 kbps, 176x144, 12 fps; AMR)",
     "3GPP - Mobile Smallest Size with Audio - (MPEG4, 44 kbps, 128x96, 10 fps; AMR)"},
    {1, 0, "iPod", ".mp4", "OutputiPodPreset", 10, 5,
     "iPod Highest Quality (H264, 30 fps, 640x480, 2500 kbps; AAC - 160 kbps)",
     "iPod Nano Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps)"},
    {1, 1, "iPhone", ".mp4", "OutputiPhonePreset", 3, 1,
     "iPhone High Quality (H264, 30 fps, 640x480, 2500 kbps; AAC - 160 kbps)",
     "iPhone Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps)"},
    {1, 2, "AppleTV", ".mp4", "OutputAppleTVPreset", 3, 1,
     "AppleTV High Quality (H264, 24 fps, 1280x720, 5000 kbps; AAC - 160 kbps)",
     "AppleTV Economy Quality (H264, 24 fps, 480x360, 1000 kbps; AAC - 128 kbps)"},
    {1, 3, "PSP", ".mp4", "OutputPSPPreset", 3, 1,
     "PSP Highest Quality (H264, 30 fps, 480x272, 1500 kbps; AAC - 160 kbps)",
     "PSP Economy Quality (H264, 15 fps, 368x208, 500 kbps; AAC - 128 kbps)"},
    {1, 4, "BlackBerry", ".mp4", "OutputBlackBerryPreset", 3, 1,
     "BlackBerry High Quality (H264, 30 fps, 640x480, 2500 kbps; AAC - 160 kbps)",
     "BlackBerry Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps)"},
    {1, 5, "MobilePhone", ".mp4", "OutputMobilePhonePreset", 4, 1,
     "Mobile MP4 High Quality (MPEG4, 15 fps, 320x240, 600 kbps; AAC - 192 kbps)",
     "Mobile MP4 Economy Quality (MPEG4, 10 fps, 128x96, 119 kbps; AAC - 64 kbps)"},
    {1, 6, "iPad", ".mp4", "OutputiPadPreset", 3, 0,
     "iPad High Quality (H264, 30 fps, 640x480, 2500 kbps; AAC - 160 kbps)",
     "iPad Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps)"},
    {2, 0, "WAV", ".wav", "OutputWAVPreset", 5, 3, "For Mobiles - PCM: 11025 Hz, Mono, 16 bits",
     "Uncompressed (CD Audio Quality)"},
    {2, 1, "MP3", ".mp3", "OutputMP3Preset", 4, 2, "For Mobile - MP3: 44100 Hz, Stereo, 112 kbps",
     "Best Quality - MP3: 48000 Hz, Stereo, 320 kbps"},
    {2, 2, "WMA", ".wma", "OutputWMAPreset", 5, 1, "For Media Player Best Quality", "WMA Losslesss Audio"},
    {2, 3, "OGG", ".ogg", "OutputOGGPreset", 5, 3,
     "Telephone Quality - Ogg Vorbis: Quality - 4.97; 11025 Hz, Mono",
     "HiFi Quality - Ogg Vorbis: Quality - 8.05; 48000 Hz, Stereo"},
    {2, 4, "AAC", ".aac", "OutputAACPreset", 5, 3, "For Mobiles - MPEG2/4 LC: 16000 Hz, Mono, 96 kbps",
     "HiFi Quality - MPEG2/4 LC: 48000 Hz, Stereo, 256 kbps"},
    {2, 5, "M4A", ".m4a", "OutputM4APreset", 2, 0, "Normal Quality - MPEG2/4 LC: 44100 Hz, Stereo, 96 kbps",
     "Best Quality - MPEG2/4 LC: 48000 Hz, Stereo, 256 kbps"},
    {2, 6, "FLAC", ".flac", "OutputFLACPreset", 9, 5, "Compression Level 0", "Compression Level 8"},
    {2, 7, "MP2", ".mp2", "OutputMP2Preset", 3, 0, "For Mobiles - MPEG layer-2: 22050 Hz, Mono, 96 kbps",
     "FM Quality - MPEG layer-2: 22050 Hz, Stereo, 128 kbps"},
};

TEST(FormatCatalogue, EveryFormatHasItsExtensionKeyDefaultAndList) {
  for (const TFormatCase& expected : kFormats) {
    SCOPED_TRACE(expected.name);
    const TFormatInfo* format = FindFormat(expected.classId, expected.formatId);
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->Name, expected.name);
    EXPECT_EQ(format->Extension, expected.extension);
    EXPECT_EQ(OutputExtension(expected.classId, expected.formatId), expected.extension);
    EXPECT_EQ(format->SettingsKey, expected.settingsKey);
    EXPECT_EQ(format->DefaultPreset, expected.defaultPreset);
    ASSERT_EQ(format->Captions.size(), expected.count);
    EXPECT_EQ(format->Captions.front(), expected.first);
    EXPECT_EQ(format->Captions.back(), expected.last);
    EXPECT_EQ(format->Button, "ButtonFormat" + expected.name);
    EXPECT_EQ(format->PresetList, "ImageComboBox" + expected.name + "Presets");
    EXPECT_EQ(&AllFormats()[format->CatalogueIndex], format);
  }
}

TEST(FormatCatalogue, CaptionsKeepTheirOddBlanksAndSpelling) {
  struct TCaption {
    int classId, formatId, index;
    std::string text;
  };
  const TCaption captions[] = {
      {0, 5, 3, "RM - Low Quality  - (256 kbps, Original)"},
      {0, 5, 4, "RM - Least Quality  - (128 kbps, Original)"},
      {1, 0, 1, "iPod Touch High Quality (H264, 30 fps, 480x320, 2500 kbps; AAC - 160 kbps) "},
      {1, 0, 3, "iPod Touch Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps) "},
      {1, 0, 2, "iPod Touch Standard Quality (H264, 24 fps, 480x320, 1300 kbps; AAC - 128 kbps)"},
      {0, 0, 21, "Nindendo Wii Clip"},
      {0, 0, 22, "SanDisk Sansa View - Hight Quality - (MPEG4, 640x480; MP3, 128kbps)"},
      {0, 1, 3, "Apple iPhone/iTouch - (H.264,640x420)"},
      {0, 4, 5, "Video: MPEG2, 4000 kbps, Original size, 29.97 fps; Audio: 224 kbps"},
      {0, 6, 16, "Windows Media Video 9 Standard Quality"},
      {0, 7, 8, "Quick Time - Economy Quality - (Sorenson Video; MP3, 96 kbps)"},
      {2, 0, 2, "FM Radio Quality - PCM: 22050 Hz, Sterro, 24 bits"},
      {2, 0, 3, "HiFi Quality - PCM: 48000Hz, Stereo, 32 bits"},
      {2, 4, 1, "AM Quality - MPEG2/4 LC: 22500 Hz, Mono, 112 kbps"},
      {2, 6, 5, "Compression Level 5 (Default)"},
  };
  for (const TCaption& caption : captions) {
    const TFormatInfo* format = FindFormat(caption.classId, caption.formatId);
    ASSERT_NE(format, nullptr);
    ASSERT_LT(caption.index, static_cast<int>(format->Captions.size()));
    EXPECT_EQ(format->Captions[caption.index], caption.text) << format->Name << " " << caption.index;
  }
}

TEST(FormatCatalogue, NoListRepeatsACaption) {
  // Each caption names its own preset; a repeat would be a row pasted twice.
  for (const TFormatInfo& format : AllFormats()) {
    std::set<std::string_view> seen(format.Captions.begin(), format.Captions.end());
    EXPECT_EQ(seen.size(), format.Captions.size()) << format.Name;
  }
}

TEST(FormatCatalogue, ClassesCarryTheirButtonsPagesAndKeys) {
  const TClassInfo* video = FindClass(kClassVideo);
  const TClassInfo* device = FindClass(kClassDevice);
  const TClassInfo* audio = FindClass(kClassAudio);
  ASSERT_TRUE(video && device && audio);
  EXPECT_EQ(video->Button, "ButtonToFormatVideo");
  EXPECT_EQ(device->Page, "TabSheetToFormatDevice");
  EXPECT_EQ(audio->PageCaption, "Audio");
  EXPECT_EQ(video->FormatSettingsKey, "OutputVideoFormat");
  EXPECT_EQ(device->FormatSettingsKey, "OutputDeviceFormat");
  EXPECT_EQ(audio->FormatSettingsKey, "OutputAudioFormat");
  EXPECT_EQ(FindFormat(kClassDevice, 2)->Title, "Apple TV");
  EXPECT_EQ(FindFormat(kClassDevice, 5)->Title, "mobile phone");
}

TEST(FormatCatalogue, BadIdsFindNothing) {
  EXPECT_EQ(FindClass(3), nullptr);
  EXPECT_EQ(FindClass(-1), nullptr);
  EXPECT_EQ(FindFormat(0, 9), nullptr);
  EXPECT_EQ(FindFormat(1, 7), nullptr);
  EXPECT_EQ(FindFormat(2, 8), nullptr);
  EXPECT_EQ(FindFormat(2, -1), nullptr);
  EXPECT_EQ(FindFormat(255, 0), nullptr);
  EXPECT_EQ(OutputExtension(3, 0), "");
  EXPECT_EQ(OutputExtension(0, 9), "");
}

TEST(FormatCatalogue, FormatsAndClassesAreFoundByNameInAnyCase) {
  EXPECT_EQ(FindFormatByName("mp3"), FindFormat(kClassAudio, 1));
  EXPECT_EQ(FindFormatByName("IPOD"), FindFormat(kClassDevice, 0));
  EXPECT_EQ(FindFormatByName("appletv"), FindFormat(kClassDevice, 2));
  EXPECT_EQ(FindFormatByName("MobilePhone"), FindFormat(kClassDevice, 5));
  EXPECT_EQ(FindFormatByName("3gp"), FindFormat(kClassVideo, 8));
  EXPECT_EQ(FindFormatByName("Apple TV"), nullptr);
  EXPECT_EQ(FindFormatByName("MP"), nullptr);
  EXPECT_EQ(FindFormatByName(""), nullptr);
  EXPECT_EQ(FindClassByName("Audio"), FindClass(kClassAudio));
  EXPECT_EQ(FindClassByName("tv"), nullptr);
}

}  // namespace
}  // namespace mediaconv::profiles
