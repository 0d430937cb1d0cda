#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "engine/loader/FFLoader.h"
#include "engine/log/FFLogger.h"
#include "engine/transcoder/CustomFFmpeg.h"
#include "support/Fixtures.h"
#include "support/LogCapture.h"
#include "support/LogLines.h"

using namespace mediaconv::engine;
using namespace mediaconv::test;
namespace fs = std::filesystem;

namespace {

// Samples of a file's first audio stream, decoded to the given raw format.
template <typename T>
std::vector<T> RawSamples(const std::string& path, const std::string& format) {
  const auto result = RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(path) + " -map 0:a:0 -f " +
                                 format + " -ac 1 - 2>/dev/null");
  std::vector<T> samples(result.output.size() / sizeof(T));
  std::memcpy(samples.data(), result.output.data(), samples.size() * sizeof(T));
  return samples;
}

int CountFrames(const std::string& path) {
  const auto result = RunCommand(
      "ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of "
      "default=nw=1:nk=1 " +
      ShellQuote(path));
  return result.exitCode == 0 ? std::atoi(result.output.c_str()) : -1;
}

double Duration(const std::string& path) {
  const auto format = ProbeFormat(path);
  const auto found = format.find("duration");
  return found == format.end() ? -1 : std::atof(found->second.c_str());
}

struct TRun {
  bool failed = false;
  std::string error;
  std::vector<std::string> log;
  int duplicated = 0;
};

TRun Convert(const std::string& input, const std::string& inputOptions, const std::string& output,
             const std::string& outputOptions) {
  TRun run;
  TCustomFFmpeg core;
  TLogCapture log(&core, std::nullopt);
  core.OnEnd = [&run](TCustomFFmpeg& sender) {
    run.failed = sender.Failed();
    run.error = sender.ErrorMessage();
  };
  try {
    core.ApplyInputOptionText(input, inputOptions, TInputFields{});
    core.ApplyOutputOptionText(output, false, outputOptions, TOutputFields{});
    core.Start(false);
  } catch (const std::exception& e) {
    run.failed = true;
    run.error = e.what();
  }
  run.log = log.Lines();
  run.duplicated = core.FramesDuplicated();
  return run;
}

bool Logged(const TRun& run, const std::string& line) { return HasLine(run.log, line); }

class FrameConversionTest : public ::testing::Test {
 protected:
  std::string folder_ = TempFolder("frames");
};

// 320x240 at 25 fps, 3 s.
std::string VideoSource() {
  return MediaFixture("frames-video.mkv",
                      "-f lavfi -i testsrc2=size=320x240:rate=25:duration=3 -c:v libx264 -preset ultrafast");
}

struct TVolumeCase {
  const char* name;
  const char* codec;
  const char* raw;
};

class VolumeTest : public FrameConversionTest, public ::testing::WithParamInterface<TVolumeCase> {};

// 512 doubles every sample and clips at the format's limits; 256 leaves them.
TEST_P(VolumeTest, DoublesAndClips) {
  const TVolumeCase& c = GetParam();
  const std::string source =
      MediaFixture(std::string("frames-tone-") + c.name + ".wav",
                   "-f lavfi -i 'aevalsrc=0.75*sin(2*PI*440*t):s=8000:d=0.5' -c:a " + std::string(c.codec));
  ASSERT_FALSE(source.empty());
  const std::string doubled = folder_ + "/doubled.wav", same = folder_ + "/same.wav";
  const std::string codec = std::string("acodec=") + c.codec;
  TRun run = Convert(source, "", doubled, codec + "\nvol=512");
  ASSERT_FALSE(run.failed) << run.error;
  run = Convert(source, "", same, codec + "\nvol=256");
  ASSERT_FALSE(run.failed) << run.error;
  if (std::string(c.raw) == "s16le") {
    const auto in = RawSamples<int16_t>(source, "s16le");
    const auto out = RawSamples<int16_t>(doubled, "s16le");
    ASSERT_EQ(in.size(), out.size());
    ASSERT_EQ(RawSamples<int16_t>(same, "s16le"), in);
    int clipped = 0;
    for (size_t i = 0; i < in.size(); ++i) {
      ASSERT_EQ(out[i], std::clamp(in[i] * 2, -32768, 32767)) << i;
      clipped += out[i] == 32767 || out[i] == -32768;
    }
    EXPECT_GT(clipped, 100);
  } else {
    const auto in = RawSamples<float>(source, "f32le");
    const auto out = RawSamples<float>(doubled, "f32le");
    ASSERT_EQ(in.size(), out.size());
    ASSERT_EQ(RawSamples<float>(same, "f32le"), in);
    for (size_t i = 0; i < in.size(); ++i) ASSERT_FLOAT_EQ(out[i], std::clamp(in[i] * 2, -1.0f, 1.0f)) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, VolumeTest,
                         ::testing::Values(TVolumeCase{"S16", "pcm_s16le", "s16le"},
                                           TVolumeCase{"Float", "pcm_f32le", "f32le"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Audio sync 1: a first timestamp 1 s late gets a second of silence before
// it; 1 s early, the first second is discarded.
TEST_F(FrameConversionTest, AudioSyncFillsOrCutsTheStart) {
  const std::string source = MediaFixture(
      "frames-tone-2s.wav", "-f lavfi -i sine=frequency=440:sample_rate=8000:duration=2 -c:a pcm_s16le");
  const std::string late = folder_ + "/late.wav", early = folder_ + "/early.wav",
                    plain = folder_ + "/plain.wav";
  TRun run = Convert(source, "itsoffset=1", late, "async=1\nv=3");
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_NEAR(Duration(late), 3.0, 0.05);
  bool silenceLogged = false;
  for (const std::string& line : run.log)
    silenceLogged |= line.rfind("adding 8000 audio samples of silence", 0) == 0;
  EXPECT_TRUE(silenceLogged);
  const auto samples = RawSamples<int16_t>(late, "s16le");
  ASSERT_GT(samples.size(), 8000u);
  EXPECT_TRUE(std::all_of(samples.begin(), samples.begin() + 7900, [](int16_t s) { return s == 0; }));
  EXPECT_TRUE(std::any_of(samples.begin() + 8100, samples.begin() + 8300, [](int16_t s) { return s != 0; }));

  run = Convert(source, "itsoffset=-1", early, "async=1");
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_NEAR(Duration(early), 1.0, 0.15);

  // Without the method the timestamps are followed: no silence is made.
  run = Convert(source, "itsoffset=1", plain, "");
  ASSERT_FALSE(run.failed) << run.error;
  const auto followed = RawSamples<int16_t>(plain, "s16le");
  EXPECT_TRUE(std::any_of(followed.begin(), followed.begin() + 100, [](int16_t s) { return s != 0; }));
}

// Timestamps stretched by 5% drift 102 samples per 2048-sample packet, below
// the 0.1 s threshold. A method above 1 stretches the audio through the
// resampler: each packet asks for the lag over one second of samples, so the
// lag settles near 400 samples (0.05 s) where the added samples match the
// drift, and silence fills only the first gap. Without compensation the lag
// would reach the threshold and be filled with silence; method 0 keeps the
// sample count.
TEST_F(FrameConversionTest, AudioSyncAboveOneCompensatesSlowDrift) {
  const std::string source = MediaFixture(
      "frames-tone-4s.wav", "-f lavfi -i sine=frequency=440:sample_rate=8000:duration=4 -c:a pcm_s16le");
  const std::string followed = folder_ + "/followed.wav", kept = folder_ + "/kept.wav";
  TRun run = Convert(source, "itsscale=0:1.05", followed, "async=1000\nv=3");
  ASSERT_FALSE(run.failed) << run.error;
  const double stretched = Duration(followed);
  EXPECT_GT(stretched, 4.2 - 0.06);
  EXPECT_LT(stretched, 4.2 + 0.01);
  int compensations = 0, silence = 0;
  double lastDrift = 0;
  const std::string drift = "compensating audio timestamp drift:";
  for (const std::string& line : run.log) {
    if (line.rfind(drift, 0) == 0) {
      ++compensations;
      lastDrift = std::atof(line.c_str() + drift.size());
    }
    if (line.rfind("adding ", 0) == 0) silence += std::atoi(line.c_str() + 7);
  }
  EXPECT_GE(compensations, 12);
  EXPECT_GT(lastDrift, 300);
  EXPECT_LT(lastDrift, 400);
  EXPECT_LT(silence, 200);

  run = Convert(source, "itsscale=0:1.05", kept, "");
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_NEAR(Duration(kept), 4.0, 0.01);
}

// Frames 10 to 12 are missing: a fixed-rate output fills the gap with two
// duplicates, a variable-rate one keeps it.
TEST_F(FrameConversionTest, VideoSyncDuplicatesOnlyForFixedRateOutputs) {
  const std::string source = MediaFixture(
      "frames-gap.mkv",
      "-f lavfi -i testsrc2=size=160x120:rate=25:duration=2 -vf select='not(between(n\\,10\\,12))' "
      "-fps_mode passthrough -c:v libx264 -preset ultrafast");
  ASSERT_FALSE(source.empty());
  TRun run = Convert(source, "", folder_ + "/fixed.avi", "vcodec=mpeg4\nv=3");
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_TRUE(Logged(run, "*** 2 dup!"));
  EXPECT_EQ(run.duplicated, 2);
  EXPECT_EQ(CountFrames(folder_ + "/fixed.avi"), 49);  // the last picture is not repeated

  run = Convert(source, "", folder_ + "/variable.mkv", "vcodec=mpeg4\nv=3");
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_EQ(run.duplicated, 0);
  EXPECT_FALSE(Logged(run, "*** 2 dup!"));
  EXPECT_EQ(CountFrames(folder_ + "/variable.mkv"), 47);
}

struct TFilterCase {
  const char* name;
  const char* options;
  int width, height, frames;
};

class FilterTest : public FrameConversionTest, public ::testing::WithParamInterface<TFilterCase> {};

TEST_P(FilterTest, ShapesThePicture) {
  const TFilterCase& c = GetParam();
  const std::string out = folder_ + "/filtered.mp4";
  const TRun run = Convert(VideoSource(), "", out, std::string("vcodec=mpeg4\n") + c.options);
  ASSERT_FALSE(run.failed) << run.error;
  const auto video = ProbeStream(out, "v:0");
  EXPECT_EQ(video.at("width"), std::to_string(c.width));
  EXPECT_EQ(video.at("height"), std::to_string(c.height));
  EXPECT_EQ(CountFrames(out), c.frames);
}

INSTANTIATE_TEST_SUITE_P(
    Graphs, FilterTest,
    ::testing::Values(TFilterCase{"CropAndPad", "vf=crop=160:120:0:0,pad=200:160:20:20", 200, 160, 75},
                      TFilterCase{"ScaleThenCrop", "s=160x120\nvf=crop=100:80", 100, 80, 75},
                      TFilterCase{"Deinterlace", "deinterlace=1", 320, 240, 75},
                      TFilterCase{"DeinterlaceAndFilter", "deinterlace=1\nvf=hflip", 320, 240, 75}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrameConversionTest, UnknownFilterFailsTheRun) {
  const TRun run = Convert(VideoSource(), "", folder_ + "/bad.mp4", "vcodec=mpeg4\nvf=nosuchfilter=1");
  EXPECT_TRUE(run.failed);
  EXPECT_EQ(run.error, "Error opening filters!");
}

TEST_F(FrameConversionTest, TwoPassLibx264WritesAndReadsItsStatistics) {
  const std::string prefix = folder_ + "/x264";
  const std::string options = "vcodec=libx264\nb=200000\nan=1\npasslogfile=" + prefix;
  TRun run = Convert(VideoSource(), "", folder_ + "/pass1.mp4", options + "\npass=1");
  ASSERT_FALSE(run.failed) << run.error;
  ASSERT_TRUE(fs::exists(prefix + "-0.log"));
  EXPECT_GT(fs::file_size(prefix + "-0.log"), 1000u);
  run = Convert(VideoSource(), "", folder_ + "/pass2.mp4", options + "\npass=2");
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_EQ(CountFrames(folder_ + "/pass2.mp4"), 75);
  // The second pass needs the first one's statistics.
  fs::remove(prefix + "-0.log");
  fs::remove(prefix + "-0.log.mbtree");
  run = Convert(VideoSource(), "", folder_ + "/nolog.mp4", options + "\npass=2");
  EXPECT_TRUE(run.failed);
  EXPECT_EQ(run.error,
            "Cannot read file: Error reading log file \"" + prefix + "-0.log\" for pass-2 encoding");
}

// Cue start and duration times of a file's first subtitle stream.
std::string CueTimes(const std::string& path) {
  return RunCommand(
             "ffprobe -v error -select_streams s:0 -show_entries packet=pts_time,duration_time -of "
             "csv=p=0 " +
             ShellQuote(path))
      .output;
}

TEST_F(FrameConversionTest, SubtitlesKeepTheirTimingThroughEncoding) {
  const std::string srt = folder_ + "/cues.srt";
  {
    FILE* file = std::fopen(srt.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("1\n00:00:00,500 --> 00:00:01,500\nHello\n\n2\n00:00:02,000 --> 00:00:02,800\nWorld\n", file);
    std::fclose(file);
  }
  const std::string source = MediaFixture(
      "frames-subtitled.mkv", "-f lavfi -i testsrc2=size=160x120:rate=25:duration=3 -i " + ShellQuote(srt) +
                                  " -c:v libx264 -preset ultrafast -c:s subrip");
  for (const char* codec : {"ass", "subrip"}) {
    const std::string out = folder_ + "/subs-" + codec + ".mkv";
    const TRun run = Convert(source, "", out, std::string("vcodec=copy\nscodec=") + codec);
    ASSERT_FALSE(run.failed) << run.error;
    EXPECT_EQ(ProbeStream(out, "s:0").at("codec_name"), codec);
    EXPECT_EQ(CueTimes(out), "0.500000,1.000000\n2.000000,0.800000\n") << codec;
  }
}

TEST_F(FrameConversionTest, VideoStatisticsFileHasALinePerFrame) {
  const std::string stats = folder_ + "/vstats.log";
  const TRun run =
      Convert(VideoSource(), "", folder_ + "/stats.avi", "vcodec=mpeg4\nan=1\nvstats_file=" + stats);
  ASSERT_FALSE(run.failed) << run.error;
  const auto text = RunCommand("cat " + ShellQuote(stats)).output;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 75);
  EXPECT_EQ(text.rfind("frame=     1 q= ", 0), 0u) << text.substr(0, 200);
  EXPECT_NE(text.find("f_size= "), std::string::npos);
  EXPECT_NE(text.find("type= I\n"), std::string::npos);
  EXPECT_NE(text.find("type= P\n"), std::string::npos);
}

}  // namespace
