#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/QueueMainThread.h"
#include "engine/loader/Av.h"
#include "engine/loader/FFLoader.h"
#include "engine/log/FFLogger.h"
#include "engine/transcoder/ConvertThread.h"
#include "engine/transcoder/CustomFFmpeg.h"
#include "support/EngineErrors.h"
#include "support/Fixtures.h"
#include "support/LogCapture.h"
#include "support/LogLines.h"

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
  EXPECT_TRUE(PlaysCleanly(out));
}

}  // namespace

namespace {

TEST_F(TranscodeTest, AudioOnlyMp3FromAVideoInput) {
  const std::string out = folder_ + "/out.mp3";
  const TRunResult run = Convert({H264AacSource()}, out, "vn=1\nab=128000");
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_TRUE(run.completed);
  EXPECT_EQ(ProbeStream(out, "a:0").at("codec_name"), "mp3");
  EXPECT_TRUE(ProbeStream(out, "v").empty());
  EXPECT_NEAR(Number(ProbeFormat(out), "duration"), 3.0, 0.1);
}

TEST_F(TranscodeTest, StreamCopyToAnotherContainer) {
  const std::string out = folder_ + "/copy.mov";
  const TRunResult run = Convert({H264AacSource()}, out, "vcodec=copy\nacodec=copy");
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_TRUE(run.completed);
  EXPECT_EQ(ProbeStream(out, "v:0").at("codec_name"), "h264");
  EXPECT_EQ(ProbeStream(out, "a:0").at("codec_name"), "aac");
  EXPECT_EQ(CountFrames(out, "v:0"), 75);
  EXPECT_NEAR(Number(ProbeFormat(out), "duration"), 3.0, 0.1);
}

TEST_F(TranscodeTest, TwoInputsJoinIntoOneContinuousFile) {
  const std::string part = H264AacSource(2);
  const std::string out = folder_ + "/joined.mp4";
  TCustomFFmpeg core;
  core.ApplyInputOptionText(part, "", TInputFields{});
  core.ApplyInputOptionText(part, "", TInputFields{});
  core.ApplyOutputOptionText(out, true, "vcodec=libx264\nacodec=aac", TOutputFields{});
  std::vector<int> segments;
  TProgressValues last;
  core.OnProgress = [&segments, &last](TCustomFFmpeg&, const TProgressValues& values) {
    if (segments.empty() || segments.back() != values.FileIndex) segments.push_back(values.FileIndex);
    last = values;
  };
  core.SetProgressInterval(1);
  const TRunResult run = RunCore(core);
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_NEAR(Number(ProbeFormat(out), "duration"), 4.0, 0.1);
  EXPECT_EQ(CountFrames(out, "v:0"), 100);
  EXPECT_NEAR(StreamEnd(out, "v:0"), StreamEnd(out, "a:0"), 0.041);
  // Video timestamps continue across the seam: no gap, no step back.
  const auto packets = RunCommand(
      "ffprobe -v error -select_streams v:0 -show_entries frame=pts_time -of csv=p=0 " + ShellQuote(out));
  std::vector<double> times;
  for (size_t start = 0; start < packets.output.size();) {
    size_t stop = packets.output.find('\n', start);
    if (stop == std::string::npos) stop = packets.output.size();
    if (stop > start) times.push_back(std::atof(packets.output.substr(start, stop - start).c_str()));
    start = stop + 1;
  }
  ASSERT_EQ(times.size(), 100u);
  for (size_t i = 1; i < times.size(); ++i)
    EXPECT_NEAR(times[i] - times[i - 1], 0.04, 0.002) << "frame " << i;
  EXPECT_TRUE(PlaysCleanly(out));
  EXPECT_EQ(segments, (std::vector<int>{0, 1, -1}));
  EXPECT_EQ(last.FrameNumber, 100);
  EXPECT_NEAR(double(last.TotalDuration), 4e6, 1e5);
}

TEST_F(TranscodeTest, RecordingTimeCutsTheOutput) {
  const std::string out = folder_ + "/cut.avi";
  const TRunResult run = Convert({H264AacSource()}, out, "vcodec=mpeg4\nacodec=libmp3lame\nt=1");
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_TRUE(run.completed);
  EXPECT_EQ(CountFrames(out, "v:0"), 25);
  EXPECT_NEAR(StreamEnd(out, "a:0"), 1.0, 0.1);
}

struct TChannelCase {
  const char* name;
  const char* layout;
  int rate;
};

class ChannelConversionTest : public TranscodeTest, public ::testing::WithParamInterface<TChannelCase> {};

TEST_P(ChannelConversionTest, BecomesStereoAtAnotherRate) {
  const TChannelCase& c = GetParam();
  const std::string source =
      MediaFixture(std::string("core-") + c.name + ".wav",
                   std::string("-f lavfi -i sine=frequency=440:sample_rate=") + std::to_string(c.rate) +
                       ":duration=2 -af aformat=channel_layouts=" + c.layout + " -c:a pcm_s16le");
  ASSERT_FALSE(source.empty());
  const std::string out = folder_ + "/stereo.mp3";
  const TRunResult run = Convert({source}, out, "ac=2\nar=22050\nab=64000");
  ASSERT_FALSE(run.failed) << run.error;
  const auto audio = ProbeStream(out, "a:0");
  EXPECT_EQ(audio.at("channels"), "2");
  EXPECT_EQ(audio.at("sample_rate"), "22050");
  EXPECT_NEAR(Number(ProbeFormat(out), "duration"), 2.0, 0.1);
}

INSTANTIATE_TEST_SUITE_P(Layouts, ChannelConversionTest,
                         ::testing::Values(TChannelCase{"surround", "5.1", 48000},
                                           TChannelCase{"mono", "mono", 44100}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TranscodeTest, StopDuringARunWritesAPlayableFile) {
  const std::string source = MediaFixture("core-long.mp4",
                                          "-f lavfi -i testsrc2=size=320x240:rate=25:duration=20 -f lavfi -i "
                                          "sine=duration=20 -c:v libx264 -preset "
                                          "ultrafast -c:a aac");
  const std::string out = folder_ + "/stopped.mp4";
  TCustomFFmpeg core;
  core.ApplyInputOptionText(source, "", TInputFields{});
  core.ApplyOutputOptionText(out, false, "vcodec=libx264\nacodec=aac", TOutputFields{});
  core.SetProgressInterval(1);
  int64_t stoppedAt = 0;
  core.OnProgress = [&stoppedAt](TCustomFFmpeg& sender, const TProgressValues& values) {
    if (values.CurrentDuration > 1000000 && !stoppedAt) {
      stoppedAt = values.CurrentDuration;
      sender.Stop(false);
    }
  };
  TRunResult result;
  std::atomic<bool> ended{false};
  core.OnEnd = [&result, &ended](TCustomFFmpeg& sender) {
    ++result.endCalls;
    result.completed = sender.Completed();
    result.failed = sender.Failed();
    result.error = sender.ErrorMessage();
    ended = true;
  };
  TConvertThread* worker = core.Start(true);
  ASSERT_NE(worker, nullptr);
  worker->Resume();
  for (int i = 0; i < 3000 && !ended; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(ended);
  EXPECT_GT(stoppedAt, 0);
  EXPECT_EQ(result.endCalls, 1);
  EXPECT_FALSE(result.completed);
  EXPECT_FALSE(result.failed) << result.error;
  const double duration = Number(ProbeFormat(out), "duration");
  EXPECT_GT(duration, 0.5);
  EXPECT_LT(duration, 15.0);
  EXPECT_GT(CountFrames(out, "v:0"), 10);
  EXPECT_TRUE(PlaysCleanly(out));
}

TEST_F(TranscodeTest, StartWithoutOutputFailsAtOnce) {
  TCustomFFmpeg core;
  core.ApplyInputOptionText(H264AacSource(), "", TInputFields{});
  TRunResult result;
  core.OnEnd = [&result](TCustomFFmpeg& sender) {
    ++result.endCalls;
    result.failed = sender.Failed();
    result.error = sender.ErrorMessage();
  };
  EXPECT_EQ(core.Start(true), nullptr);
  EXPECT_EQ(result.endCalls, 1);
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(result.error, "At least one output file must be specified");
  EXPECT_TRUE(core.Ended());
  EXPECT_EQ(core.Start(false), nullptr);
  EXPECT_EQ(result.endCalls, 1);
}

TEST_F(TranscodeTest, OutputLeftEmptyByAFailedRunIsDeleted) {
  const std::string out = folder_ + "/rate.avi";
  // MPEG-4 part 2 takes no time base denominator above 65535: the encoder refuses to open.
  const TRunResult run = Convert({H264AacSource()}, out, "vcodec=mpeg4\nr=70000\nacodec=libmp3lame");
  EXPECT_TRUE(run.failed);
  EXPECT_NE(run.error.find("Error while opening encoder for output stream #0.0 (Video)"), std::string::npos)
      << run.error;
  EXPECT_FALSE(fs::exists(out));
}

TEST_F(TranscodeTest, WriteErrorFailsTheRunWithItsText) {
  ASSERT_TRUE(fs::exists("/dev/full"));
  const TRunResult run = Convert({H264AacSource()}, "/dev/full", "f=avi\nvcodec=mpeg4\nacodec=libmp3lame");
  EXPECT_TRUE(run.failed);
  EXPECT_FALSE(run.completed);
  EXPECT_NE(run.error.find("No space left on device"), std::string::npos) << run.error;
  EXPECT_TRUE(fs::exists("/dev/full"));
}

TEST_F(TranscodeTest, ProgressReportsFramesAndTheFinalReport) {
  TCustomFFmpeg core;
  core.ApplyInputOptionText(H264AacSource(), "", TInputFields{});
  core.ApplyOutputOptionText(folder_ + "/p.avi", false, "vcodec=mpeg4\nacodec=libmp3lame", TOutputFields{});
  std::vector<TProgressValues> reports;
  core.SetProgressInterval(1);
  core.OnProgress = [&reports](TCustomFFmpeg&, const TProgressValues& values) { reports.push_back(values); };
  const TRunResult run = RunCore(core);
  ASSERT_FALSE(run.failed) << run.error;
  ASSERT_GE(reports.size(), 2u);
  EXPECT_EQ(reports.front().FileIndex, 0);
  const TProgressValues& last = reports.back();
  EXPECT_EQ(last.FileIndex, -1);
  EXPECT_EQ(last.FrameNumber, 75);
  EXPECT_NEAR(double(last.TotalDuration), 3e6, 1e5);
  EXPECT_NEAR(double(last.CurrentDuration), 3e6, 1.5e5);
  EXPECT_GT(last.CurrentSize, 10000);
  for (size_t i = 1; i < reports.size(); ++i) EXPECT_GE(reports[i].FrameNumber, reports[i - 1].FrameNumber);
}

TEST_F(TranscodeTest, AudioOnlyOutputReportsNoVideo) {
  TCustomFFmpeg core;
  core.ApplyInputOptionText(H264AacSource(), "", TInputFields{});
  core.ApplyOutputOptionText(folder_ + "/a.mp3", false, "vn=1", TOutputFields{});
  TProgressValues last;
  core.OnProgress = [&last](TCustomFFmpeg&, const TProgressValues& values) { last = values; };
  const TRunResult run = RunCore(core);
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_EQ(last.FileIndex, -1);
  EXPECT_EQ(last.FrameNumber, -1);
  EXPECT_EQ(last.FPS, -1);
  EXPECT_FLOAT_EQ(last.Quality, -1.0f);
}

}  // namespace

namespace {

struct TRunErrorCase {
  const char* name;
  const char* extension;
  const char* options;
  const char* message;
};

class RunErrorTest : public TranscodeTest, public ::testing::WithParamInterface<TRunErrorCase> {};

TEST_P(RunErrorTest, FailsAtRunStartWithItsMessage) {
  const TRunErrorCase& c = GetParam();
  const std::string out = folder_ + "/out." + c.extension;
  const TRunResult run = Convert({H264AacSource()}, out, c.options);
  EXPECT_TRUE(run.failed);
  EXPECT_FALSE(run.completed);
  EXPECT_EQ(run.endCalls, 1);
  EXPECT_EQ(run.error, c.message);
  EXPECT_FALSE(fs::exists(out));  // set up but never written: removed
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RunErrorTest,
    ::testing::Values(
        TRunErrorCase{"MapCount", "avi", "vcodec=mpeg4\nacodec=libmp3lame\nmap=0.0",
                      "Number of stream maps must match number of output streams"},
        TRunErrorCase{"MapStream", "avi", "map=0.0\nmap=0.7", "Could not find input stream #0.7"},
        TRunErrorCase{"MapSync", "avi", "map=0.0:0.9\nmap=0.1", "Could not find sync stream #0.9"},
        TRunErrorCase{"MapType", "avi", "map=0.1\nmap=0.0",
                      "Codec type mismatch for mapping #0.1 (Audio) -> #0.0 (Video)"},
        TRunErrorCase{"CopyWithVolume", "mp4", "vn=1\nacodec=copy\nvol=512",
                      "-acodec copy and -vol are incompatible (frames are not decoded)"},
        TRunErrorCase{"NoStream", "avi", "vn=1\nan=1", "Output file #0 does not contain any stream"}),
    [](const auto& info) { return std::string(info.param.name); });

struct TSetupErrorCase {
  const char* name;
  const char* fileName;
  const char* options;
  const char* message;
};

class SetupErrorTest : public TranscodeTest, public ::testing::WithParamInterface<TSetupErrorCase> {};

TEST_P(SetupErrorTest, OutputSetupRaisesItsMessage) {
  const TSetupErrorCase& c = GetParam();
  TCustomFFmpeg core;
  core.ApplyInputOptionText(H264AacSource(), "", TInputFields{});
  const std::string out = folder_ + "/" + c.fileName;
  std::string message = "no error";
  try {
    core.ApplyOutputOptionText(out, false, c.options, TOutputFields{});
  } catch (const FFmpegException& e) {
    message = e.what();
  }
  std::string expected = c.message;
  if (const size_t at = expected.find("%s"); at != std::string::npos) expected.replace(at, 2, out);
  EXPECT_EQ(message, expected);
  EXPECT_EQ(core.OutputFileCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetupErrorTest,
    ::testing::Values(TSetupErrorCase{"UnknownEncoder", "a.avi", "vcodec=nosuch",
                                      "new_video_stream fail: Unknown encoder 'nosuch'"},
                      TSetupErrorCase{"WrongEncoderType", "a.avi", "acodec=mpeg4",
                                      "new_audio_stream fail: Invalid encoder type 'mpeg4'"},
                      TSetupErrorCase{
                          "UnknownFormat", "a.avi", "f=nosuchformat",
                          "Requested output format 'nosuchformat' is not a suitable output format"},
                      TSetupErrorCase{"UnguessableName", "a.nosuchextension", "",
                                      "Unable to find a suitable output format for '%s'"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TranscodeTest, InputErrorsCarryTheirReason) {
  TCustomFFmpeg core;
  const std::string missing = folder_ + "/missing.mp4";
  EXPECT_EQ(ErrorOf([&] { core.ApplyInputOptionText(missing, "", TInputFields{}); }),
            missing + ": No such file or directory");
  EXPECT_EQ(ErrorOf([&] { core.ApplyInputOptionText(H264AacSource(), "vcodec=nosuch", TInputFields{}); }),
            "Unknown decoder 'nosuch'");
  EXPECT_EQ(core.InputFileCount(), 0);
  EXPECT_EQ(core.LastErrorText(), "Unknown decoder 'nosuch'");
}

// A raw input says nothing of its picture: the size, pixel format and rate
// given for it reach the demuxer, and the output takes them over.
TEST_F(TranscodeTest, ForcedRawInputIsReadWithTheGivenSizeFormatAndRate) {
  const std::string source =
      MediaFixture("core-raw-64x48-10fps.yuv",
                   "-f lavfi -i testsrc2=size=64x48:rate=10:duration=1 -f rawvideo -pix_fmt yuv420p");
  ASSERT_FALSE(source.empty());
  const std::string out = folder_ + "/raw.avi";
  const TRunResult run =
      Convert({source}, out, "vcodec=mpeg4", false, "f=rawvideo\ns=64x48\npix_fmt=yuv420p\nr=10");
  ASSERT_FALSE(run.failed) << run.error;
  const auto video = ProbeStream(out, "v:0");
  EXPECT_EQ(Number(video, "width"), 64);
  EXPECT_EQ(Number(video, "height"), 48);
  EXPECT_EQ(CountFrames(out, "v:0"), 10);
  EXPECT_NEAR(StreamEnd(out, "v:0"), 1.0, 0.11);
}

// A refused input consumes its forced format, so the next input is not read as that format.
TEST_F(TranscodeTest, UnknownInputFormatIsRefusedAndNotKeptForTheNextInput) {
  TCustomFFmpeg core;
  EXPECT_EQ(ErrorOf([&] { core.ApplyInputOptionText(H264AacSource(), "f=nosuchformat", TInputFields{}); }),
            "Unknown input format: \"nosuchformat\"");
  EXPECT_EQ(core.InputFileCount(), 0);
  core.ApplyInputOptionText(H264AacSource(), "", TInputFields{});
  EXPECT_EQ(core.InputFileCount(), 1);
}

struct TProgramCase {
  const char* name;
  const char* options;
  const char* error;  // empty: the input opens
};

class TranscodeProgramTest : public TranscodeTest, public ::testing::WithParamInterface<TProgramCase> {};

TEST_P(TranscodeProgramTest, ProgramIdSelectsTheInputsProgram) {
  // One program, service id 7.
  const std::string source =
      MediaFixture("core-program-7.ts",
                   "-f lavfi -i testsrc2=size=64x48:rate=10:duration=1 -c:v mpeg2video -mpegts_service_id 7");
  ASSERT_FALSE(source.empty());
  TCustomFFmpeg core;
  const std::string error = GetParam().error;
  try {
    core.ApplyInputOptionText(source, GetParam().options, TInputFields{});
    EXPECT_TRUE(error.empty()) << "opened with " << GetParam().options;
  } catch (const FFmpegException& e) {
    EXPECT_EQ(std::string(e.what()), error);
  }
  ASSERT_EQ(core.InputFileCount(), error.empty() ? 1 : 0);
  if (error.empty()) {
    EXPECT_NE(core.InputContext(0)->streams[0]->discard, AVDISCARD_ALL);
  }
}

INSTANTIATE_TEST_SUITE_P(Programs, TranscodeProgramTest,
                         ::testing::Values(TProgramCase{"Present", "programid=7", ""},
                                           TProgramCase{"Absent", "programid=8",
                                                        "Specified program id not found"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TranscodeTest, AudioOnlyInputGivesAnAudioOnlyAvi) {
  const std::string source = MediaFixture(
      "core-mono.wav",
      "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 -af aformat=channel_layouts=mono "
      "-c:a pcm_s16le");
  const std::string out = folder_ + "/audio.avi";
  const TRunResult run = Convert({source}, out, "");
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_TRUE(ProbeStream(out, "v").empty());
  EXPECT_EQ(ProbeStream(out, "a:0").at("codec_name"), "mp3");
}

// Codecs the current library builds lack are replaced.
TEST_F(TranscodeTest, MissingCodecsAreReplaced) {
  const std::string faac = folder_ + "/faac.m4a";
  TRunResult run = Convert({H264AacSource()}, faac, "vn=1\nacodec=libfaac");
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_EQ(ProbeStream(faac, "a:0").at("codec_name"), "aac");

  // 3GP's default audio codec (AMR-NB) has no encoder in the Debian build.
  const std::string phone = folder_ + "/phone.3gp";
  run = Convert({H264AacSource()}, phone, "s=176x144\nar=22050\nac=1");
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_EQ(ProbeStream(phone, "v:0").at("codec_name"), "h263");
  EXPECT_EQ(ProbeStream(phone, "a:0").at("codec_name"),
            av::avcodec_find_encoder(AV_CODEC_ID_AMR_NB) ? "amr_nb" : "aac");
}

TEST_F(TranscodeTest, MetadataOptionReachesTheFile) {
  const std::string out = folder_ + "/tagged.mp3";
  const TRunResult run = Convert({H264AacSource()}, out, "vn=1\nmetadata=title=Hello=World");
  ASSERT_FALSE(run.failed) << run.error;
  const auto tags =
      RunCommand("ffprobe -v error -show_entries format_tags=title -of default=nw=1:nk=1 " + ShellQuote(out));
  EXPECT_EQ(tags.output, "Hello=World\n");
}

TEST_F(TranscodeTest, LoopedInputPlaysAgainUntilTheRecordingTime) {
  const std::string out = folder_ + "/looped.avi";
  const TRunResult run =
      Convert({H264AacSource(2)}, out, "vcodec=mpeg4\nacodec=libmp3lame\nt=5", false, "loop_input=1");
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_EQ(CountFrames(out, "v:0"), 125);
  EXPECT_NEAR(StreamEnd(out, "a:0"), 5.0, 0.1);
}

}  // namespace

namespace {

struct TRateCase {
  const char* name;
  const char* options;
  double rate;
  int frames;
  bool duplicates;
  bool drops;
};

class FrameRateSyncTest : public TranscodeTest, public ::testing::WithParamInterface<TRateCase> {};

// A fixed-rate output keeps its rate by duplicating or dropping pictures.
// The decision is made when a picture arrives, so the last one is not
// repeated to fill its time, and a picture is dropped only once the output
// is more than 1.1 frames ahead.
TEST_P(FrameRateSyncTest, DuplicatesOrDropsToKeepTheRate) {
  const TRateCase& c = GetParam();
  TCustomFFmpeg core;
  core.ApplyInputOptionText(H264AacSource(), "", TInputFields{});
  core.ApplyOutputOptionText(folder_ + "/rate.avi", false, std::string("vcodec=mpeg4\nan=1\n") + c.options,
                             TOutputFields{});
  const TRunResult run = RunCore(core);
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_EQ(CountFrames(folder_ + "/rate.avi", "v:0"), c.frames);
  EXPECT_EQ(core.FramesDuplicated() > 0, c.duplicates) << core.FramesDuplicated();
  EXPECT_EQ(core.FramesDropped() > 0, c.drops) << core.FramesDropped();
  EXPECT_NEAR(Number(ProbeFormat(folder_ + "/rate.avi"), "duration"), c.frames / c.rate, 0.01);
}

INSTANTIATE_TEST_SUITE_P(Rates, FrameRateSyncTest,
                         ::testing::Values(TRateCase{"Same", "r=25", 25, 75, false, false},
                                           TRateCase{"Double", "r=50", 50, 148, true, false},
                                           TRateCase{"Lower", "r=10", 10, 31, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TranscodeTest, ShortestEndsWithTheFirstInputThatEnds) {
  const std::string out = folder_ + "/shortest.avi";
  TCustomFFmpeg core;
  core.ApplyInputOptionText(H264AacSource(3), "", TInputFields{});
  core.ApplyInputOptionText(H264AacSource(2), "", TInputFields{});
  core.ApplyOutputOptionText(out, false, "vcodec=mpeg4\nacodec=libmp3lame\nmap=0.0\nmap=1.1\nshortest=1",
                             TOutputFields{});
  const TRunResult run = RunCore(core);
  ASSERT_FALSE(run.failed) << run.error;
  // The video input was read a few pictures ahead when the audio input ended.
  EXPECT_NEAR(StreamEnd(out, "v:0"), 2.0, 0.25);
  EXPECT_NEAR(StreamEnd(out, "a:0"), 2.0, 0.1);
}

TEST_F(TranscodeTest, TerminateBeforeStartGivesTheEndNotification) {
  TCustomFFmpeg core;
  core.ApplyInputOptionText(H264AacSource(), "", TInputFields{});
  core.ApplyOutputOptionText(folder_ + "/never.avi", false, "", TOutputFields{});
  std::atomic<int> ends{0};
  core.OnEnd = [&ends](TCustomFFmpeg& sender) {
    EXPECT_FALSE(sender.Completed());
    EXPECT_FALSE(sender.Failed());
    ++ends;
  };
  core.Terminate(true);
  EXPECT_EQ(ends, 1);
  EXPECT_TRUE(core.Ended());
  EXPECT_EQ(core.Start(false), nullptr);  // an ended core does not start again
  core.Terminate(true);
  EXPECT_EQ(ends, 1);
}

}  // namespace

namespace {

// A worker blocked on a main-thread hand-off must not dead-lock a main
// thread that waits for it to stop.
TEST_F(TranscodeTest, WaitingStopServesTheMainThread) {
  mediaconv::app::TQueueMainThread mainThread;
  TCustomFFmpeg core;
  core.SetMainThread(&mainThread);
  core.ApplyInputOptionText(H264AacSource(), "", TInputFields{});
  core.ApplyOutputOptionText(folder_ + "/handoff.avi", false, "vcodec=mpeg4\nacodec=libmp3lame",
                             TOutputFields{});
  core.SetProgressInterval(1);
  std::atomic<int> served{0};
  std::atomic<bool> reported{false};
  core.OnProgress = [&](TCustomFFmpeg&, const TProgressValues&) {
    reported = true;
    mainThread.InvokeAndWait([&served] { ++served; });
  };
  TConvertThread* worker = core.Start(true);
  ASSERT_NE(worker, nullptr);
  worker->Resume();
  for (int i = 0; i < 3000 && !reported; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  core.Stop(true);
  EXPECT_FALSE(core.Running());
  EXPECT_TRUE(core.Ended());
  EXPECT_GE(served, 1);
}

TEST_F(TranscodeTest, InputStartTimeSkipsTheBeginning) {
  const std::string out = folder_ + "/seek.avi";
  TCustomFFmpeg core;
  TInputFields fields;
  fields.startTime = 1000000;
  core.ApplyInputOptionText(H264AacSource(), "", fields);
  core.ApplyOutputOptionText(out, false, "vcodec=mpeg4\nacodec=libmp3lame", TOutputFields{});
  const TRunResult run = RunCore(core);
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_NEAR(Number(ProbeFormat(out), "duration"), 2.0, 0.1);
  EXPECT_NEAR(StreamEnd(out, "v:0"), 2.0, 0.05);
  EXPECT_EQ(CountFrames(out, "v:0"), 50);
  EXPECT_NEAR(StreamEnd(out, "a:0"), 2.0, 0.1);
}

TEST_F(TranscodeTest, SubtitlesAreCopiedOrConverted) {
  const std::string srt = folder_ + "/cues.srt";
  {
    FILE* file = std::fopen(srt.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("1\n00:00:00,500 --> 00:00:01,500\nHello\n\n2\n00:00:02,000 --> 00:00:02,800\nWorld\n", file);
    std::fclose(file);
  }
  const std::string source =
      MediaFixture("core-subtitled.mkv", "-f lavfi -i testsrc2=size=320x240:rate=25:duration=3 -i " +
                                             ShellQuote(srt) + " -c:v libx264 -preset ultrafast -c:s subrip");
  ASSERT_FALSE(source.empty());
  const std::string copied = folder_ + "/copied.mkv";
  TRunResult run = Convert({source}, copied, "vcodec=copy\nscodec=copy");
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_EQ(ProbeStream(copied, "s:0").at("codec_name"), "subrip");
  const std::string converted = folder_ + "/converted.mp4";
  run = Convert({source}, converted, "vcodec=copy\nscodec=mov_text");
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_EQ(ProbeStream(converted, "s:0").at("codec_name"), "mov_text");
  const auto cues =
      RunCommand("ffprobe -v error -select_streams s:0 -show_entries packet=pts_time -of csv=p=0 " +
                 ShellQuote(converted));
  // The muxer fills the gaps between cues with empty samples.
  EXPECT_NE(cues.output.find("0.500000\n"), std::string::npos) << cues.output;
  EXPECT_NE(cues.output.find("2.000000\n"), std::string::npos) << cues.output;
}

}  // namespace

namespace {

// An owner may free a task from its end handler, on the run's own thread.
TEST_F(TranscodeTest, EndHandlerMayDestroyTheCore) {
  for (const bool threaded : {false, true}) {
    auto* core = new TCustomFFmpeg;
    core->ApplyInputOptionText(H264AacSource(), "", TInputFields{});
    core->ApplyOutputOptionText(folder_ + "/freed.mp3", false, "vn=1", TOutputFields{});
    std::atomic<bool> freed{false};
    core->OnEnd = [&freed](TCustomFFmpeg& sender) {
      EXPECT_TRUE(sender.Completed());
      std::atomic<bool>* done = &freed;  // this handler goes with the core
      delete &sender;
      *done = true;
    };
    if (TConvertThread* worker = core->Start(threaded)) worker->Resume();
    for (int i = 0; i < 3000 && !freed; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(freed) << (threaded ? "threaded" : "on the caller's thread");
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the detached worker finishes
}

}  // namespace

namespace {

TEST_F(TranscodeTest, LogShowsTheMappingProgressAndStatistics) {
  TCustomFFmpeg core;
  core.ApplyInputOptionText(H264AacSource(), "", TInputFields{});
  core.ApplyOutputOptionText(folder_ + "/logged.avi", false,
                             "vcodec=mpeg4\nacodec=libmp3lame\npsnr=1\nqphist=1", TOutputFields{});
  std::vector<std::string> lines;
  TRunResult run;
  {
    TLogCapture log(&core, std::nullopt);
    run = RunCore(core);
    lines = log.Lines();
  }
  ASSERT_FALSE(run.failed) << run.error;
  const auto find = [&lines](const std::string& start) {
    for (const std::string& line : lines)
      if (line.rfind(start, 0) == 0) return line;
    return std::string();
  };
  EXPECT_NE(find("Stream mapping:"), "");
  EXPECT_NE(find("  Stream #0.0 -> #0.0 (Video)"), "");
  EXPECT_NE(find("  Stream #0.1 -> #0.1 (Audio)"), "");
  const std::string final = find("frame=   75 fps=");
  ASSERT_NE(final, "") << "no final report";
  EXPECT_NE(final.find(" L"), std::string::npos) << final;
  EXPECT_NE(final.find("PSNR=Y:"), std::string::npos) << final;
  EXPECT_NE(final.find("size="), std::string::npos) << final;
  const std::string statistics = find("video:");
  EXPECT_NE(statistics.find("kB audio:"), std::string::npos) << statistics;
  EXPECT_NE(statistics.find("muxing overhead"), std::string::npos) << statistics;
}

}  // namespace

namespace {

TEST_F(TranscodeTest, TwoPassEncodingUsesItsLogFile) {
  const std::string prefix = folder_ + "/stats";
  const std::string options = "vcodec=mpeg4\nb=300000\nan=1\npasslogfile=" + prefix;
  TRunResult run = Convert({H264AacSource()}, folder_ + "/pass1.avi", options + "\npass=1");
  ASSERT_FALSE(run.failed) << run.error;
  ASSERT_TRUE(fs::exists(prefix + "-0.log"));
  EXPECT_GT(fs::file_size(prefix + "-0.log"), 1000u);
  const std::string out = folder_ + "/pass2.avi";
  run = Convert({H264AacSource()}, out, options + "\npass=2");
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_EQ(CountFrames(out, "v:0"), 75);

  fs::remove(prefix + "-0.log");
  run = Convert({H264AacSource()}, folder_ + "/nolog.avi", options + "\npass=2");
  EXPECT_TRUE(run.failed);
  EXPECT_EQ(run.error,
            "Cannot read file: Error reading log file \"" + prefix + "-0.log\" for pass-2 encoding");
}

}  // namespace

namespace {

// A picture size that changes in the middle of an input is scaled to the
// encoder's size instead of ending the run.
TEST_F(TranscodeTest, PictureSizeChangeMidStreamIsScaled) {
  const std::string first =
      MediaFixture("core-size-a.ts",
                   "-f lavfi -i testsrc2=size=320x240:rate=25:duration=1 -c:v libx264 -preset ultrafast");
  const std::string second =
      MediaFixture("core-size-b.ts",
                   "-f lavfi -i testsrc2=size=160x120:rate=25:duration=1 -c:v libx264 -preset ultrafast "
                   "-output_ts_offset 1");
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(second.empty());
  const std::string joined = folder_ + "/changing.ts";
  ASSERT_EQ(
      RunCommand("cat " + ShellQuote(first) + " " + ShellQuote(second) + " > " + ShellQuote(joined)).exitCode,
      0);
  const std::string out = folder_ + "/scaled.avi";
  const TRunResult run = Convert({joined}, out, "vcodec=mpeg4");
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_EQ(ProbeStream(out, "v:0").at("width"), "320");
  EXPECT_NEAR(CountFrames(out, "v:0"), 50, 1);
  EXPECT_TRUE(PlaysCleanly(out));
}

}  // namespace

namespace {

TEST_F(TranscodeTest, RunWithNothingToWriteCompletesAndLeavesNoEmptyFile) {
  const std::string out = folder_ + "/nothing.raw";
  const TRunResult run = Convert({H264AacSource()}, out, "f=s16le\nvn=1\nt=0");
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_TRUE(run.completed);
  EXPECT_FALSE(fs::exists(out));
}

}  // namespace

namespace {

// A second output finds the input's streams taken by the first and uses them too.
TEST_F(TranscodeTest, TwoOutputsShareTheInputStreams) {
  TCustomFFmpeg core;
  core.ApplyInputOptionText(H264AacSource(), "", TInputFields{});
  const std::string video = folder_ + "/both.avi";
  const std::string audio = folder_ + "/both.mp3";
  core.ApplyOutputOptionText(video, false, "vcodec=mpeg4\nacodec=libmp3lame", TOutputFields{});
  core.ApplyOutputOptionText(audio, false, "vn=1\nab=64000", TOutputFields{});
  EXPECT_EQ(core.OutputFileCount(), 2);
  const TRunResult run = RunCore(core);
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_EQ(CountFrames(video, "v:0"), 75);
  EXPECT_NEAR(Number(ProbeFormat(audio), "duration"), 3.0, 0.1);
  EXPECT_NEAR(Number(ProbeFormat(video), "duration"), 3.0, 0.1);
}

}  // namespace

namespace {

// Packets ffprobe counts in one stream.
int CountPackets(const std::string& path, const std::string& selector) {
  const auto result =
      RunCommand("ffprobe -v error -count_packets -select_streams " + selector +
                 " -show_entries stream=nb_read_packets -of default=nw=1:nk=1 " + ShellQuote(path));
  return result.exitCode == 0 ? std::atoi(result.output.c_str()) : -1;
}

// The presentation times of one stream's packets, in seconds, in file order.
std::vector<double> PacketTimes(const std::string& path, const std::string& selector) {
  const auto result = RunCommand("ffprobe -v error -select_streams " + selector +
                                 " -show_entries packet=pts_time -of csv=p=0 " + ShellQuote(path));
  std::vector<double> times;
  for (size_t start = 0; start < result.output.size();) {
    size_t stop = result.output.find('\n', start);
    if (stop == std::string::npos) stop = result.output.size();
    if (stop > start) times.push_back(std::atof(result.output.substr(start, stop - start).c_str()));
    start = stop + 1;
  }
  return times;
}

TEST_F(TranscodeTest, TheAudioQueueHandsTheEncoderWholeFrames) {
  // Exactly fifty MP2 frames of 1152 samples: a frame padded by even one
  // sample of silence would make a fifty-first.
  const std::string wav = MediaFixture("core-mp2-frames.wav",
                                       "-f lavfi -i sine=frequency=440:sample_rate=48000 -ac 2 -af "
                                       "atrim=end_sample=57600");
  ASSERT_EQ(ProbeStream(wav, "a:0")["duration_ts"], "57600");
  const std::string out = folder_ + "/frames.mp2";
  const TRunResult run = Convert({wav}, out, "acodec=mp2\nab=192000");
  ASSERT_FALSE(run.failed) << run.error;
  const std::string reference = folder_ + "/reference.mp2";
  ASSERT_EQ(RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(wav) + " -c:a mp2 -b:a 192k " +
                       ShellQuote(reference))
                .exitCode,
            0);
  EXPECT_EQ(CountPackets(out, "a:0"), CountPackets(reference, "a:0"));
  EXPECT_EQ(CountPackets(out, "a:0"), 50);
}

TEST_F(TranscodeTest, AnOutputStartTimeWithARecordingTimeKeepsTheSpanAfterTheStart) {
  const std::string out = folder_ + "/span.avi";
  const TRunResult run = Convert({H264AacSource()}, out, "vcodec=mpeg4\nacodec=libmp3lame\nss=1\nt=1");
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_EQ(CountFrames(out, "v:0"), 25);
  EXPECT_NEAR(StreamEnd(out, "a:0"), 1.0, 0.1);
}

TEST_F(TranscodeTest, StreamCopyRescalesTimestampsBetweenTimeBases) {
  // Matroska counts in milliseconds, MP4 in its own track time base.
  const std::string mkv = MediaFixture("core-h264-aac-3s.mkv",
                                       "-f lavfi -i testsrc2=size=320x240:rate=25:duration=3 -f lavfi -i "
                                       "sine=frequency=440:sample_rate=44100:duration=3 "
                                       "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -b:a 96k");
  const std::string out = folder_ + "/copy.mp4";
  const TRunResult run = Convert({mkv}, out, "vcodec=copy\nacodec=copy");
  ASSERT_FALSE(run.failed) << run.error;
  EXPECT_NE(ProbeStream(out, "v:0")["time_base"], ProbeStream(mkv, "v:0")["time_base"]);
  EXPECT_NEAR(Number(ProbeFormat(out), "duration"), 3.0, 0.1);
  std::vector<double> times = PacketTimes(out, "v:0");
  ASSERT_EQ(times.size(), 75u);
  std::sort(times.begin(), times.end());
  for (size_t i = 1; i < times.size(); ++i)
    EXPECT_NEAR(times[i] - times[i - 1], 0.04, 0.002) << "frame " << i;
}

TEST_F(TranscodeTest, AnOutputThatCannotBeOpenedSaysWhy) {
  const std::string out = folder_ + "/no/such/folder/out.avi";
  TCustomFFmpeg core;
  core.ApplyInputOptionText(H264AacSource(), "", TInputFields{});
  EXPECT_EQ(ErrorOf([&] {
              core.ApplyOutputOptionText(out, false, "vcodec=mpeg4\nacodec=libmp3lame", TOutputFields{});
            }),
            out + ": No such file or directory");
  EXPECT_EQ(core.OutputFileCount(), 0);
}

}  // namespace
