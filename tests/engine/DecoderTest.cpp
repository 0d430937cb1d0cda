#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "engine/common/AvHandles.h"
#include "engine/common/UnicodeProtocol.h"
#include "engine/loader/Av.h"
#include "engine/loader/FFLoader.h"
#include "engine/log/FFLogger.h"
#include "engine/prober/FFDecoder.h"
#include "support/Fixtures.h"

namespace fs = std::filesystem;
using namespace mediaconv::engine;
using mediaconv::test::MediaFixture;
using mediaconv::test::ProbeFormat;
using mediaconv::test::ProbeStream;
using mediaconv::test::RunCommand;
using mediaconv::test::ShellQuote;
using mediaconv::test::TempFolder;

namespace {

constexpr int64_t kNoValue = std::numeric_limits<int64_t>::min();

std::string AvFile() {
  return MediaFixture(
      "prober_av.mp4",
      "-f lavfi -i testsrc2=size=160x120:rate=25:duration=2 "
      "-f lavfi -i sine=frequency=440:duration=2 -c:v libx264 -g 10 -pix_fmt yuv420p -c:a aac "
      "-metadata title=Probe -metadata artist=Someone -metadata date=2009-04-01 "
      "-metadata track=3/12 -metadata genre=Test -metadata comment=Hello");
}
std::string AudioFile() {
  return MediaFixture("prober_audio.wav", "-f lavfi -i sine=frequency=440:duration=1");
}
std::string RawH264File() {
  return MediaFixture("prober_raw.h264", "-f lavfi -i testsrc2=size=96x64:rate=25:duration=1 -c:v libx264");
}
std::string PngFile() {
  return MediaFixture("prober_still.png", "-f lavfi -i testsrc2=size=64x48 -frames:v 1");
}
std::string JpegFile() {
  return MediaFixture("prober_still.jpg", "-f lavfi -i testsrc2=size=64x48 -frames:v 1");
}

int64_t ProbedMicroseconds(const std::string& seconds) { return std::llround(std::stod(seconds) * 1e6); }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// The first picture of a file as ffmpeg turns it into BGR24, row after row.
std::string FfmpegFirstPictureBgr(const std::string& path) {
  return RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(path) +
                    " -frames:v 1 -f rawvideo -pix_fmt bgr24 -")
      .output;
}

// Mean absolute difference between a bitmap and packed BGR24 rows.
double MeanDifference(const TBitmap& bitmap, const std::string& bgr) {
  const size_t rowBytes = size_t(bitmap.Width) * 3;
  if (bgr.size() != rowBytes * size_t(bitmap.Height)) return 1e9;
  double sum = 0;
  for (int row = 0; row < bitmap.Height; ++row)
    for (size_t i = 0; i < rowBytes; ++i)
      sum += std::abs(int(bitmap.Bits[size_t(row) * size_t(bitmap.Stride) + i]) -
                      int(uint8_t(bgr[size_t(row) * rowBytes + i])));
  return sum / double(bgr.size());
}

struct TLogLine {
  const void* sender;
  TLogLevel level;
  std::string text;
};

class DecoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TFFLogger& logger = TFFLogger::DefaultLogger();
    logger.SetLogLevel(llInfo);
    logger.OnLog = [this](const void* sender, uint32_t, TLogLevel level, const std::string& text) {
      lines_.push_back({sender, level, text});
    };
  }
  void TearDown() override { TFFLogger::DefaultLogger().OnLog = nullptr; }

  // The level at which the decoder logged text last; -1 when it did not.
  int LoggedLevel(const TCustomDecoder& decoder, const std::string& text) const {
    for (auto line = lines_.rbegin(); line != lines_.rend(); ++line)
      if (line->sender == &decoder && line->text == text) return line->level;
    return -1;
  }

  std::vector<TLogLine> lines_;
};

TEST_F(DecoderTest, DescribesAFileWithVideoAndAudio) {
  const std::string path = AvFile();
  ASSERT_FALSE(path.empty());
  TFFDecoder decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastError();

  EXPECT_EQ(decoder.StreamCount(), 2);
  EXPECT_EQ(decoder.ProgramCount(), 0);
  EXPECT_EQ(decoder.VideoStreamCount(), 1);
  EXPECT_EQ(decoder.AudioStreamCount(), 1);
  EXPECT_EQ(decoder.SubtitleStreamCount(), 0);
  EXPECT_EQ(decoder.FirstVideoStream(), 0);
  EXPECT_EQ(decoder.FirstAudioStream(), 1);
  EXPECT_EQ(decoder.FirstSubtitleStream(), -1);
  EXPECT_EQ(decoder.CurrentStream(), 0);
  EXPECT_EQ(decoder.FileSize(), int64_t(fs::file_size(path)));
  EXPECT_EQ(decoder.GetFileName(), path);
  EXPECT_EQ(decoder.ForcedFormat(), "");

  const auto format = ProbeFormat(path);
  TFileStreamInfo file;
  ASSERT_TRUE(decoder.GetFileStreamInfo(file));
  EXPECT_EQ(file.StartTime, ProbedMicroseconds(format.at("start_time")));
  EXPECT_EQ(file.Duration, ProbedMicroseconds(format.at("duration")));
  EXPECT_EQ(file.BitRate, std::stoi(format.at("bit_rate")));
  EXPECT_EQ(file.Title, "Probe");
  EXPECT_EQ(file.Author, "Someone");
  EXPECT_EQ(file.Comment, "Hello");
  EXPECT_EQ(file.Genre, "Test");
  EXPECT_EQ(file.Album, "");
  EXPECT_EQ(file.Copyright, "");
  EXPECT_EQ(file.Year, 2009);
  EXPECT_EQ(file.Track, 3);
  EXPECT_EQ(file.Timestamp, 0);

  const auto probedVideo = ProbeStream(path, "v:0");
  TVideoStreamInfo video;
  ASSERT_TRUE(decoder.GetVideoStreamInfo(-1, video)) << decoder.LastError();
  EXPECT_EQ(video.Codec.rfind("h264", 0), 0u) << video.Codec;
  EXPECT_EQ(video.Language, "und");
  EXPECT_EQ(video.Width, 160);
  EXPECT_EQ(video.Height, 120);
  EXPECT_FLOAT_EQ(video.AspectRatio, 160.0f / 120.0f);
  EXPECT_EQ(video.PixelFormat, AV_PIX_FMT_YUV420P);
  EXPECT_EQ(video.FrameRateNum, 25);
  EXPECT_EQ(video.FrameRateDen, 1);
  EXPECT_EQ(video.BitRate, std::stoi(probedVideo.at("bit_rate")));
  EXPECT_EQ(video.StartTimeUs, ProbedMicroseconds(probedVideo.at("start_time")));
  EXPECT_EQ(video.DurationUs, ProbedMicroseconds(probedVideo.at("duration")));
  EXPECT_EQ(video.Duration, std::stoll(probedVideo.at("duration_ts")));

  const auto probedAudio = ProbeStream(path, "a:0");
  TAudioStreamInfo audio;
  ASSERT_TRUE(decoder.GetAudioStreamInfo(-1, audio)) << decoder.LastError();
  EXPECT_EQ(audio.Codec.rfind("aac", 0), 0u) << audio.Codec;
  EXPECT_EQ(audio.Channels, std::stoi(probedAudio.at("channels")));
  EXPECT_EQ(audio.SampleRate, std::stoi(probedAudio.at("sample_rate")));
  EXPECT_EQ(audio.SampleFormat, AV_SAMPLE_FMT_FLTP);
  EXPECT_EQ(audio.DurationUs, ProbedMicroseconds(probedAudio.at("duration")));
  EXPECT_EQ(audio.BitRate, std::stoi(probedAudio.at("bit_rate")));
}

TEST_F(DecoderTest, NothingOpenReportsFileNotLoaded) {
  TFFDecoder decoder;
  EXPECT_EQ(decoder.StreamCount(), -1);
  EXPECT_EQ(decoder.FileSize(), -1);
  EXPECT_EQ(decoder.FirstVideoStream(), -1);
  EXPECT_EQ(decoder.CurrentStream(), -1);

  TFileStreamInfo file;
  file.Title = "stale";
  file.BitRate = 5;
  EXPECT_FALSE(decoder.GetFileStreamInfo(file));
  EXPECT_EQ(file.Title, "");
  EXPECT_EQ(file.BitRate, -1);
  EXPECT_EQ(file.Duration, -1);
  EXPECT_EQ(decoder.LastError(), "file not loaded.");
  EXPECT_EQ(LoggedLevel(decoder, "file not loaded."), llWarning);

  TVideoStreamInfo video;
  EXPECT_FALSE(decoder.GetVideoStreamInfo(-1, video));
  EXPECT_EQ(video.Width, -1);
  EXPECT_EQ(decoder.GetFileName(), "");
  EXPECT_FALSE(decoder.Seek(0, 0));
  EXPECT_FALSE(decoder.DecodeNextFrame(-1));
  EXPECT_EQ(decoder.LastError(), "file not loaded.");
}

TEST_F(DecoderTest, StreamChoiceErrors) {
  const std::string path = AvFile();
  TFFDecoder decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastError();
  struct {
    bool video;
    int index;
    const char* error;
  } const cases[] = {
      {true, 2, "stream index #2 is invalid."},    {true, -2, "stream index #-2 is invalid."},
      {true, 1, "stream #1 is not video stream."}, {false, 0, "stream #0 is not audio stream."},
      {false, 7, "stream index #7 is invalid."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    bool ok = true;
    if (c.video) {
      TVideoStreamInfo info;
      ok = decoder.GetVideoStreamInfo(c.index, info);
      EXPECT_EQ(info.Width, -1);
      EXPECT_EQ(info.Codec, "");
      EXPECT_FLOAT_EQ(info.AspectRatio, -1.0f);
    } else {
      TAudioStreamInfo info;
      ok = decoder.GetAudioStreamInfo(c.index, info);
      EXPECT_EQ(info.Channels, -1);
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(decoder.LastError(), c.error);
    EXPECT_EQ(LoggedLevel(decoder, c.error), llError);
  }
  EXPECT_FALSE(decoder.DecodeNextFrame(1));
  EXPECT_EQ(decoder.LastError(), "stream #1 is not video stream.");
  EXPECT_FALSE(decoder.DecodeNextFrame(9));
  EXPECT_EQ(decoder.LastError(), "stream index #9 is invalid.");
}

TEST_F(DecoderTest, AudioOnlyFileHasNoVideo) {
  const std::string path = AudioFile();
  TFFDecoder decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastError();
  EXPECT_EQ(decoder.FirstVideoStream(), -1);
  EXPECT_EQ(decoder.VideoStreamCount(), 0);
  EXPECT_EQ(decoder.FirstAudioStream(), 0);
  EXPECT_EQ(decoder.CurrentStream(), 0);

  TVideoStreamInfo video;
  EXPECT_FALSE(decoder.GetVideoStreamInfo(-1, video));
  EXPECT_EQ(video.Width, -1);
  EXPECT_EQ(video.DurationUs, -1);
  EXPECT_EQ(video.FrameRateNum, -1);
  EXPECT_EQ(decoder.LastError(), "no video stream.");
  EXPECT_EQ(LoggedLevel(decoder, "no video stream."), llError);

  TAudioStreamInfo audio;
  ASSERT_TRUE(decoder.GetAudioStreamInfo(-1, audio));
  EXPECT_EQ(audio.SampleRate, 44100);
  EXPECT_EQ(audio.Channels, 1);
  EXPECT_EQ(audio.SampleFormat, AV_SAMPLE_FMT_S16);
  EXPECT_EQ(audio.Codec.rfind("pcm_s16le", 0), 0u) << audio.Codec;

  // Seeking works on the audio stream; there is nothing to decode.
  EXPECT_TRUE(decoder.Seek(0, 500000)) << decoder.LastError();
  EXPECT_FALSE(decoder.DecodeNextFrame(-1));
  EXPECT_EQ(decoder.LastError(), "no video stream.");
}

TEST_F(DecoderTest, RawStreamWithoutDurationReportsMinusOne) {
  const std::string path = RawH264File();
  TFFDecoder decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastError();
  TFileStreamInfo file;
  ASSERT_TRUE(decoder.GetFileStreamInfo(file));
  EXPECT_EQ(file.Duration, -1);
  EXPECT_EQ(file.StartTime, -1);
  TVideoStreamInfo video;
  ASSERT_TRUE(decoder.GetVideoStreamInfo(-1, video));
  EXPECT_EQ(video.Duration, kNoValue);  // the raw field keeps the library's value
  EXPECT_EQ(video.DurationUs, -1);
  EXPECT_EQ(video.StartTimeUs, -1);
  EXPECT_EQ(video.Width, 96);
  EXPECT_EQ(decoder.StartOffset(), 0);

  // Its pictures still decode, all of them.
  int pictures = 0;
  while (decoder.DecodeNextFrame(-1)) ++pictures;
  EXPECT_EQ(pictures, 25);
  EXPECT_TRUE(decoder.EndOfStream());

  // Without an index the way back to the start is by bytes; both ways decode it all again.
  for (int flags : {0, TFFDecoder::kSeekByte}) {
    SCOPED_TRACE(flags);
    ASSERT_TRUE(decoder.Seek(flags, 0)) << decoder.LastError();
    pictures = 0;
    while (decoder.DecodeNextFrame(-1)) ++pictures;
    EXPECT_EQ(pictures, 25);
  }
}

TEST_F(DecoderTest, ForcedFormat) {
  TFFDecoder decoder;
  ASSERT_TRUE(decoder.LoadFile(RawH264File(), "h264")) << decoder.LastError();
  EXPECT_EQ(decoder.ForcedFormat(), "h264");
  decoder.CloseFile();
  EXPECT_EQ(decoder.ForcedFormat(), "");

  EXPECT_FALSE(decoder.LoadFile(AvFile(), "no_such_format"));
  EXPECT_EQ(decoder.LastError(), "Unknown input format: no_such_format");
  EXPECT_EQ(LoggedLevel(decoder, decoder.LastError()), -1);  // recorded, not logged
  EXPECT_EQ(decoder.StreamCount(), -1);
}

TEST_F(DecoderTest, DecodesEveryPictureInOrderToTheEnd) {
  const std::string path = AvFile();
  TFFDecoder decoder;
  ASSERT_TRUE(decoder.LoadFile(path));
  int pictures = 0;
  int64_t previous = -1;
  while (decoder.DecodeNextFrame(-1)) {
    EXPECT_EQ(decoder.FrameTime(), int64_t(pictures) * 40000) << pictures;
    EXPECT_GT(decoder.FrameTime(), previous);
    previous = decoder.FrameTime();
    ++pictures;
  }
  // The decoder is drained at the end, so the delayed last pictures come out too.
  EXPECT_EQ(pictures, std::stoi(ProbeStream(path, "v:0").at("nb_frames")));
  EXPECT_TRUE(decoder.EndOfStream());
  EXPECT_EQ(decoder.LastError(), "stream eof reached.");
  EXPECT_EQ(LoggedLevel(decoder, "stream eof reached."), llInfo);
  EXPECT_FALSE(decoder.DecodeNextFrame(-1));

  // A seek clears the end and decoding starts over.
  ASSERT_TRUE(decoder.Seek(0, 0)) << decoder.LastError();
  EXPECT_FALSE(decoder.EndOfStream());
  ASSERT_TRUE(decoder.DecodeNextFrame(-1));
  EXPECT_EQ(decoder.FrameTime(), 0);
}

TEST_F(DecoderTest, SeekToStartAndMiddle) {
  const std::string path = AvFile();
  TFFDecoder decoder;
  ASSERT_TRUE(decoder.LoadFile(path));
  TFileStreamInfo file;
  ASSERT_TRUE(decoder.GetFileStreamInfo(file));

  // Key frames every 10 pictures (0.4 s): the seek lands on the one nearest the middle.
  ASSERT_TRUE(decoder.Seek(0, file.Duration / 2)) << decoder.LastError();
  ASSERT_TRUE(decoder.DecodeNextFrame(decoder.FirstVideoStream())) << decoder.LastError();
  EXPECT_GE(decoder.FrameTime(), 800000);
  EXPECT_LE(decoder.FrameTime(), 1200000);
  EXPECT_TRUE(decoder.KeyFrame());
  EXPECT_EQ(decoder.PictureType(), AV_PICTURE_TYPE_I);
  const int64_t middle = decoder.FrameTime();

  for (int64_t start : {int64_t(0), int64_t(-5000000)}) {
    SCOPED_TRACE(start);
    ASSERT_TRUE(decoder.Seek(0, start)) << decoder.LastError();
    EXPECT_FALSE(decoder.PictureReady());
    ASSERT_TRUE(decoder.DecodeNextFrame(-1));
    EXPECT_EQ(decoder.FrameTime(), 0);
    EXPECT_TRUE(decoder.KeyFrame());
  }

  // The picture at the start is the one ffmpeg decodes first.
  TBitmap bitmap;
  ASSERT_TRUE(decoder.CopyFrameToBitmap(bitmap));
  EXPECT_EQ(bitmap.Width, 160);
  EXPECT_EQ(bitmap.Height, 120);
  EXPECT_EQ(bitmap.BitsPerPixel, 24);
  const std::string first = FfmpegFirstPictureBgr(path);
  EXPECT_LT(MeanDifference(bitmap, first), 2.0);

  // And the middle one is not.
  ASSERT_TRUE(decoder.Seek(0, middle));
  ASSERT_TRUE(decoder.DecodeNextFrame(-1));
  EXPECT_EQ(decoder.FrameTime(), middle);
  ASSERT_TRUE(decoder.CopyFrameToBitmap(bitmap));
  EXPECT_GT(MeanDifference(bitmap, first), 5.0);
}

TEST_F(DecoderTest, SeekCountsFromTheStartOfAStreamThatStartsLate) {
  // MPEG-TS streams start at 1.4 s; positions and picture times count from there.
  const std::string path =
      MediaFixture("prober_av.ts", "-f lavfi -i testsrc2=size=160x120:rate=25:duration=2 -c:v libx264 -g 10");
  TFFDecoder decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastError();
  TVideoStreamInfo video;
  ASSERT_TRUE(decoder.GetVideoStreamInfo(-1, video));
  EXPECT_EQ(video.StartTimeUs, ProbedMicroseconds(ProbeStream(path, "v:0").at("start_time")));
  EXPECT_GT(decoder.StartOffset(), 0);
  EXPECT_EQ(decoder.StartOffset(), video.StartTime);

  ASSERT_TRUE(decoder.DecodeNextFrame(-1));
  EXPECT_EQ(decoder.FrameTime(), 0);
  ASSERT_TRUE(decoder.Seek(0, 1000000)) << decoder.LastError();
  ASSERT_TRUE(decoder.DecodeNextFrame(-1));
  EXPECT_GE(decoder.FrameTime(), 800000);
  EXPECT_LE(decoder.FrameTime(), 1200000);
  ASSERT_TRUE(decoder.Seek(0, 0)) << decoder.LastError();
  ASSERT_TRUE(decoder.DecodeNextFrame(-1));
  EXPECT_EQ(decoder.FrameTime(), 0);
}

TEST_F(DecoderTest, DebugLinesTraceSeeksAndPictures) {
  TFFDecoder decoder;
  ASSERT_TRUE(decoder.LoadFile(AvFile()));
  TFFLogger::DefaultLogger().SetLogLevel(llDebug);
  ASSERT_TRUE(decoder.Seek(0, 0));
  ASSERT_TRUE(decoder.DecodeNextFrame(-1));
  TFFLogger::DefaultLogger().SetLogLevel(llInfo);
  std::vector<std::string> own;
  for (const auto& line : lines_)
    if (line.sender == &decoder && line.level == llDebug) own.push_back(line.text);
  ASSERT_EQ(own.size(), 4u);
  EXPECT_EQ(own[0].rfind("current position ", 0), 0u) << own[0];
  EXPECT_EQ(own[1].rfind("seek to position ", 0), 0u) << own[1];
  EXPECT_EQ(own[2].rfind("pkt.st_idx=0, dts=", 0), 0u) << own[2];
  EXPECT_NE(own[2].find(", pict_type=1"), std::string::npos) << own[2];
  EXPECT_EQ(own[3], "decode PTS: 0.000");
}

TEST_F(DecoderTest, SeekToTheMiddleOfAClipWithOneKeyFrame) {
  const std::string path = MediaFixture(
      "prober_onekey.mp4",
      "-f lavfi -i testsrc2=size=160x120:rate=25:duration=2 -c:v libx264 -g 1000 -sc_threshold 0");
  TFFDecoder decoder;
  ASSERT_TRUE(decoder.LoadFile(path));
  // There is no key frame after the middle: the one before it is taken.
  ASSERT_TRUE(decoder.Seek(0, 1000000)) << decoder.LastError();
  EXPECT_FALSE(decoder.EndOfStream());
  ASSERT_TRUE(decoder.DecodeNextFrame(-1)) << decoder.LastError();
  EXPECT_EQ(decoder.FrameTime(), 0);
  EXPECT_TRUE(decoder.KeyFrame());
}

TEST_F(DecoderTest, SeekBeyondTheEndLandsOnTheLastKeyFrame) {
  TFFDecoder decoder;
  ASSERT_TRUE(decoder.LoadFile(AvFile()));
  ASSERT_TRUE(decoder.Seek(0, 100000000)) << decoder.LastError();
  ASSERT_TRUE(decoder.DecodeNextFrame(-1));
  EXPECT_EQ(decoder.FrameTime(), 1600000);
  EXPECT_TRUE(decoder.KeyFrame());
}

TEST_F(DecoderTest, FailedSeeksSayWhere) {
  struct {
    std::string path;
    int flags;
    int64_t position;
    const char* error;
  } const cases[] = {
      {AvFile(), TFFDecoder::kSeekByte, 100,
       "could not seek to position 100 bytes"},  // MP4 has no byte seeking
      {RawH264File(), 0, 500000,
       "could not seek to position 0.500 seconds"},  // nor a raw stream time seeking
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    TFFDecoder decoder;
    ASSERT_TRUE(decoder.LoadFile(c.path));
    EXPECT_FALSE(decoder.Seek(c.flags, c.position));
    EXPECT_EQ(LoggedLevel(decoder, c.error), llError);
  }
}

TEST_F(DecoderTest, CopyFrameToBitmapBeforeADecodeLeavesTheBitmap) {
  TFFDecoder decoder;
  ASSERT_TRUE(decoder.LoadFile(AvFile()));
  TBitmap bitmap;
  bitmap.Width = 3;
  bitmap.Height = 2;
  bitmap.Bits.assign(12, 0xAB);
  EXPECT_FALSE(decoder.CopyFrameToBitmap(bitmap));
  EXPECT_EQ(decoder.LastError(), "picture not ready, please decode first");
  EXPECT_EQ(LoggedLevel(decoder, decoder.LastError()), llError);
  EXPECT_EQ(bitmap.Width, 3);
  EXPECT_EQ(bitmap.Bits, std::vector<uint8_t>(12, 0xAB));

  // A seek drops the held picture again.
  ASSERT_TRUE(decoder.DecodeNextFrame(-1));
  ASSERT_TRUE(decoder.Seek(0, 0));
  EXPECT_FALSE(decoder.CopyFrameToBitmap(bitmap));
}

TEST_F(DecoderTest, StillImagesDecodeOnceAndDoNotSeek) {
  struct {
    std::string path;
    double tolerance;  // JPEG's chroma is resampled, PNG's pixels are exact
  } const stills[] = {{PngFile(), 0.0}, {JpegFile(), 3.0}};
  for (const auto& still : stills) {
    SCOPED_TRACE(still.path);
    TFFDecoder decoder;
    ASSERT_TRUE(decoder.LoadFile(still.path)) << decoder.LastError();
    EXPECT_EQ(decoder.FirstVideoStream(), 0);
    EXPECT_FALSE(decoder.Seek(0, 0));
    EXPECT_EQ(decoder.LastError(), "\"image2\" format cannot to be seeked.");
    EXPECT_EQ(LoggedLevel(decoder, decoder.LastError()), llInfo);

    ASSERT_TRUE(decoder.DecodeNextFrame(-1)) << decoder.LastError();
    // A second decode returns the held picture; reading on would hit the end.
    EXPECT_TRUE(decoder.DecodeNextFrame(-1));
    EXPECT_FALSE(decoder.EndOfStream());
    TBitmap bitmap;
    ASSERT_TRUE(decoder.CopyFrameToBitmap(bitmap));
    EXPECT_EQ(bitmap.Width, 64);
    EXPECT_EQ(bitmap.Height, 48);
    EXPECT_LE(MeanDifference(bitmap, FfmpegFirstPictureBgr(still.path)), still.tolerance);
  }
}

TEST_F(DecoderTest, NamesWithAnyCharactersOpen) {
  const std::string folder = TempFolder("prober");
  for (const std::string name : {"视频测试🎬.mp4", "a:b.mp4", "with space 'quote'.mp4"}) {
    SCOPED_TRACE(name);
    const std::string path = folder + "/" + name;
    fs::copy_file(AvFile(), path);
    TFFDecoder decoder;
    ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastError();
    EXPECT_EQ(decoder.GetFileName(), path);
    EXPECT_EQ(decoder.FileSize(), int64_t(fs::file_size(path)));
    ASSERT_TRUE(decoder.Seek(0, 1000000));
    ASSERT_TRUE(decoder.DecodeNextFrame(-1));
    TBitmap bitmap;
    EXPECT_TRUE(decoder.CopyFrameToBitmap(bitmap));
  }
  // Opened as a unicode: URL the name reads back plain; given to LoadFile
  // such a text is a file name like any other, not a URL.
  const std::string path = folder + "/视频测试🎬.mp4";
  int error = 0;
  TInputFormatPtr input = OpenInput(std::string(kUnicodeURLPrefix) + path, nullptr, nullptr, &error);
  ASSERT_TRUE(input) << error;
  TFFDecoder decoder;
  decoder.AttachContext(input.get());
  EXPECT_EQ(decoder.GetFileName(), path);
  EXPECT_EQ(decoder.FileSize(), int64_t(fs::file_size(path)));
  decoder.CloseFile();
  EXPECT_FALSE(decoder.LoadFile(std::string(kUnicodeURLPrefix) + path));
  EXPECT_EQ(decoder.LastError(), std::string(kUnicodeURLPrefix) + path + ": No such file or directory");
}

TEST_F(DecoderTest, DecodeStreamIsKeptUntilAnotherIsChosen) {
  const std::string path = MediaFixture("prober_two_videos.mkv",
                                        "-f lavfi -i testsrc2=size=160x120:rate=25:duration=1 "
                                        "-f lavfi -i testsrc2=size=96x64:rate=25:duration=1 "
                                        "-map 0 -map 1 -c:v libx264 -g 10");
  TFFDecoder decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastError();
  ASSERT_EQ(decoder.VideoStreamCount(), 2);
  EXPECT_EQ(decoder.DecodeStream(), -1);

  TBitmap bitmap;
  ASSERT_TRUE(decoder.DecodeNextFrame(-1));  // the first video stream
  EXPECT_EQ(decoder.DecodeStream(), 0);
  ASSERT_TRUE(decoder.CopyFrameToBitmap(bitmap));
  EXPECT_EQ(bitmap.Width, 160);

  ASSERT_TRUE(decoder.DecodeNextFrame(1));
  ASSERT_TRUE(decoder.CopyFrameToBitmap(bitmap));
  EXPECT_EQ(bitmap.Width, 96);
  ASSERT_TRUE(decoder.DecodeNextFrame(-1));  // stays on stream 1
  EXPECT_EQ(decoder.DecodeStream(), 1);
  ASSERT_TRUE(decoder.CopyFrameToBitmap(bitmap));
  EXPECT_EQ(bitmap.Width, 96);
}

TEST_F(DecoderTest, LoadingAnotherFileClosesTheFirst) {
  TFFDecoder decoder;
  ASSERT_TRUE(decoder.LoadFile(AvFile()));
  ASSERT_TRUE(decoder.DecodeNextFrame(-1));
  ASSERT_TRUE(decoder.LoadFile(AudioFile()));
  EXPECT_EQ(decoder.StreamCount(), 1);
  EXPECT_EQ(decoder.FirstVideoStream(), -1);
  EXPECT_FALSE(decoder.PictureReady());
  EXPECT_EQ(decoder.GetFileName(), AudioFile());

  // A failed load leaves the prober closed.
  EXPECT_FALSE(decoder.LoadFile(AudioFile() + ".missing"));
  EXPECT_EQ(decoder.StreamCount(), -1);
  EXPECT_EQ(decoder.FileSize(), -1);
  EXPECT_EQ(decoder.CurrentStream(), -1);
}

// Files that cannot be opened: false, the name and the reason, the prober closed.
TEST_F(DecoderTest, UnreadableFilesFailWithTheNameAndTheReason) {
  const std::string folder = TempFolder("prober-bad");
  const std::string good = ReadFile(AvFile());
  ASSERT_GT(good.size(), 10000u);
  // The file type box says MP4; every box after it is garbage.
  std::string boxesDamaged = good;
  for (size_t i = 32; i < boxesDamaged.size(); ++i) boxesDamaged[i] = char(i * 7 % 13);

  struct {
    std::string name;
    std::string bytes;
    std::string reason;
  } const cases[] = {
      {"empty.mp4", "", "Invalid data found when processing input"},
      {"text.mp4", "This is a plain text file, not a movie.\nSecond line.\n",
       "Invalid data found when processing input"},
      {"truncated.mp4", good.substr(0, good.size() / 2), "Invalid data found when processing input"},
      {"corrupt.mp4", boxesDamaged, "Invalid data found when processing input"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = folder + "/" + c.name;
    WriteFile(path, c.bytes);
    TFFDecoder decoder;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(decoder.LoadFile(path));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));  // no hang
    EXPECT_EQ(decoder.LastError(), path + ": " + c.reason);
    EXPECT_EQ(LoggedLevel(decoder, decoder.LastError()), llError);
    EXPECT_EQ(decoder.StreamCount(), -1);
    EXPECT_FALSE(decoder.DecodeNextFrame(-1));
  }

  TFFDecoder decoder;
  EXPECT_FALSE(decoder.LoadFile(folder + "/missing.mp4"));
  EXPECT_EQ(decoder.LastError(), folder + "/missing.mp4: No such file or directory");
  EXPECT_FALSE(decoder.LoadFile(folder));
  EXPECT_EQ(decoder.LastError(), folder + ": Is a directory");
  EXPECT_EQ(decoder.StreamCount(), -1);
}

// The stream table of a damaged file may survive; its pictures then fail to
// decode, which ends in a plain false.
TEST_F(DecoderTest, DamagedPayloadDecodesWithoutCrashing) {
  std::string bytes = ReadFile(MediaFixture(
      "prober_faststart.mp4",
      "-f lavfi -i testsrc2=size=160x120:rate=25:duration=2 -c:v libx264 -g 10 -movflags +faststart"));
  ASSERT_GT(bytes.size(), 20000u);
  for (size_t i = bytes.size() / 3; i < bytes.size(); i += 3) bytes[i] = char(i * 31);
  const std::string path = TempFolder("prober-damaged") + "/damaged.mp4";
  WriteFile(path, bytes);
  TFFDecoder decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastError();
  int pictures = 0;
  while (decoder.DecodeNextFrame(-1) && pictures < 1000) ++pictures;
  EXPECT_LE(pictures, 50);
  ASSERT_TRUE(decoder.Seek(0, 1000000));
  TBitmap bitmap;
  if (decoder.DecodeNextFrame(-1)) {
    EXPECT_TRUE(decoder.CopyFrameToBitmap(bitmap));
  }
}

TEST_F(DecoderTest, FileWithoutReadPermission) {
  const std::string folder = TempFolder("prober-perm");
  ::chmod(folder.c_str(), 0755);
  const std::string path = folder + "/locked.mp4";
  fs::copy_file(AvFile(), path);
  ::chmod(path.c_str(), 0);
  const std::string expected = path + ": Permission denied";
  if (::geteuid() != 0) {
    TFFDecoder decoder;
    EXPECT_FALSE(decoder.LoadFile(path));
    EXPECT_EQ(decoder.LastError(), expected);
    return;
  }
  // Root reads every file: check as an unprivileged user in a child process.
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(pipeEnds[0]);
    std::string report = "no-setuid";
    if (::setgid(65534) == 0 && ::setuid(65534) == 0) {
      TFFDecoder decoder;
      report = decoder.LoadFile(path) ? "opened" : decoder.LastError();
    }
    if (::write(pipeEnds[1], report.data(), report.size()) < 0) ::_exit(2);
    ::_exit(0);
  }
  ::close(pipeEnds[1]);
  std::string report;
  char buffer[512];
  for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
    report.append(buffer, size_t(got));
  ::close(pipeEnds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (report == "no-setuid") GTEST_SKIP() << "cannot switch to an unprivileged user";
  EXPECT_EQ(report, expected);
}

TEST_F(DecoderTest, AttachedContextIsDescribedButNotSeekedOrClosed) {
  int error = 0;
  TInputFormatPtr input = OpenInput(AvFile(), nullptr, nullptr, &error);
  ASSERT_TRUE(input) << error;
  ASSERT_GE(av::avformat_find_stream_info(input.get(), nullptr), 0);

  TFFDecoder decoder;
  decoder.AttachContext(input.get());
  decoder.AttachContext(input.get());  // the same context again changes nothing
  EXPECT_FALSE(decoder.OwnsContext());
  EXPECT_EQ(decoder.StreamCount(), 2);
  EXPECT_EQ(decoder.FirstAudioStream(), 1);
  EXPECT_EQ(decoder.GetFileName(), AvFile());
  TVideoStreamInfo video;
  EXPECT_TRUE(decoder.GetVideoStreamInfo(-1, video));
  EXPECT_EQ(video.Width, 160);

  try {
    decoder.Seek(0, 0);
    ADD_FAILURE() << "seeking an attached context must raise";
  } catch (const EDecoderError& e) {
    EXPECT_STREQ(e.what(), "file cannot be seeked, handle is readonly.");
  }
  EXPECT_EQ(decoder.LastError(), "file cannot be seeked, handle is readonly.");
  EXPECT_EQ(LoggedLevel(decoder, decoder.LastError()), llWarning);
  // Reading would take the owner's packets.
  EXPECT_FALSE(decoder.DecodeNextFrame(-1));

  decoder.CloseFile();
  EXPECT_EQ(decoder.StreamCount(), -1);
  // The owner's context is still whole.
  TPacketPtr packet = MakePacket();
  EXPECT_GE(av::av_read_frame(input.get(), packet.get()), 0);
}

// A context made by hand holds what no file gives: a time base with a zero
// denominator, a missing start time, a zero picture height.
TEST_F(DecoderTest, TimeBaseRepairAndAspectArithmetic) {
  AVFormatContext* context = av::avformat_alloc_context();
  ASSERT_NE(context, nullptr);
  context->start_time = kNoValue;
  context->duration = kNoValue;
  struct {
    AVRational timeBase;
    AVRational repaired;
    int64_t start;
    int64_t startUs;
  } const cases[] = {
      {{7, 0}, {7, 7}, 14, 14000000},
      {{0, 0}, {0, 1}, 3, 0},
      {{1, 90000}, {1, 90000}, kNoValue, -1},
  };
  for (const auto& c : cases) {
    AVStream* stream = av::avformat_new_stream(context, nullptr);
    ASSERT_NE(stream, nullptr);
    stream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    stream->codecpar->codec_id = AV_CODEC_ID_H264;
    stream->codecpar->width = 100;
    stream->codecpar->height = 50;
    stream->codecpar->sample_aspect_ratio = AVRational{3, 2};
    stream->time_base = c.timeBase;
    stream->start_time = c.start;
    stream->duration = kNoValue;
  }
  AVStream* odd = av::avformat_new_stream(context, nullptr);
  odd->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
  odd->codecpar->width = 100;
  odd->codecpar->height = 0;
  odd->codecpar->sample_aspect_ratio = AVRational{1, 0};
  odd->time_base = AVRational{1, 25};

  TFFDecoder decoder;
  decoder.AttachContext(context);
  EXPECT_EQ(decoder.VideoStreamCount(), 4);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    TVideoStreamInfo info;
    ASSERT_TRUE(decoder.GetVideoStreamInfo(i, info)) << decoder.LastError();
    EXPECT_EQ(context->streams[i]->time_base.num, cases[i].repaired.num);
    EXPECT_EQ(context->streams[i]->time_base.den, cases[i].repaired.den);
    EXPECT_EQ(info.StartTime, cases[i].start);
    EXPECT_EQ(info.StartTimeUs, cases[i].startUs);
    EXPECT_EQ(info.Duration, kNoValue);
    EXPECT_EQ(info.DurationUs, -1);
    EXPECT_FLOAT_EQ(info.AspectRatio, 3.0f);
  }
  TVideoStreamInfo info;
  ASSERT_TRUE(decoder.GetVideoStreamInfo(3, info));
  EXPECT_FALSE(std::isfinite(info.AspectRatio));

  TFileStreamInfo file;
  ASSERT_TRUE(decoder.GetFileStreamInfo(file));
  EXPECT_EQ(file.Duration, -1);
  EXPECT_EQ(file.StartTime, -1);
  EXPECT_EQ(file.Year, 0);
  EXPECT_EQ(file.Track, 0);
  EXPECT_EQ(file.Title, "");
  decoder.CloseFile();
  av::avformat_free_context(context);
}

TEST_F(DecoderTest, ARunOfTheMiddleThumbnailSequence) {
  // The order the file list uses, on the same prober for several files.
  TFFDecoder decoder;
  for (const std::string& path : {AvFile(), RawH264File(), PngFile(), AudioFile()}) {
    SCOPED_TRACE(path);
    ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastError();
    TFileStreamInfo file;
    ASSERT_TRUE(decoder.GetFileStreamInfo(file));
    TBitmap bitmap;
    if (decoder.FirstVideoStream() >= 0) {
      decoder.Seek(0, file.Duration / 2);
      ASSERT_TRUE(decoder.DecodeNextFrame(decoder.FirstVideoStream())) << decoder.LastError();
      ASSERT_TRUE(decoder.CopyFrameToBitmap(bitmap));
      EXPECT_GT(bitmap.Width, 0);
    }
    decoder.CloseFile();
    EXPECT_EQ(decoder.StreamCount(), -1);
  }
}

}  // namespace
