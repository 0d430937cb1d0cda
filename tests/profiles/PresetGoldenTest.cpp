// Every preset row of every format, as the fields it sets on the output
// options, against a checked-in listing: a changed number anywhere in the
// table shows here.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "profiles/FormatCatalogue.h"
#include "profiles/OptionBuilder.h"
#include "support/Fixtures.h"

namespace mediaconv::profiles {
namespace {

using engine::TOutputOptions;

struct TField {
  const char* Name;
  std::function<std::string(const TOutputOptions&)> Text;
};

template <typename T>
TField Field(const char* name, T TOutputOptions::*member) {
  return {name, [member](const TOutputOptions& options) {
            std::ostringstream text;
            text << options.*member;
            return text.str();
          }};
}

const std::vector<TField>& Fields() {
  static const std::vector<TField> fields = {
      Field("FileExt", &TOutputOptions::FileExt),
      Field("FileFormat", &TOutputOptions::FileFormat),
      Field("PacketSize", &TOutputOptions::PacketSize),
      Field("MuxRate", &TOutputOptions::MuxRate),
      Field("MuxDelay", &TOutputOptions::MuxDelay),
      Field("MuxPreload", &TOutputOptions::MuxPreload),
      Field("AudioCodec", &TOutputOptions::AudioCodec),
      Field("AudioPreset", &TOutputOptions::AudioPreset),
      Field("DisableAudio", &TOutputOptions::DisableAudio),
      Field("AudioVolume", &TOutputOptions::AudioVolume),
      Field("AudioChannels", &TOutputOptions::AudioChannels),
      Field("AudioSampleRate", &TOutputOptions::AudioSampleRate),
      Field("AudioBitrate", &TOutputOptions::AudioBitrate),
      Field("AudioBitrateTolerance", &TOutputOptions::AudioBitrateTolerance),
      Field("AudioLanguage", &TOutputOptions::AudioLanguage),
      Field("AudioSync", &TOutputOptions::AudioSync),
      Field("AudioTag", &TOutputOptions::AudioTag),
      Field("VideoCodec", &TOutputOptions::VideoCodec),
      Field("VideoPreset", &TOutputOptions::VideoPreset),
      Field("DisableVideo", &TOutputOptions::DisableVideo),
      Field("FrameRate", &TOutputOptions::FrameRate),
      Field("FrameSize", &TOutputOptions::FrameSize),
      Field("FrameAspectRatio", &TOutputOptions::FrameAspectRatio),
      Field("GOPSize", &TOutputOptions::GOPSize),
      Field("VideoBitrate", &TOutputOptions::VideoBitrate),
      Field("VideoMaxRate", &TOutputOptions::VideoMaxRate),
      Field("VideoMinRate", &TOutputOptions::VideoMinRate),
      Field("VideoBitrateTolerance", &TOutputOptions::VideoBitrateTolerance),
      Field("VideoBufSize", &TOutputOptions::VideoBufSize),
      Field("VideoSync", &TOutputOptions::VideoSync),
      Field("VideoTag", &TOutputOptions::VideoTag),
      Field("VideoFilters", &TOutputOptions::VideoFilters),
      Field("SubtitleCodec", &TOutputOptions::SubtitleCodec),
      Field("DisableSubtitle", &TOutputOptions::DisableSubtitle),
      Field("InputSync", &TOutputOptions::InputSync),
      Field("CopyTimestamps", &TOutputOptions::CopyTimestamps),
      Field("StartTime", &TOutputOptions::StartTime),
      Field("RecordingTime", &TOutputOptions::RecordingTime),
      Field("Target", &TOutputOptions::Target),
      Field("TargetNorm", &TOutputOptions::TargetNorm),
      Field("TargetNormDefault", &TOutputOptions::TargetNormDefault),
      Field("Join", &TOutputOptions::Join),
      Field("ExtOptions", &TOutputOptions::ExtOptions),
  };
  return fields;
}

// One line per preset: the fields that differ from a fresh record.
std::string PresetListing() {
  const TOutputOptions fresh;
  std::string listing;
  for (const TFormatInfo& format : AllFormats()) {
    for (size_t preset = 0; preset < format.Captions.size(); ++preset) {
      TOutputOptions options;
      const int32_t inputBitrate = 123456;
      ApplyOutputProfile(options, format.ClassId, format.FormatId, static_cast<int32_t>(preset), &inputBitrate);
      std::string line = std::string(format.Name) + " " + std::to_string(preset) + ":";
      for (const TField& field : Fields()) {
        const std::string value = field.Text(options);
        if (value == field.Text(fresh)) continue;
        std::string escaped;
        for (char c : value) escaped += c == '\n' ? std::string("\\n") : std::string(1, c);
        line += " " + std::string(field.Name) + "=" + escaped;
      }
      listing += line + "\n";
    }
  }
  return listing;
}

TEST(PresetGoldenTest, EveryPresetSetsTheFieldsOfTheListing) {
  const std::string listing = PresetListing();
  EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 177);
  mediaconv::test::ExpectMatchesGolden(listing, "presets.txt");
}

}  // namespace
}  // namespace mediaconv::profiles
