#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "EncoderTestSupport.h"
#include "engine/common/AvHandles.h"
#include "engine/loader/Av.h"
#include "engine/transcoder/HookConverter.h"

using namespace mediaconv::engine;
using namespace mediaconv::test;

namespace {

// Mean luma of the first picture of a file.
double FirstPictureLuma(const std::string& path) {
  const auto result = RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(path) +
                                 " -frames:v 1 -f rawvideo -pix_fmt gray - 2>/dev/null");
  if (result.output.empty()) return -1;
  double sum = 0;
  for (unsigned char c : result.output) sum += c;
  return sum / double(result.output.size());
}

class HooksTest : public TEncoderTest {
 protected:
  TOutputOptions HookOptions() {
    TOutputOptions options = AvOptions();
    options.AudioHook = options.VideoInputHook = options.VideoOutputHook = true;
    return options;
  }
  std::mutex hookMutex_;
};

// Every event reaches the owner: audio buffers, both video hooks per frame,
// and the preview; a bitmap painted black by the input hook is encoded black.
TEST_F(HooksTest, HooksAndPreviewFireThroughTheEncoder) {
  int audioCalls = 0, inputCalls = 0, outputCalls = 0, previews = 0, lastInputFrame = 0;
  int previewWidth = 0, previewDepth = 0;
  encoder_.OnAudioHook = [&](TCustomEncoder&, int, int64_t, uint8_t* samples, int size, int rate,
                             int channels, AVSampleFormat) {
    std::scoped_lock lock(hookMutex_);
    if (samples && size > 0 && rate == 44100 && channels == 1) ++audioCalls;
  };
  encoder_.OnVideoInputHook = [&](TCustomEncoder&, THookInfo* info) {
    std::scoped_lock lock(hookMutex_);
    ++inputCalls;
    lastInputFrame = info->FrameNumber;
    std::fill(info->Bitmap->Bits.begin(), info->Bitmap->Bits.end(), 0);
  };
  encoder_.OnVideoOutputHook = [&](TCustomEncoder&, THookInfo* info) {
    std::scoped_lock lock(hookMutex_);
    ++outputCalls;
    info->Update = false;
  };
  encoder_.OnPreviewBitmap = [&](TCustomEncoder&, const TPreviewInfo& info) {
    std::scoped_lock lock(hookMutex_);
    ++previews;
    previewWidth = info.Bitmap->Width;
    previewDepth = info.Bitmap->BitsPerPixel;
  };
  encoder_.SetPreviewBitmap(true);
  ASSERT_EQ(AddTask(EncoderAvFile(), "hooked.mkv", HookOptions()), 0);
  encoder_.StartTask(1);
  ASSERT_TRUE(ServeUntilFinal());
  ASSERT_FALSE(Terminates().empty());
  EXPECT_TRUE(Terminates().front().info.Finished) << Terminates().front().info.ExceptionMsg;
  std::scoped_lock lock(hookMutex_);
  EXPECT_GT(audioCalls, 10);
  EXPECT_EQ(inputCalls, 25);
  EXPECT_EQ(lastInputFrame, 25);
  EXPECT_EQ(outputCalls, 25);
  EXPECT_GE(previews, 1);
  EXPECT_EQ(previewWidth, 160);
  EXPECT_EQ(previewDepth, 24);
  EXPECT_LT(FirstPictureLuma(Out("hooked.mkv")), 30.0);
}

// A hook that asks to stop is called once; one that throws is called for
// every frame, and the run still completes.
TEST_F(HooksTest, StoppedHookOnceThrowingHookAlways) {
  int stopCalls = 0, throwCalls = 0;
  encoder_.OnVideoInputHook = [&](TCustomEncoder&, THookInfo* info) {
    std::scoped_lock lock(hookMutex_);
    ++stopCalls;
    info->StopHook = true;
  };
  encoder_.OnVideoOutputHook = [&](TCustomEncoder&, THookInfo*) {
    {
      std::scoped_lock lock(hookMutex_);
      ++throwCalls;
    }
    throw std::runtime_error("bad frame");
  };
  TOutputOptions options = AvOptions();
  options.VideoInputHook = options.VideoOutputHook = true;
  ASSERT_EQ(AddTask(EncoderAvFile(), "stopped.mkv", options), 0);
  encoder_.StartTask(1);
  ASSERT_TRUE(ServeUntilFinal());
  ASSERT_FALSE(Terminates().empty());
  EXPECT_TRUE(Terminates().front().info.Finished) << Terminates().front().info.ExceptionMsg;
  std::scoped_lock lock(hookMutex_);
  EXPECT_EQ(stopCalls, 1);
  EXPECT_EQ(throwCalls, 25);
}

TFramePtr Picture(int width, int height, AVPixelFormat format) {
  TFramePtr frame = MakeFrame();
  frame->width = width;
  frame->height = height;
  frame->format = format;
  if (av::av_frame_get_buffer(frame.get(), 1) < 0) return nullptr;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < frame->linesize[0]; ++x) frame->data[0][y * frame->linesize[0] + x] = uint8_t(x + y);
  return frame;
}

class HookConverterTest : public ::testing::Test {};

// A picture already in the bitmap's layout is read directly; an odd width,
// another format or another row stride goes through the RGB buffer.
TEST_F(HookConverterTest, OnlyPicturesInTheBitmapLayoutSkipTheRgbBuffer) {
  const struct {
    int width, height;
    AVPixelFormat format;
    bool viaBuffer;
  } cases[] = {{32, 16, AV_PIX_FMT_BGR24, false},
               {33, 16, AV_PIX_FMT_BGR24, true},
               {32, 15, AV_PIX_FMT_BGR24, true},
               {32, 16, AV_PIX_FMT_YUV420P, true}};
  for (const auto& c : cases) {
    TFramePtr frame = Picture(c.width, c.height, c.format);
    ASSERT_TRUE(frame);
    THookConverter converter;
    converter.SetDepth(24);
    ASSERT_TRUE(converter.ToBitmap(frame.get()));
    EXPECT_EQ(converter.UsedRgbBuffer(), c.viaBuffer) << c.width << "x" << c.height;
    EXPECT_EQ(converter.Bitmap().Width, c.width);
    EXPECT_EQ(converter.Bitmap().Stride % 4, 0);
  }
}

// A changed bitmap goes back into the picture, through the buffer too.
TEST_F(HookConverterTest, ChangedBitmapReturnsToThePicture) {
  for (int width : {32, 33}) {
    TFramePtr frame = Picture(width, 16, AV_PIX_FMT_BGR24);
    THookConverter converter;
    converter.SetDepth(24);
    ASSERT_TRUE(converter.ToBitmap(frame.get()));
    std::fill(converter.Bitmap().Bits.begin(), converter.Bitmap().Bits.end(), 200);
    ASSERT_TRUE(converter.FromBitmap(frame.get()));
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < width * 3; ++x)
        ASSERT_NEAR(frame->data[0][y * frame->linesize[0] + x], 200, 2) << width;
  }
}

}  // namespace
