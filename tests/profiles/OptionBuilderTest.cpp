#include "profiles/OptionBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "profiles/FormatCatalogue.h"
#include "profiles/PresetTable.h"
#include "support/Fixtures.h"

namespace mediaconv::profiles {
namespace {

using engine::TOutputOptions;

// Every field of the record, so a comparison shows which one differs.
std::string Summary(const TOutputOptions& o) {
  std::ostringstream s;
  s << "FileName=" << o.FileName << "\nFileExt=" << o.FileExt << "\nFileFormat=" << o.FileFormat
    << "\nPacketSize=" << o.PacketSize << "\nMuxRate=" << o.MuxRate << "\nMuxDelay=" << o.MuxDelay
    << "\nMuxPreload=" << o.MuxPreload << "\nAudioCodec=" << o.AudioCodec << "\nAudioPreset=" << o.AudioPreset
    << "\nDisableAudio=" << o.DisableAudio << "\nAudioVolume=" << o.AudioVolume
    << "\nAudioChannels=" << o.AudioChannels << "\nAudioSampleRate=" << o.AudioSampleRate
    << "\nAudioBitrate=" << o.AudioBitrate << "\nAudioBitrateTolerance=" << o.AudioBitrateTolerance
    << "\nAudioLanguage=" << o.AudioLanguage << "\nAudioSync=" << o.AudioSync << "\nAudioTag=" << o.AudioTag
    << "\nVideoCodec=" << o.VideoCodec << "\nVideoPreset=" << o.VideoPreset
    << "\nDisableVideo=" << o.DisableVideo << "\nFrameRate=" << o.FrameRate << "\nFrameSize=" << o.FrameSize
    << "\nFrameAspectRatio=" << o.FrameAspectRatio << "\nGOPSize=" << o.GOPSize
    << "\nVideoBitrate=" << o.VideoBitrate << "\nVideoMaxRate=" << o.VideoMaxRate
    << "\nVideoMinRate=" << o.VideoMinRate << "\nVideoBitrateTolerance=" << o.VideoBitrateTolerance
    << "\nVideoBufSize=" << o.VideoBufSize << "\nVideoSync=" << o.VideoSync << "\nVideoTag=" << o.VideoTag
    << "\nVideoFilters=" << o.VideoFilters << "\nVideoLanguage=" << o.VideoLanguage
    << "\nSubtitleCodec=" << o.SubtitleCodec << "\nSubtitlePreset=" << o.SubtitlePreset
    << "\nDisableSubtitle=" << o.DisableSubtitle << "\nSubtitleLanguage=" << o.SubtitleLanguage
    << "\nInputSync=" << o.InputSync << "\nCopyTimestamps=" << o.CopyTimestamps
    << "\nStartTime=" << o.StartTime << "\nRecordingTime=" << o.RecordingTime
    << "\nMetadata.Timestamp=" << o.Metadata.Timestamp << "\nMetadata.Year=" << o.Metadata.Year
    << "\nMetadata.Track=" << o.Metadata.Track << "\nMetadata.Texts=" << o.Metadata.Title << "|"
    << o.Metadata.Author << "|" << o.Metadata.Copyright << "|" << o.Metadata.Comment << "|"
    << o.Metadata.Album << "|" << o.Metadata.Genre << "\nTarget=" << o.Target
    << "\nTargetNorm=" << o.TargetNorm << "\nTargetNormDefault=" << o.TargetNormDefault
    << "\nHooks=" << o.AudioHook << o.VideoInputHook << o.VideoOutputHook
    << "\nHookBitsPerPixel=" << o.HookBitsPerPixel << "\nJoin=" << o.Join << "\nExtOptions=" << o.ExtOptions
    << "\nTags=" << o.Tag1 << "," << o.Tag2 << "\n";
  return s.str();
}

TOutputOptions Video(std::string vcodec, std::string size, std::string rate, int32_t vbitrate,
                     std::string acodec, int32_t channels, int32_t sampleRate, int32_t abitrate) {
  TOutputOptions o;
  o.VideoCodec = vcodec;
  o.FrameSize = size;
  o.FrameRate = rate;
  o.VideoBitrate = vbitrate;
  o.AudioCodec = acodec;
  o.AudioChannels = channels;
  o.AudioSampleRate = sampleRate;
  o.AudioBitrate = abitrate;
  return o;
}

TOutputOptions Audio(std::string acodec, int32_t channels, int32_t sampleRate, int32_t abitrate) {
  TOutputOptions o = Video("", "", "", -1, acodec, channels, sampleRate, abitrate);
  o.DisableVideo = true;
  return o;
}

template <typename TRecord, typename Change>
TRecord With(TRecord o, Change change) {
  change(o);
  return o;
}

const std::string kBlockA(kOptionBlockA);
const std::string kBlockB(kOptionBlockB);

struct TRowCase {
  std::string format;
  int32_t preset;
  TOutputOptions expected;  // FileName and FileExt are checked elsewhere
};

// Representative rows of every format: their fields and nothing else.
const std::vector<TRowCase>& RowCases() {
  static const std::vector<TRowCase> cases = {
      {"AVI", 0,
       With(Video("mpeg4", "1280x720", "", 4500000, "libmp3lame", 2, 44100, 192000),
            [](auto& o) {
              o.VideoTag = "XVID";
              o.FrameAspectRatio = "16:9";
            })},
      {"AVI", 1,
       With(Video("libx264", "1920x1080", "", 4200000, "libmp3lame", 2, 44100, 256000),
            [](auto& o) {
              o.VideoPreset = "libx264-default";
              o.FrameAspectRatio = "16:9";
            })},
      {"AVI", 2,
       With(Video("mpeg4", "", "", 2500000, "libmp3lame", 2, 44100, 256000),
            [](auto& o) { o.VideoTag = "XVID"; })},
      {"AVI", 11,
       With(Video("mpeg4", "240x180", "", 324000, "libmp3lame", 2, 44100, 96000),
            [](auto& o) { o.VideoTag = "FMP4"; })},
      {"AVI", 17,
       With(Video("mpeg4", "720x480", "30", 1200000, "libmp3lame", 2, 44100, 705000),
            [](auto& o) { o.VideoTag = "XVID"; })},
      {"AVI", 21, Video("mjpeg", "640x480", "", 4096000, "pcm_s16le", 2, 44100, 1411000)},
      {"AVI", 27,
       With(Video("mpeg4", "", "", 1200000, "libmp3lame", 2, 44100, 192000),
            [](auto& o) { o.VideoTag = "DIVX"; })},
      {"AVI", 28, Video("rawvideo", "", "", -1, "pcm_s16le", 2, 44100, 1411000)},
      {"MP4", 0,
       With(Video("libx264", "320x240", "30", 640000, "libfaac", 2, 44100, 128000),
            [](auto& o) { o.ExtOptions = kBlockA; })},
      {"MP4", 2, Video("mpeg4", "320x240", "30", 600000, "libfaac", 2, 44100, 128000)},
      {"MP4", 4,
       With(Video("libx264", "848x480", "30000/1001", 2600000, "libfaac", 2, 48000, 256000),
            [](auto& o) {
              o.VideoPreset = "libx264-default";
              o.FrameAspectRatio = "16:9";
            })},
      {"MP4", 6,
       With(Video("libx264", "848x480", "30000/1001", 2600000, "libfaac", 2, 48000, 768000),
            [](auto& o) {
              o.FrameAspectRatio = "16:9";
              o.FileFormat = "psp";
              o.ExtOptions = kBlockB;
            })},
      {"MP4", 13, Video("mpeg4", "128x96", "12", 56000, "libfaac", 2, 22050, 56000)},
      {"MP4", 14, Video("mpeg4", "", "25", 2500000, "libfaac", 2, 48000, 256000)},
      {"FLV", 1,
       With(Video("libx264", "", "20", 930000, "", 2, 44100, 160000),
            [](auto& o) { o.VideoPreset = "libx264-default"; })},
      {"FLV", 4, Video("", "276x144", "15", 480000, "", 1, 11025, 24000)},
      {"SWF", 0, Video("", "", "25", 1200000, "", 2, 44100, 160000)},
      {"SWF", 3, Video("", "320x240", "25", 640000, "", 2, 11025, 48000)},
      {"MPEG", 0,
       With(Video("mpeg2video", "1920x1080", "30000/1001", 15000000, "mp2", 2, 48000, 224000),
            [](auto& o) {
              o.FrameAspectRatio = "4:3";
              o.VideoMaxRate = 15000000;
              o.VideoMinRate = 15000000;
              o.VideoBufSize = 6881000;
            })},
      {"MPEG", 2,
       With(Video("", "", "30000/1001", 4000000, "mp2", 2, 48000, 224000),
            [](auto& o) {
              o.FrameAspectRatio = "4:3";
              o.Target = engine::kTargetDvd;
              o.TargetNorm = engine::kTargetNormNtsc;
            })},
      {"MPEG", 3,
       With(Video("", "", "25", 4000000, "mp2", 2, 48000, 224000),
            [](auto& o) {
              o.FrameAspectRatio = "4:3";
              o.Target = engine::kTargetDvd;
              o.TargetNorm = engine::kTargetNormPal;
            })},
      {"MPEG", 9,
       With(Video("mpeg1video", "720x480", "30", 2000000, "mp2", 2, 44100, 192000),
            [](auto& o) {
              o.VideoMaxRate = 2000000;
              o.VideoMinRate = 2000000;
              o.VideoBufSize = 917000;
            })},
      {"MPEG", 11,
       With(Video("", "", "25", 2376000, "mp2", 2, 44100, 224000),
            [](auto& o) {
              o.FrameAspectRatio = "4:3";
              o.Target = engine::kTargetSvcd;
              o.TargetNorm = engine::kTargetNormPal;
            })},
      {"MPEG", 12,
       With(Video("", "", "30000/1001", 1150000, "mp2", 2, 44100, 224000),
            [](auto& o) {
              o.FrameAspectRatio = "4:3";
              o.Target = engine::kTargetVcd;
              o.TargetNorm = engine::kTargetNormNtsc;
            })},
      {"RM", 3, Video("rv20", "", "", 256000, "", -1, -1, -1)},
      {"WMV", 4, Video("wmv2", "192x144", "20", 176000, "wmav2", 2, 32000, 48000)},
      {"WMV", 15, Video("wmv2", "320x240", "25", 2500000, "wmav2", 2, 48000, 196000)},
      {"WMV", 16, Video("wmv2", "320x240", "25", 720000, "wmav2", 2, 44100, 128000)},
      {"MOV", 0,
       With(Video("libx264", "", "", 1200000, "libfaac", 2, 48000, 320000),
            [](auto& o) { o.VideoPreset = "libx264-default"; })},
      {"MOV", 3, Video("mjpeg", "", "", 16384000, "libmp3lame", 2, 44100, 256000)},
      {"MOV", 6, Video("h263", "176x144", "", 4014080, "libmp3lame", 2, 44100, 128000)},
      {"MOV", 9, Video("svq1", "", "", 921600, "adpcm_ima_qt", 2, 44100, 352000)},
      {"3GP", 0, Video("h263", "176x144", "12", 240000, "", 1, 8000, 12200)},
      {"3GP", 1, Video("mpeg4", "176x144", "15", 104000, "libfaac", 1, 32000, 64000)},
      {"3GP", 4, Video("mpeg4", "128x96", "10", 44000, "", 1, 8000, 6700)},
      {"iPod", 0,
       With(Video("libx264", "640x480", "30", 2500000, "libfaac", 2, 48000, 160000),
            [](auto& o) { o.ExtOptions = kBlockA; })},
      {"iPod", 8,
       With(Video("libx264", "320x240", "24", 1000000, "libfaac", 2, 44100, 128000),
            [](auto& o) { o.ExtOptions = kBlockA; })},
      {"iPod", 9,
       With(Video("libx264", "320x240", "15", 500000, "libfaac", 2, 44100, 128000),
            [](auto& o) { o.ExtOptions = kBlockA; })},
      {"iPhone", 1,
       With(Video("libx264", "480x320", "30", 1300000, "libfaac", 2, 44100, 128000),
            [](auto& o) { o.ExtOptions = kBlockA; })},
      {"AppleTV", 0,
       With(Video("libx264", "640x480", "24", 5000000, "libfaac", 2, 48000, 160000),
            [](auto& o) { o.ExtOptions = kBlockA; })},
      {"PSP", 0,
       With(Video("libx264", "480x272", "30", 1500000, "libfaac", 2, 48000, 160000),
            [](auto& o) {
              o.FileFormat = "psp";
              o.ExtOptions = kBlockB;
            })},
      {"PSP", 2,
       With(Video("libx264", "368x208", "15", 500000, "libfaac", 2, 44100, 128000),
            [](auto& o) {
              o.FileFormat = "psp";
              o.ExtOptions = kBlockB;
            })},
      {"BlackBerry", 2,
       With(Video("libx264", "320x240", "15", 500000, "libfaac", 2, 44100, 128000),
            [](auto& o) { o.VideoPreset = "libx264-default"; })},
      {"MobilePhone", 3, Video("mpeg4", "128x96", "10", 119000, "libfaac", 2, 22050, 64000)},
      {"iPad", 0,
       With(Video("libx264", "640x480", "30", 2500000, "libfaac", 2, 48000, 160000),
            [](auto& o) { o.ExtOptions = kBlockA; })},
      {"WAV", 2, Audio("pcm_s24le", 2, 22050, -1)},
      {"WAV", 4, Audio("pcm_s16le", 2, 44000, -1)},
      {"MP3", 0, Audio("libmp3lame", 2, 44100, 112000)},
      {"MP3", 1, Audio("libmp3lame", 2, 48000, 128000)},
      {"WMA", 0, Audio("wmav2", 2, 48000, 192000)},
      {"OGG", 0,
       With(Audio("libvorbis", -1, 11025, -1),
            [](auto& o) {
              o.VideoCodec = "libtheora";
              o.ExtOptions = "aq=4.97";
            })},
      {"OGG", 4,
       With(Audio("libvorbis", -1, 48000, -1),
            [](auto& o) {
              o.VideoCodec = "libtheora";
              o.ExtOptions = "aq=8.05";
            })},
      {"AAC", 1, Audio("libfaac", 1, 22500, 112000)},
      {"AAC", 2, Audio("libfaac", 2, 22500, 224000)},
      {"M4A", 1, Audio("", 2, 44800, 256000)},
      {"FLAC", 5, With(Audio("flac", -1, -1, -1), [](auto& o) { o.ExtOptions = "compression_level=5"; })},
      {"MP2", 2, Audio("", 2, 22050, 128000)},
  };
  return cases;
}

TEST(OptionBuilder, RepresentativeRowsSetTheirFieldsAndNothingElse) {
  const std::string folder = test::TempFolder("rows");
  for (const TRowCase& row : RowCases()) {
    const TFormatInfo* format = FindFormatByName(row.format);
    ASSERT_NE(format, nullptr) << row.format;
    SCOPED_TRACE(row.format + " preset " + std::to_string(row.preset));
    const TOutputChoice choice{format->ClassId, format->FormatId, row.preset, folder};
    TOutputOptions built = BuildOutputOptions(choice, {"/in/clip.mkv", 77000});
    EXPECT_EQ(built.FileExt, format->Extension);
    EXPECT_EQ(built.FileName, folder + "/clip" + std::string(format->Extension));
    built.FileName.clear();
    built.FileExt.clear();
    EXPECT_EQ(Summary(built), Summary(row.expected));
  }
}

TEST(OptionBuilder, OptionBlocksHoldTheirLines) {
  auto lines = [](std::string_view text) {
    std::vector<std::string> result;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string_view::npos; start = end + 2)
      result.emplace_back(text.substr(start, end - start));
    result.emplace_back(text.substr(start));
    return result;
  };
  const auto a = lines(kOptionBlockA);
  ASSERT_EQ(a.size(), 18u);  // 17 lines and the empty text after the final CR LF
  EXPECT_EQ(a.back(), "");
  EXPECT_EQ(a[0], "flags=+loop");
  EXPECT_EQ(a[3], "deblockbeta=0crf=24");
  EXPECT_EQ(a[8], "partitions=+parti4x4+parti8x8+partp8x8");
  EXPECT_EQ(a[16], "i_qfactor=0.71");
  const auto b = lines(kOptionBlockB);
  ASSERT_EQ(b.size(), 23u);
  EXPECT_EQ(b[3], "me_method=umh");
  EXPECT_EQ(b[17], "rc_eq='blurCplx^(1-qComp)'");
  EXPECT_EQ(b[22], "level=21");
  // Every line feed is part of a CR LF.
  auto count = [](std::string_view text, std::string_view what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count(kOptionBlockA, "\n"), 17u);
  EXPECT_EQ(count(kOptionBlockA, "\r\n"), 17u);
  EXPECT_EQ(count(kOptionBlockB, "\n"), 22u);
  EXPECT_EQ(count(kOptionBlockB, "\r\n"), 22u);
}

// Every row of every format: one row per caption, known codec names,
// well-formed sizes and rates, and each row adds something of its own.
TEST(OptionBuilder, EveryPresetOfEveryFormatBuilds) {
  const std::set<std::string> videoCodecs = {"mpeg4",      "libx264",    "mjpeg",    "rawvideo",
                                             "mpeg1video", "mpeg2video", "rv20",     "wmv2",
                                             "h263",       "svq1",       "libtheora"};
  const std::set<std::string> audioCodecs = {"libmp3lame", "libfaac",     "pcm_s16le", "pcm_s24le",
                                             "pcm_s32le",  "wmav2",       "libvorbis", "flac",
                                             "mp2",        "adpcm_ima_qt"};
  const std::regex size("[1-9][0-9]*x[1-9][0-9]*");
  const std::regex rate("[1-9][0-9]*(/[1-9][0-9]*)?");
  const std::regex aspect("[1-9][0-9]*:[1-9][0-9]*");
  const std::string folder = test::TempFolder("every");
  int built = 0;
  for (const TFormatInfo& format : AllFormats()) {
    const TFormatPresets* presets = FindFormatPresets(format.ClassId, format.FormatId);
    ASSERT_NE(presets, nullptr) << format.Name;
    ASSERT_EQ(presets->Rows.size(), format.Captions.size()) << format.Name;
    const TOutputOptions none =
        BuildOutputOptions({format.ClassId, format.FormatId, -1, folder}, {"/in/a.avi", -1});
    for (int32_t index = 0; index < static_cast<int32_t>(format.Captions.size()); ++index) {
      SCOPED_TRACE(std::string(format.Name) + " preset " + std::to_string(index));
      const TOutputOptions o =
          BuildOutputOptions({format.ClassId, format.FormatId, index, folder}, {"/in/a.avi", -1});
      ++built;
      EXPECT_NE(Summary(o), Summary(none));
      EXPECT_EQ(o.FileExt, format.Extension);
      EXPECT_EQ(o.DisableVideo, format.ClassId == kClassAudio);
      EXPECT_TRUE(o.VideoCodec.empty() || videoCodecs.count(o.VideoCodec)) << o.VideoCodec;
      EXPECT_TRUE(o.AudioCodec.empty() || audioCodecs.count(o.AudioCodec)) << o.AudioCodec;
      EXPECT_TRUE(o.FrameSize.empty() || std::regex_match(o.FrameSize, size)) << o.FrameSize;
      EXPECT_TRUE(o.FrameRate.empty() || std::regex_match(o.FrameRate, rate)) << o.FrameRate;
      if (!o.FrameAspectRatio.empty()) {
        EXPECT_TRUE(std::regex_match(o.FrameAspectRatio, aspect));
      }
      EXPECT_TRUE(o.AudioChannels == -1 || o.AudioChannels == 1 || o.AudioChannels == 2);
      EXPECT_TRUE(o.AudioSampleRate == -1 || (o.AudioSampleRate >= 8000 && o.AudioSampleRate <= 48000));
      EXPECT_TRUE(o.FileFormat.empty() || o.FileFormat == "psp");
      EXPECT_TRUE(o.Target == engine::kTargetNone || o.VideoCodec.empty())
          << "a target chooses its own codec";
    }
  }
  EXPECT_EQ(built, 177);
}

TEST(OptionBuilder, ClassDecidesDisableVideo) {
  const std::string folder = test::TempFolder("class");
  EXPECT_TRUE(BuildOutputOptions({kClassAudio, 1, 2, folder}, {"/in/a.avi"}).DisableVideo);
  EXPECT_TRUE(BuildOutputOptions({kClassAudio, 6, -1, folder}, {"/in/a.avi"}).DisableVideo);
  EXPECT_FALSE(BuildOutputOptions({kClassVideo, 0, 3, folder}, {"/in/a.avi"}).DisableVideo);
  EXPECT_FALSE(BuildOutputOptions({kClassDevice, 0, 5, folder}, {"/in/a.avi"}).DisableVideo);
}

TEST(OptionBuilder, IndexWithoutRowSetsOnlyWhatEveryPresetSets) {
  const std::string folder = test::TempFolder("norow");
  for (int32_t index : {-1, 4, 1000}) {
    TOutputOptions o = BuildOutputOptions({kClassAudio, 1, index, folder}, {"/in/song.wma", 128000});
    EXPECT_EQ(o.FileName, folder + "/song.mp3");
    o.FileName.clear();
    o.FileExt.clear();
    EXPECT_EQ(Summary(o), Summary(Audio("libmp3lame", -1, -1, -1))) << index;
  }
  // iPod without a row still gets the codecs and block A.
  TOutputOptions ipod = BuildOutputOptions({kClassDevice, 0, -1, folder}, {"/in/a.avi"});
  EXPECT_EQ(ipod.VideoCodec, "libx264");
  EXPECT_EQ(ipod.AudioCodec, "libfaac");
  EXPECT_EQ(ipod.ExtOptions, kBlockA);
  EXPECT_EQ(ipod.FrameSize, "");
  EXPECT_EQ(ipod.VideoBitrate, -1);
  // AVI has no every-preset fields: -1 gives the record's defaults.
  TOutputOptions avi = BuildOutputOptions({kClassVideo, 0, -1, folder}, {"/in/a.avi"});
  avi.FileName.clear();
  avi.FileExt.clear();
  EXPECT_EQ(avi, TOutputOptions());
}

TEST(OptionBuilder, BadClassOrFormatSetsOnlyTheName) {
  const std::string folder = test::TempFolder("bad");
  struct TBad {
    int classId, formatId;
  };
  // A format outside its class sets nothing of its class either, not even DisableVideo.
  for (TBad bad :
       {TBad{3, 0}, TBad{255, 1}, TBad{kClassVideo, 9}, TBad{kClassDevice, 7}, TBad{kClassAudio, 8}}) {
    TOutputOptions o = BuildOutputOptions({bad.classId, bad.formatId, 0, folder}, {"/in/song.wma", 705000});
    EXPECT_EQ(o.FileExt, "");
    EXPECT_EQ(o.FileName, folder + "/song");
    o.FileName.clear();
    EXPECT_EQ(o, TOutputOptions()) << bad.classId << "/" << bad.formatId;
  }
}

TEST(OptionBuilder, WmaLosslessCopiesTheInputAudioBitRate) {
  const std::string folder = test::TempFolder("wma");
  const TOutputOptions withAudio = BuildOutputOptions({kClassAudio, 2, 4, folder}, {"/in/a.flac", 705000});
  EXPECT_EQ(withAudio.AudioBitrate, 705000);
  EXPECT_EQ(withAudio.AudioCodec, "wmav2");
  EXPECT_EQ(withAudio.AudioSampleRate, 48000);
  EXPECT_EQ(withAudio.AudioChannels, 2);
  // Without an audio stream the prober's -1 is kept, which the encoder does not apply.
  EXPECT_EQ(BuildOutputOptions({kClassAudio, 2, 4, folder}, {"/in/a.avi", -1}).AudioBitrate, -1);
  // Other WMA presets keep their own rate whatever the input has.
  EXPECT_EQ(BuildOutputOptions({kClassAudio, 2, 3, folder}, {"/in/a.flac", 705000}).AudioBitrate, 128000);
  // So does every other format's row that looks similar.
  EXPECT_EQ(BuildOutputOptions({kClassAudio, 1, 3, folder}, {"/in/a.flac", 705000}).AudioBitrate, 320000);
}

void Touch(const std::string& path) { std::ofstream(path) << "x"; }

struct TNameCase {
  std::string input;
  std::string format;
  std::vector<std::string> existing;  // in the output folder
  std::string expected;               // name in the output folder
};

TEST(OptionBuilder, OutputNamesTakeTheFormatExtensionAndAreUniqueOnDisk) {
  const TNameCase cases[] = {
      {"/music/song.wma", "MP3", {}, "song.mp3"},
      {"/music/song.wma", "MP3", {"song.mp3"}, "song(1).mp3"},
      {"/music/song.wma", "MP3", {"song.mp3", "song(1).mp3"}, "song(2).mp3"},
      {"/video/movie.mp4", "MP4", {"movie.mp4"}, "movie(1).mp4"},
      {"/video/clip", "AVI", {}, "clip.avi"},
      {"/video/clip", "AVI", {"clip.avi"}, "clip(1).avi"},
      {"/video.d/clip", "AVI", {}, "clip.avi"},
      {"/video/archive.tar.gz", "FLAC", {}, "archive.tar.flac"},
      {"/video/.hidden", "OGG", {}, ".hidden.ogg"},
      {"relative.mov", "iPod", {}, "relative.mp4"},
      {"/video/a:b.avi", "MPEG", {}, "a:b.mpg"},
      {"/video/Überfahrt 夜.mkv", "WMV", {}, "Überfahrt 夜.wmv"},
  };
  for (const TNameCase& c : cases) {
    SCOPED_TRACE(c.input + " -> " + c.expected);
    const std::string folder = test::TempFolder("names");
    for (const std::string& name : c.existing) Touch(folder + "/" + name);
    const TFormatInfo* format = FindFormatByName(c.format);
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(BuildOutputOptions({format->ClassId, format->FormatId, 0, folder}, {c.input}).FileName,
              folder + "/" + c.expected);
    // A folder kept with its trailing separator gives the same path.
    EXPECT_EQ(BuildOutputOptions({format->ClassId, format->FormatId, 0, folder + "/"}, {c.input}).FileName,
              folder + "/" + c.expected);
  }
}

TEST(OptionBuilder, NamesHandedOutInOneRunAreNotGivenTwice) {
  const std::string folder = test::TempFolder("run");
  const TOutputChoice mp4{kClassVideo, 1, 3, folder};
  // Without the run's names only the disk counts, and both inputs would meet in a.mp4.
  EXPECT_EQ(BuildOutputOptions(mp4, {"/x/a.avi"}).FileName, BuildOutputOptions(mp4, {"/y/a.mov"}).FileName);

  TOutputNames names;
  EXPECT_EQ(BuildOutputOptions(mp4, {"/x/a.avi"}, &names).FileName, folder + "/a.mp4");
  EXPECT_EQ(BuildOutputOptions(mp4, {"/y/a.mov"}, &names).FileName, folder + "/a(1).mp4");
  Touch(folder + "/a(2).mp4");
  EXPECT_EQ(BuildOutputOptions(mp4, {"/z/a.mkv"}, &names).FileName, folder + "/a(3).mp4");
  // Another folder is another set of names.
  const std::string other = test::TempFolder("run2");
  EXPECT_EQ(BuildOutputOptions({kClassVideo, 1, 3, other}, {"/x/a.avi"}, &names).FileName, other + "/a.mp4");
}

// The encoder as the joined form sees it; files named in failing cannot be added.
class TFakeEncoder : public TJoinEncoder {
 public:
  std::set<std::string> failing;
  bool outputFails = false;
  std::vector<std::vector<std::string>> tasks;
  std::vector<std::string> calls;
  TOutputOptions output;
  std::string outputName;

  int TasksCount() const override { return static_cast<int>(tasks.size()); }
  int AddTask(const std::string& fileName, engine::TInputOptions* options) override {
    calls.push_back("AddTask " + fileName);
    if (!Open(fileName, options)) return -1;
    tasks.push_back({fileName});
    return static_cast<int>(tasks.size()) - 1;
  }
  bool AddInputFile(int taskIndex, const std::string& fileName, engine::TInputOptions* options) override {
    calls.push_back("AddInputFile " + std::to_string(taskIndex) + " " + fileName);
    if (!Open(fileName, options)) return false;
    tasks.at(taskIndex).push_back(fileName);
    return true;
  }
  bool SetOutputFile(int taskIndex, const std::string& fileName, TOutputOptions* options) override {
    calls.push_back("SetOutputFile " + std::to_string(taskIndex) + " " + fileName);
    tasks.at(taskIndex);
    if (outputFails) {
      lastError_ = "Could not open output file";
      return false;
    }
    output = *options;
    outputName = fileName;
    return true;
  }
  void RemoveTask(int taskIndex) override {
    calls.push_back("RemoveTask " + std::to_string(taskIndex));
    tasks.erase(tasks.begin() + taskIndex);
  }
  std::string LastErrMsg() const override { return lastError_; }

 private:
  bool Open(const std::string& fileName, engine::TInputOptions* options) {
    EXPECT_NE(options, nullptr);
    if (options) {
      EXPECT_EQ(*options, With(engine::TInputOptions(), [&](auto& o) { o.FileName = fileName; }));
    }
    if (failing.count(fileName)) {
      lastError_ = fileName + ": No such file or directory";
      return false;
    }
    return true;
  }
  std::string lastError_;
};

struct TJoinRun {
  TJoinedTask task;
  std::vector<std::string> log;
};

TJoinRun Join(const TOutputChoice& choice, const std::vector<TJoinInput>& files, TFakeEncoder& encoder) {
  TJoinRun run;
  run.task =
      BuildJoinedTask(choice, files, encoder, [&](const std::string& line) { run.log.push_back(line); });
  return run;
}

TEST(OptionBuilder, JoinedTaskStartsWithTheFirstFileThatOpens) {
  const std::string folder = test::TempFolder("join");
  TFakeEncoder encoder;
  encoder.failing = {"/in/one.avi"};
  const std::vector<TJoinInput> files = {
      {"/in/one.avi", 1000000, 640, 480, 1.5},
      {"/in/two.avi", 62500000, 320, 240, static_cast<double>(4.0f / 3.0f)},
      {"/in/three.mkv", 2400000000LL, 1280, 720, 16.0 / 9.0},
  };
  const TJoinRun run = Join({kClassVideo, 1, 3, folder}, files, encoder);

  const std::vector<std::string> calls = {
      "AddTask /in/one.avi",
      "AddTask /in/two.avi",
      "AddInputFile 0 /in/three.mkv",
      "SetOutputFile 0 " + folder + "/Output_Merge.mp4",
  };
  EXPECT_EQ(encoder.calls, calls);
  ASSERT_EQ(encoder.tasks.size(), 1u);
  EXPECT_EQ(encoder.tasks[0], (std::vector<std::string>{"/in/two.avi", "/in/three.mkv"}));
  EXPECT_TRUE(run.task.Created);
  EXPECT_EQ(run.task.OutputFileName, folder + "/Output_Merge.mp4");
  EXPECT_EQ(run.log, (std::vector<std::string>{"Adding file error: /in/one.avi: No such file or directory",
                                               "File has been added to convert list.",
                                               "File has been added to convert list."}));
  // 40 minutes are read in full, beyond 32 bits.
  EXPECT_EQ(run.task.QueuedDuration, 62500000LL + 2400000000LL);
  ASSERT_EQ(run.task.Rows.size(), 2u);
  const TJoinProgressRow& two = run.task.Rows[0];
  EXPECT_EQ(two.Caption, "two.avi");
  EXPECT_EQ(two.DurationText, "00:01:02.500");
  EXPECT_EQ(two.PictureSize, "320x240");
  EXPECT_EQ(two.AspectRatio, "1.33333337306976");
  EXPECT_EQ(two.OutputPath, folder + "/Output_Merge.mp4");
  EXPECT_EQ(two.Duration, 62500000);
  EXPECT_EQ(run.task.Rows[1].DurationText, "00:40:00.000");
  EXPECT_EQ(run.task.Rows[1].AspectRatio, "1.77777777777778");
  EXPECT_EQ(run.task.Rows[1].OutputPath, two.OutputPath);

  // The output: the preset's options, joined, without an extension field.
  TOutputOptions expected =
      With(Video("libx264", "640x420", "30", 640000, "libfaac", 2, 44100, 128000), [&](auto& o) {
        o.ExtOptions = kBlockA;
        o.Join = true;
        o.FileName = folder + "/Output_Merge.mp4";
      });
  EXPECT_EQ(Summary(encoder.output), Summary(expected));
}

TEST(OptionBuilder, JoinedOutputNameIsUniqueAndRowsWithoutDurationSaySo) {
  const std::string folder = test::TempFolder("join");
  Touch(folder + "/Output_Merge.mp4");
  TFakeEncoder encoder;
  const TJoinRun run = Join({kClassVideo, 1, 3, folder + "/"}, {{"/in/a.avi", 0, -1, -1, -1.0}}, encoder);
  EXPECT_EQ(run.task.OutputFileName, folder + "/Output_Merge(1).mp4");
  EXPECT_EQ(encoder.outputName, folder + "/Output_Merge(1).mp4");
  ASSERT_EQ(run.task.Rows.size(), 1u);
  EXPECT_EQ(run.task.Rows[0].DurationText, "Duration is not preseted");
  EXPECT_EQ(run.task.Rows[0].PictureSize, "-1x-1");
  EXPECT_EQ(run.task.Rows[0].AspectRatio, "-1");
  EXPECT_EQ(run.task.QueuedDuration, 0);
}

TEST(OptionBuilder, JoinedWmaLosslessSetsNoBitRate) {
  const std::string folder = test::TempFolder("join");
  TFakeEncoder encoder;
  const TJoinRun run = Join({kClassAudio, 2, 4, folder}, {{"/in/a.flac", 1000000, -1, -1, -1.0}}, encoder);
  EXPECT_TRUE(run.task.Created);
  EXPECT_EQ(encoder.output.AudioBitrate, -1);
  EXPECT_EQ(encoder.output.AudioCodec, "wmav2");
  EXPECT_EQ(encoder.output.AudioSampleRate, 48000);
  EXPECT_TRUE(encoder.output.DisableVideo);
  EXPECT_TRUE(encoder.output.Join);
  EXPECT_EQ(encoder.output.FileExt, "");
  EXPECT_EQ(encoder.outputName, folder + "/Output_Merge.wma");
}

TEST(OptionBuilder, JoinedOutputThatCannotBeSetRemovesTheTask) {
  const std::string folder = test::TempFolder("join");
  TFakeEncoder encoder;
  encoder.outputFails = true;
  const TJoinRun run = Join({kClassVideo, 0, 3, folder}, {{"/in/a.avi", 1000000, 320, 240, 1.0}}, encoder);
  EXPECT_FALSE(run.task.Created);
  EXPECT_TRUE(encoder.tasks.empty());
  EXPECT_EQ(encoder.calls.back(), "RemoveTask 0");
  EXPECT_EQ(run.log.back(), "Cannot do convert, error: Could not open output file");
}

TEST(OptionBuilder, JoinedWithNoFileAddedSetsNoOutput) {
  const std::string folder = test::TempFolder("join");
  TFakeEncoder encoder;
  encoder.failing = {"/in/a.avi", "/in/b.avi"};
  const TJoinRun run = Join({kClassVideo, 0, 3, folder}, {{"/in/a.avi"}, {"/in/b.avi"}}, encoder);
  EXPECT_FALSE(run.task.Created);
  EXPECT_TRUE(run.task.Rows.empty());
  EXPECT_EQ(encoder.calls, (std::vector<std::string>{"AddTask /in/a.avi", "AddTask /in/b.avi"}));
  EXPECT_EQ(run.log,
            (std::vector<std::string>{"Adding file error: /in/a.avi: No such file or directory",
                                      "Adding file error: /in/b.avi: No such file or directory",
                                      "Cannot do convert, error: /in/b.avi: No such file or directory"}));

  TFakeEncoder empty;
  const TJoinRun none = Join({kClassVideo, 0, 3, folder}, {}, empty);
  EXPECT_TRUE(empty.calls.empty());
  EXPECT_TRUE(none.log.empty());
}

TEST(OptionBuilder, JoinedWithBadClassGetsAnOutputWithoutExtension) {
  const std::string folder = test::TempFolder("join");
  TFakeEncoder encoder;
  const TJoinRun run = Join({7, 0, 0, folder}, {{"/in/a.avi", 1, 1, 1, 1.0}}, encoder);
  EXPECT_EQ(encoder.outputName, folder + "/Output_Merge");
  EXPECT_EQ(Summary(encoder.output), Summary(With(TOutputOptions(), [&](auto& o) {
              o.Join = true;
              o.FileName = folder + "/Output_Merge";
            })));
}

}  // namespace
}  // namespace mediaconv::profiles
