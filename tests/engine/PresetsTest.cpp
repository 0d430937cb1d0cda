#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "OptionsTestSupport.h"
#include "engine/common/AvHandles.h"
#include "engine/transcoder/BuiltinPresets.h"
#include "engine/transcoder/TargetPresets.h"
#include "support/Fixtures.h"

using namespace mediaconv::engine;
using mediaconv::test::ErrorOf;
using mediaconv::test::TLogCapture;
using mediaconv::test::TTestTranscoder;

namespace {

class Presets : public ::testing::Test {};

std::string Get(void* object, const char* name) {
  uint8_t* text = nullptr;
  if (av::av_opt_get(object, name, 0, &text) < 0) return "(none)";
  std::string result(reinterpret_cast<char*>(text));
  av::av_free(text);
  return result;
}

std::string WriteFile(const std::string& folder, const std::string& name, const std::string& contents) {
  const std::string path = folder + "/" + name;
  std::ofstream(path, std::ios::binary) << contents;
  return path;
}

// What a preset line must have become on an opened x264 encoder, checked
// against the encoder's own options.
void ExpectLineReachedTheEncoder(AVCodecContext* context, const std::string& preset, const std::string& key,
                                 const std::string& value) {
  SCOPED_TRACE(preset + ": " + key + "=" + value);
  void* priv = context->priv_data;
  if (key == "flags2") {
    // Old flag -> x264 option and the values read back for "+" and "-".
    static const std::map<std::string, std::tuple<const char*, const char*, const char*>> kFlags = {
        {"mixed_refs", {"mixed-refs", "true", "false"}}, {"wpred", {"weightb", "true", "false"}},
        {"dct8x8", {"8x8dct", "true", "false"}},         {"fastpskip", {"fast-pskip", "true", "false"}},
        {"mbtree", {"mbtree", "true", "false"}},         {"bpyramid", {"b-pyramid", "2", "0"}},
    };
    std::size_t i = 0;
    while (i < value.size()) {
      const char sign = value[i];
      const std::size_t end = std::min(value.find_first_of("+-", i + 1), value.size());
      const auto& [option, set, clear] = kFlags.at(value.substr(i + 1, end - i - 1));
      EXPECT_EQ(Get(priv, option), sign == '+' ? set : clear) << option;
      i = end;
    }
  } else if (key == "flags") {
    EXPECT_EQ((context->flags & AV_CODEC_FLAG_LOOP_FILTER) != 0, value == "+loop");
  } else if (key == "cmp") {
    EXPECT_NE(context->me_cmp & FF_CMP_CHROMA, 0);
  } else if (key == "partitions") {
    std::string list;
    for (std::size_t i = 0; i < value.size();) {
      const std::size_t end = std::min(value.find_first_of("+-", i + 1), value.size());
      if (value[i] == '+') list += (list.empty() ? "" : ",") + value.substr(i + 5, end - i - 5);
      i = end;
    }
    EXPECT_EQ(Get(priv, "partitions"), list.empty() ? "none" : list);
  } else if (key == "me_method") {
    static const std::map<std::string, std::string> kMethods = {
        {"dia", "0"}, {"hex", "1"}, {"umh", "2"}, {"esa", "3"}, {"tesa", "4"}};
    EXPECT_EQ(Get(priv, "me_method"), kMethods.at(value));
  } else if (key == "directpred") {
    EXPECT_EQ(Get(priv, "direct-pred"), value);
  } else if (key == "cqp") {
    EXPECT_EQ(Get(priv, "qp"), value);
  } else if (key == "wpredp" || key == "coder" || key == "b_strategy" || key == "sc_threshold") {
    EXPECT_EQ(Get(priv, key.c_str()), value);
  } else if (key == "bf") {
    EXPECT_EQ(context->max_b_frames, std::stoi(value));
  } else if (key == "level") {
    EXPECT_EQ(context->level, std::stoi(value));
  } else {
    // Plain codec context options: g, keyint_min, refs, subq, qmin, qcomp, maxrate ...
    EXPECT_DOUBLE_EQ(std::stod(Get(context, key.c_str())), std::stod(value));
  }
}

}  // namespace

TEST_F(Presets, EveryBuiltinPresetOpensTheH264EncoderWithItsOptions) {
  ASSERT_EQ(BuiltinPresets().size(), 36u);
  for (const TOptionsPreset& preset : BuiltinPresets()) {
    SCOPED_TRACE(preset.name);
    TTestTranscoder core;
    core.ApplyOption("vcodec", "libx264");
    // The short name finds the preset through the codec name.
    ASSERT_EQ(ErrorOf([&] { core.ApplyOption("vpre", std::string(preset.name).substr(8)); }),
              "(no exception)");

    TCodecContextPtr context(av::avcodec_alloc_context3(av::avcodec_find_encoder_by_name("libx264")));
    context->width = 64;
    context->height = 64;
    context->pix_fmt = AV_PIX_FMT_YUV420P;
    context->time_base = AVRational{1, 25};
    core.OptionStore().ApplyStoredOptions(context.get(), kOptionMaskVideoEncoding);
    ASSERT_EQ(av::avcodec_open2(context.get(), nullptr, nullptr), 0);

    for (const TOptionLine& line : SplitOptionText(preset.content))
      ExpectLineReachedTheEncoder(context.get(), preset.name, line.name, line.value);
  }
}

TEST_F(Presets, BuiltinTableOrderAndLines) {
  const auto presets = BuiltinPresets();
  EXPECT_STREQ(presets.front().name, "libx264-baseline");
  EXPECT_STREQ(presets[6].name, "libx264-fastfirstpass");
  EXPECT_STREQ(presets.back().name, "libx264-veryslow_firstpass");
  EXPECT_STREQ(FindBuiltinPreset("libx264-main")->content, "flags2=-dct8x8\n");
  EXPECT_STREQ(FindBuiltinPreset("libx264-ipod640")->content,
               "coder=0\nbf=0\nrefs=1\nflags2=-wpred-dct8x8\nlevel=30\nmaxrate=10000000\nbufsize=10000000\n"
               "wpredp=0\n");
  const std::string ultrafast = FindBuiltinPreset("LIBX264-ULTRAFAST")->content;
  EXPECT_NE(ultrafast.find("sc_threshold=0\n"), std::string::npos);
  const std::string lossless = FindBuiltinPreset("libx264-lossless_fast")->content;
  EXPECT_NE(lossless.find("flags2=+fastpskip\ncqp=0\nwpredp=0\n"), std::string::npos);
  EXPECT_EQ(lossless.find("bf="), std::string::npos);
  EXPECT_EQ(std::string(FindBuiltinPreset("libx264-lossless_ultrafast")->content).find("wpredp"),
            std::string::npos);
}

TEST_F(Presets, LookupByNameOrCodecNameIgnoringCase) {
  TTestTranscoder core;
  core.ApplyOption("vcodec", "libx264");
  core.ApplyOption("vpre", "DEFAULT");
  EXPECT_FALSE(core.OptionStore().StoredOptions().empty());

  TTestTranscoder direct;
  direct.ApplyOption("vpre", "libx264-Main");
  ASSERT_EQ(direct.OptionStore().StoredOptions().size(), 1u);
  EXPECT_EQ(direct.OptionStore().StoredOptions()[0].name, "8x8dct");

  TTestTranscoder noCodec;
  EXPECT_EQ(ErrorOf([&] { noCodec.ApplyOption("vpre", "default"); }), "Preset \"default\" not found");
  EXPECT_NO_THROW(noCodec.ApplyOption("apre", ""));
}

TEST_F(Presets, PresetFileErrors) {
  const std::string folder = mediaconv::test::TempFolder("presets");
  struct TCase {
    const char* contents;
    const char* message;  // after "<path>: "
  };
  const TCase cases[] = {
      {"# comment\n\ng=10\nbadline\n", "Invalid syntax: \"badline\""},
      {"=5", "Invalid syntax: \"=5\""},
      {"g=12\r\ng=", "Invalid syntax: \"g=\""},
      {"  nosuchoption=1  ",
       "Invalid option or argument: \"nosuchoption=1\", parsed as \"nosuchoption\" = \"1\""},
      {"g=abc", "Invalid option or argument: \"g=abc\", parsed as \"g\" = \"abc\""},
  };
  int index = 0;
  for (const TCase& c : cases) {
    const std::string path = WriteFile(folder, "bad" + std::to_string(index++) + ".ffpreset", c.contents);
    for (const char* option : {"fpre", "vpre"}) {
      TTestTranscoder core;
      EXPECT_EQ(ErrorOf([&] { core.ApplyOption(option, path); }), path + ": " + c.message) << option;
    }
  }
  // Outside a preset the same unknown line is dropped silently.
  TTestTranscoder core;
  EXPECT_NO_THROW(core.ApplyOption("nosuchoption", "1"));
}

TEST_F(Presets, PresetFileSetsCodecsAndLibraryOptions) {
  const std::string folder = mediaconv::test::TempFolder("presets");
  const std::string path = WriteFile(folder, "good.ffpreset",
                                     "\r\n  VCodec=mpeg4\r\n# g=99\r\n\r\n  g=12  \r\nbf=2\rACODEC=copy\n");
  TTestTranscoder core;
  core.ApplyOption("fpre", path);
  EXPECT_EQ(core.Settings().videoCodecName, "mpeg4");
  EXPECT_TRUE(core.Settings().audioStreamCopy);
  int64_t gop = 0;
  av::av_opt_get_int(core.OptionStore().CodecTemplate(AVMEDIA_TYPE_VIDEO), "g", 0, &gop);
  EXPECT_EQ(gop, 12);
  EXPECT_EQ(core.OptionStore().StoredOptions().size(), 2u);
}

TEST_F(Presets, PresetFilesInTheUsersFfmpegFolder) {
  const std::string home = mediaconv::test::TempFolder("home");
  std::filesystem::create_directories(home + "/.ffmpeg");
  WriteFile(home + "/.ffmpeg", "libx264-mine.ffpreset", "g=33\n");
  WriteFile(home + "/.ffmpeg", "plain.ffpreset", "g=44\n");
  const char* savedHome = std::getenv("HOME");
  const std::string saved = savedHome ? savedHome : "";
  setenv("HOME", home.c_str(), 1);

  auto gopAfter = [](const char* codec, const char* preset) {
    TTestTranscoder core;
    if (*codec) core.ApplyOption("vcodec", codec);
    core.ApplyOption("vpre", preset);
    int64_t gop = 0;
    av::av_opt_get_int(core.OptionStore().CodecTemplate(AVMEDIA_TYPE_VIDEO), "g", 0, &gop);
    return gop;
  };
  EXPECT_EQ(gopAfter("libx264", "mine"), 33);
  EXPECT_EQ(gopAfter("", "plain"), 44);
  TTestTranscoder core;
  EXPECT_EQ(ErrorOf([&] { core.ApplyOption("vpre", "mine"); }), "Preset \"mine\" not found");
  setenv("HOME", saved.c_str(), 1);
}

namespace {

struct TTargetCase {
  const char* value;
  int width, height;
  AVRational rate;
  const char* videoCodec;
  const char* audioCodec;
  const char* format;
  int pixelFormat;
  int sampleRate;
  int64_t gop;      // -1: not set by the target
  int64_t bitrate;  // -1: not set by the target
};

}  // namespace

TEST_F(Presets, TargetsGiveTheSizesRatesCodecsAndFormatOfTheirNorm) {
  const TTargetCase cases[] = {
      {"pal-vcd", 352, 288, {25, 1}, "mpeg1video", "mp2", "vcd", -1, 44100, 15, 1150000},
      {"ntsc-vcd", 352, 240, {30000, 1001}, "mpeg1video", "mp2", "vcd", -1, 44100, 18, 1150000},
      {"film-vcd", 352, 240, {24000, 1001}, "mpeg1video", "mp2", "vcd", -1, 44100, 18, 1150000},
      {"pal-svcd", 480, 576, {25, 1}, "mpeg2video", "mp2", "svcd", -1, 44100, 15, 2040000},
      {"ntsc-svcd", 480, 480, {30000, 1001}, "mpeg2video", "mp2", "svcd", -1, 44100, 18, 2040000},
      {"pal-dvd", 720, 576, {25, 1}, "mpeg2video", "ac3", "dvd", -1, 48000, 15, 6000000},
      {" ntsc-dvd ", 720, 480, {30000, 1001}, "mpeg2video", "ac3", "dvd", -1, 48000, 18, 6000000},
      {"pal-dv", 720, 576, {25, 1}, "", "", "dv", AV_PIX_FMT_YUV420P, 48000, -1, -1},
      {"ntsc-dv", 720, 480, {30000, 1001}, "", "", "dv", AV_PIX_FMT_YUV411P, 48000, -1, -1},
      {"pal-dv50", 720, 576, {25, 1}, "", "", "dv", AV_PIX_FMT_YUV422P, 48000, -1, -1},
  };
  for (const TTargetCase& c : cases) {
    SCOPED_TRACE(c.value);
    TTestTranscoder core;
    core.ApplyOption("target", c.value);
    const TTranscoderSettings& s = core.Settings();
    EXPECT_EQ(s.frameWidth, c.width);
    EXPECT_EQ(s.frameHeight, c.height);
    EXPECT_EQ(av_cmp_q(s.frameRate, c.rate), 0) << s.frameRate.num << "/" << s.frameRate.den;
    EXPECT_EQ(s.videoCodecName, c.videoCodec);
    EXPECT_EQ(s.audioCodecName, c.audioCodec);
    EXPECT_EQ(s.formatName, c.format);
    EXPECT_EQ(s.framePixelFormat, c.pixelFormat);
    EXPECT_EQ(s.audioSampleRate, c.sampleRate);
    EXPECT_EQ(s.audioChannels, 2);
    AVCodecContext* video = core.OptionStore().CodecTemplate(AVMEDIA_TYPE_VIDEO);
    int64_t gop = 0;
    int64_t bitrate = 0;
    av::av_opt_get_int(video, "g", 0, &gop);
    av::av_opt_get_int(video, "b", 0, &bitrate);
    if (c.gop >= 0) {
      EXPECT_EQ(gop, c.gop);
    }
    if (c.bitrate >= 0) {
      EXPECT_EQ(bitrate, c.bitrate);
    }
  }
}

TEST_F(Presets, TargetDetailsOfEachType) {
  TLogCapture log;
  TTestTranscoder vcd;
  vcd.ApplyOption("ac", "6");
  vcd.ApplyOption("target", "pal-vcd");
  EXPECT_EQ(vcd.Settings().audioChannels, 2);
  EXPECT_FLOAT_EQ(vcd.Settings().muxPreload, 0.44f);
  EXPECT_FLOAT_EQ(vcd.Settings().frameAspectRatio, 4.0f / 3);
  EXPECT_EQ(log.Count(llInfo, "Assuming 4:3 for aspect ratio"), 1);
  int64_t packetSize = 0;
  av::av_opt_get_int(vcd.OptionStore().FormatTemplate(), "packetsize", 0, &packetSize);
  EXPECT_EQ(packetSize, 2324);
  bool muxRate = false;
  for (const TStoredOption& option : vcd.OptionStore().StoredOptions())
    muxRate |= option.name == "muxrate" && option.value == "1411200";
  EXPECT_TRUE(muxRate);

  TTestTranscoder svcd;
  svcd.ApplyOption("ac", "6");
  svcd.ApplyOption("aspect", "16:9");
  svcd.ApplyOption("target", "ntsc-svcd");
  EXPECT_EQ(svcd.Settings().audioChannels, 6);
  EXPECT_FLOAT_EQ(svcd.Settings().muxPreload, 0.5f);
  EXPECT_FLOAT_EQ(svcd.Settings().frameAspectRatio, 16.0f / 9);
  bool scanOffset = false;
  for (const TStoredOption& option : svcd.OptionStore().StoredOptions())
    scanOffset |= option.name == "scan_offset" && option.value == "1";
  EXPECT_TRUE(scanOffset);

  TTestTranscoder dvd;
  dvd.ApplyOption("ac", "1");
  dvd.ApplyOption("target", "film-dvd");
  EXPECT_EQ(dvd.Settings().audioChannels, 2);
  EXPECT_FLOAT_EQ(dvd.Settings().frameAspectRatio, 16.0f / 9);
  EXPECT_EQ(log.Count(llInfo, "Assuming 16:9 for aspect ratio"), 1);
  EXPECT_EQ(log.Count(llInfo, "Assuming 4:3 for aspect ratio"), 1);
}

TEST_F(Presets, TargetNormGuessing) {
  struct TCase {
    const char* rate;                // "r" before the target; empty: none
    std::vector<AVRational> inputs;  // frame rates of the inputs opened so far
    const char* defaultNorm;         // empty: the target option itself
    int height;
    const char* log;
  };
  const TCase cases[] = {
      {"25", {}, "", 288, "Assuming PAL for target."},
      {"30000/1001", {}, "", 240, "Assuming NTSC for target."},
      {"24000/1001", {}, "", 240, "Assuming NTSC for target."},
      {"10", {{10, 1}, {25, 1}}, "", 288, "Assuming PAL for target."},
      {"10", {{0, 0}, {2997, 100}}, "", 240, "Assuming NTSC for target."},
      {"10", {}, "", 240, "Assuming NTSC for target."},
      {"10", {}, "pal", 288, "Assuming PAL for target."},
      {"10", {}, "film", 240, "Assuming NTSC for target."},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.rate) + " " + c.defaultNorm);
    TLogCapture log;
    TTestTranscoder core;
    core.inputRates = c.inputs;
    core.ApplyOption("r", c.rate);
    if (*c.defaultNorm)
      core.ApplyTargetPreset("vcd", "auto", c.defaultNorm);
    else
      core.ApplyOption("target", "vcd");
    EXPECT_EQ(core.Settings().frameHeight, c.height);
    EXPECT_EQ(log.Count(llVerbose, c.log), 1);
  }

  // The film default keeps the film frame rate.
  TTestTranscoder film;
  film.ApplyOption("r", "10");
  film.ApplyTargetPreset("dvd", "auto", "film");
  EXPECT_EQ(av_cmp_q(film.Settings().frameRate, AVRational{24000, 1001}), 0);

  // Quiet cores do not say what they assumed; an explicit norm says nothing either.
  TLogCapture log;
  TTestTranscoder quiet;
  quiet.ApplyOption("v", "0");
  quiet.ApplyOption("r", "25");
  quiet.ApplyOption("target", "vcd");
  TTestTranscoder explicitNorm;
  explicitNorm.ApplyTargetPreset("vcd", "pal", "ntsc");
  EXPECT_EQ(log.Count(llVerbose, "for target."), 0);
  EXPECT_EQ(explicitNorm.Settings().frameHeight, 288);
}
