#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/loader/FFLoader.h"
#include "engine/transcoder/CustomFFmpeg.h"
#include "support/Fixtures.h"

using namespace mediaconv::engine;
using namespace mediaconv::test;
namespace fs = std::filesystem;

namespace {

// 320x240 at 25 fps, 44.1 kHz audio, 3 s (or 2 s) long.
std::string H264AacSource(int seconds = 3) {
  const std::string s = std::to_string(seconds);
  return MediaFixture("core-h264-aac-" + s + "s.mp4",
                      "-f lavfi -i testsrc2=size=320x240:rate=25:duration=" + s +
                          " -f lavfi -i sine=frequency=440:sample_rate=44100:duration=" + s +
                          " -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -b:a 96k");
}

// Frames ffprobe decodes from one stream ("v:0", "a:0").
int CountFrames(const std::string& path, const std::string& selector) {
  const auto result =
      RunCommand("ffprobe -v error -count_frames -select_streams " + selector +
                 " -show_entries stream=nb_read_frames -of default=nw=1:nk=1 " + ShellQuote(path));
  return result.exitCode == 0 ? std::atoi(result.output.c_str()) : -1;
}

// End time (start + duration) of one stream, from its packets.
double StreamEnd(const std::string& path, const std::string& selector) {
  const auto result =
      RunCommand("ffprobe -v error -select_streams " + selector +
                 " -show_entries packet=pts_time,duration_time -of csv=p=0 " + ShellQuote(path));
  double end = 0;
  size_t start = 0;
  while (start < result.output.size()) {
    size_t stop = result.output.find('\n', start);
    if (stop == std::string::npos) stop = result.output.size();
    const std::string line = result.output.substr(start, stop - start);
    const size_t comma = line.find(',');
    if (comma != std::string::npos)
      end =
          std::max(end, std::atof(line.substr(0, comma).c_str()) + std::atof(line.substr(comma + 1).c_str()));
    start = stop + 1;
  }
  return end;
}

double Number(const std::map<std::string, std::string>& values, const std::string& key) {
  const auto found = values.find(key);
  return found == values.end() ? std::nan("") : std::atof(found->second.c_str());
}

struct TRunResult {
  bool completed = false;
  bool failed = false;
  std::string error;
  int endCalls = 0;
};

TRunResult RunCore(TCustomFFmpeg& core) {
  TRunResult result;
  core.OnEnd = [&result](TCustomFFmpeg& sender) {
    ++result.endCalls;
    result.completed = sender.Completed();
    result.failed = sender.Failed();
    result.error = sender.ErrorMessage();
  };
  core.Start(false);
  return result;
}

// One conversion: inputs with their option texts, one output with its text.
TRunResult Convert(const std::vector<std::string>& inputs, const std::string& output,
                   const std::string& outputOptions, bool join = false,
                   const std::string& inputOptions = "") {
  TCustomFFmpeg core;
  for (const std::string& input : inputs) core.ApplyInputOptionText(input, inputOptions, TInputFields{});
  core.ApplyOutputOptionText(output, join, outputOptions, TOutputFields{});
  return RunCore(core);
}

class TranscodeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(TFFLoader::Instance().LoadLibraries(EngineLibraries))
        << TFFLoader::Instance().LastErrorText();
  }
  std::string folder_ = TempFolder("transcode");
};

TEST_F(TranscodeTest, H264AacMp4ToMpeg4Mp3Avi) {
  const std::string source = H264AacSource();
  ASSERT_FALSE(source.empty());
  const std::string out = folder_ + "/out.avi";
  const TRunResult run = Convert({source}, out, "vcodec=mpeg4\nacodec=libmp3lame\nb=800000\nab=128000");
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_TRUE(run.completed);
  EXPECT_EQ(run.endCalls, 1);
  const auto video = ProbeStream(out, "v:0");
  const auto audio = ProbeStream(out, "a:0");
  EXPECT_EQ(video.at("codec_name"), "mpeg4");
  EXPECT_EQ(video.at("width"), "320");
  EXPECT_EQ(audio.at("codec_name"), "mp3");
  EXPECT_NEAR(Number(ProbeFormat(out), "duration"), 3.0, 0.1);
  EXPECT_EQ(CountFrames(out, "v:0"), 75);
  EXPECT_NEAR(StreamEnd(out, "v:0"), StreamEnd(out, "a:0"), 0.04);
}

}  // namespace
