// Every preset of the catalogue converts through mediaconv-cli, and ffprobe
// reads the output with the container, codecs, picture and sound the preset
// table asks for. The expectations come from the preset table itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "CliTestSupport.h"
#include "engine/tasks/TaskRecords.h"
#include "profiles/FormatCatalogue.h"
#include "profiles/OptionBuilder.h"

namespace mediaconv::cli::test {
namespace {

using profiles::TFormatInfo;

struct TPresetCase {
  const TFormatInfo* Format;
  int Preset;
  bool AudioOnlyInput;
};

void PrintTo(const TPresetCase& c, std::ostream* os) {
  *os << c.Format->Name << " preset " << c.Preset << (c.AudioOnlyInput ? " (audio-only input)" : "");
}

std::vector<TPresetCase> AllPresets() {
  std::vector<TPresetCase> cases;
  for (const TFormatInfo& format : profiles::AllFormats())
    for (int preset = 0; preset < static_cast<int>(format.Captions.size()); ++preset) {
      cases.push_back({&format, preset, false});
      if (format.ClassId == profiles::kClassAudio) cases.push_back({&format, preset, true});
    }
  return cases;
}

// ffprobe's name of what an encoder writes; encoders missing from current
// builds are replaced as the engine replaces them.
std::string CodecName(const std::string& encoder) {
  static const std::map<std::string, std::string> names = {{"libx264", "h264"},
                                                           {"libfaac", "aac"},
                                                           {"libmp3lame", "mp3"},
                                                           {"libvorbis", "vorbis"},
                                                           {"libtheora", "theora"}};
  const auto found = names.find(encoder);
  return found == names.end() ? encoder : found->second;
}

// What a container writes when the preset leaves a codec to it: the muxer's
// default, or for 3GP (whose AMR-NB has no encoder here) the substitute.
struct TDefaultCodecs {
  std::string Video, Audio;
};
const TDefaultCodecs* DefaultCodecs(std::string_view format) {
  static const std::map<std::string, TDefaultCodecs, std::less<>> defaults = {
      {"FLV", {"flv1", "mp3"}}, {"SWF", {"flv1", "mp3"}}, {"RM", {"rv10", "ac3"}}, {"3GP", {"h263", "aac"}}};
  const auto found = defaults.find(format);
  return found == defaults.end() ? nullptr : &found->second;
}

// The demuxer ffprobe names for a file with the output extension.
std::string ContainerName(std::string_view extension) {
  static const std::map<std::string, std::string, std::less<>> names = {{".avi", "avi"},
                                                                        {".mp4", "mov,mp4,m4a,3gp,3g2,mj2"},
                                                                        {".mov", "mov,mp4,m4a,3gp,3g2,mj2"},
                                                                        {".3gp", "mov,mp4,m4a,3gp,3g2,mj2"},
                                                                        {".m4a", "mov,mp4,m4a,3gp,3g2,mj2"},
                                                                        {".flv", "flv"},
                                                                        {".swf", "swf"},
                                                                        {".mpg", "mpeg"},
                                                                        {".rm", "rm"},
                                                                        {".wmv", "asf"},
                                                                        {".wma", "asf"},
                                                                        {".wav", "wav"},
                                                                        {".mp3", "mp3"},
                                                                        {".mp2", "mp3"},
                                                                        {".ogg", "ogg"},
                                                                        {".aac", "aac"},
                                                                        {".flac", "flac"}};
  const auto found = names.find(extension);
  return found == names.end() ? "?" : found->second;
}

std::string RateText(const std::string& rate) {
  return rate.find('/') == std::string::npos ? rate + "/1" : rate;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class EveryPresetTest : public ::testing::TestWithParam<TPresetCase> {};

TEST_P(EveryPresetTest, ConvertsAndReadsBackAsThePresetSays) {
  const TPresetCase& c = GetParam();
  const TFormatInfo& format = *c.Format;
  const std::string input = c.AudioOnlyInput ? PresetTone() : PresetClip();
  ASSERT_FALSE(input.empty());
  const std::string out = TempFolder("preset");
  const std::string log = out + "/run.log";
  const TCommandResult result =
      RunCli("convert --format " + std::string(format.Name) + " --preset " + std::to_string(c.Preset) +
                 " --out " + ShellQuote(out) + " --log " + ShellQuote(log) + " " + ShellQuote(input),
             out);
  const std::string stem = std::filesystem::path(input).stem().string();
  const std::string output = out + "/" + stem + std::string(format.Extension);
  ASSERT_EQ(result.exitCode, 0) << format.Captions[c.Preset] << "\n" << result.output;
  ASSERT_TRUE(std::filesystem::exists(output)) << result.output;

  engine::TOutputOptions expected;
  profiles::ApplyOutputProfile(expected, format.ClassId, format.FormatId, c.Preset);
  const auto container = ProbeFormat(output);
  EXPECT_EQ(container.count("format_name") ? container.at("format_name") : "",
            ContainerName(format.Extension));
  const std::string logText = ReadFile(log);

  const auto video = ProbeStream(output, "v:0");
  if (expected.DisableVideo || c.AudioOnlyInput) {
    EXPECT_TRUE(video.empty()) << "video stream "
                               << (video.count("codec_name") ? video.at("codec_name") : "");
  } else {
    ASSERT_FALSE(video.empty()) << "no video stream";
    if (!expected.VideoCodec.empty()) {
      EXPECT_EQ(video.at("codec_name"), CodecName(expected.VideoCodec));
    } else if (const TDefaultCodecs* defaults = DefaultCodecs(format.Name)) {
      EXPECT_EQ(video.at("codec_name"), defaults->Video);
    }
    std::string size = expected.FrameSize;
    std::string rate = expected.FrameRate;
    if (expected.Target == engine::kTargetDvd) {
      const bool pal = expected.TargetNorm == engine::kTargetNormPal;
      size = pal ? "720x576" : "720x480";
      if (rate.empty()) rate = pal ? "25" : "30000/1001";
    }
    if (!size.empty()) {
      EXPECT_EQ(video.at("width") + "x" + video.at("height"), size);
    }
    if (!rate.empty()) {
      EXPECT_TRUE(video.at("r_frame_rate") == RateText(rate) || video.at("avg_frame_rate") == RateText(rate))
          << "r_frame_rate " << video.at("r_frame_rate") << ", avg_frame_rate " << video.at("avg_frame_rate")
          << ", wanted " << rate;
    }
  }

  const auto audio = ProbeStream(output, "a:0");
  ASSERT_FALSE(audio.empty()) << "no audio stream";
  if (!expected.AudioCodec.empty()) {
    EXPECT_EQ(audio.at("codec_name"), CodecName(expected.AudioCodec));
  } else if (const TDefaultCodecs* defaults = DefaultCodecs(format.Name)) {
    EXPECT_EQ(audio.at("codec_name"), defaults->Audio);
    if (format.Name == "3GP") {
      EXPECT_NE(logText.find(".4: No encoder for the default audio codec amr_nb of 3gp, using aac"),
                std::string::npos);
    }
  }
  if (expected.AudioChannels > 0) {
    EXPECT_EQ(audio.at("channels"), std::to_string(expected.AudioChannels));
  }
  if (expected.AudioSampleRate > 0 && audio.at("sample_rate") != std::to_string(expected.AudioSampleRate)) {
    // The encoder does not take the rate: the nearest one it takes, with a warning.
    const std::string warning =
        "Requested sampling rate unsupported using closest supported (" + audio.at("sample_rate") + ")";
    const size_t at = logText.find(warning);
    ASSERT_NE(at, std::string::npos) << "sample rate " << audio.at("sample_rate") << " for "
                                     << expected.AudioSampleRate << " without the warning";
    const size_t lineStart = logText.rfind('\n', at);
    EXPECT_NE(logText.substr(lineStart + 1, at - lineStart).find(".4: "), std::string::npos)
        << "not at warning level";
  }
}

std::string CaseName(const ::testing::TestParamInfo<TPresetCase>& info) {
  return std::string(info.param.Format->Name) + "_" + std::to_string(info.param.Preset) +
         (info.param.AudioOnlyInput ? "_AudioOnly" : "");
}

INSTANTIATE_TEST_SUITE_P(Catalogue, EveryPresetTest, ::testing::ValuesIn(AllPresets()), CaseName);

TEST(EveryPresetCount, TheCatalogueHasAllPresets) { EXPECT_EQ(profiles::TotalPresetCount(), 177); }

}  // namespace
}  // namespace mediaconv::cli::test
