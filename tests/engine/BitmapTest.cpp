#include "engine/common/Bitmap.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "engine/common/AvHandles.h"
#include "engine/loader/Av.h"
#include "engine/loader/FFLoader.h"

using namespace mediaconv::engine;

namespace {

constexpr int kWidth = 33, kHeight = 6;  // an odd width makes rows need padding

class BitmapTest : public ::testing::Test {
 protected:
  // Three bands, left to right: red, green, blue.
  TFramePtr MakeBands() {
    TFramePtr frame = MakeFrame();
    frame->format = AV_PIX_FMT_RGB24;
    frame->width = kWidth;
    frame->height = kHeight;
    EXPECT_EQ(av::av_frame_get_buffer(frame.get(), 0), 0);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        uint8_t* pixel = frame->data[0] + y * frame->linesize[0] + 3 * x;
        const int band = x / 11;
        pixel[0] = band == 0 ? 255 : 0;
        pixel[1] = band == 1 ? 255 : 0;
        pixel[2] = band == 2 ? 255 : 0;
      }
    return frame;
  }
};

std::vector<uint8_t> PixelBytes(const TBitmap& bitmap, int x, int y) {
  const int bytes = bitmap.BitsPerPixel == 15 ? 2 : bitmap.BitsPerPixel / 8;
  const uint8_t* pixel = bitmap.Bits.data() + y * bitmap.Stride + x * bytes;
  return std::vector<uint8_t>(pixel, pixel + bytes);
}

TEST_F(BitmapTest, EveryDepthHoldsTheColoursInItsLayout) {
  struct TCase {
    int depth, bitsPerPixel, stride;
    std::vector<uint8_t> red, green, blue;
  };
  const TCase cases[] = {
      {24, 24, 100, {0, 0, 255}, {0, 255, 0}, {255, 0, 0}},
      {32, 32, 132, {0, 0, 255, 255}, {0, 255, 0, 255}, {255, 0, 0, 255}},
      {16, 16, 68, {0x00, 0xF8}, {0xE0, 0x07}, {0x1F, 0x00}},
      {15, 15, 68, {0x00, 0x7C}, {0xE0, 0x03}, {0x1F, 0x00}},
      {8, 8, 36, {0x07}, {0x38}, {0xC0}},
      {12, 24, 100, {0, 0, 255}, {0, 255, 0}, {255, 0, 0}},  // other depths give 24
      {0, 24, 100, {0, 0, 255}, {0, 255, 0}, {255, 0, 0}},
  };
  const TFramePtr frame = MakeBands();
  for (const TCase& c : cases) {
    TBitmap bitmap;
    ASSERT_TRUE(FrameToBitmap(frame.get(), c.depth, bitmap)) << c.depth;
    EXPECT_EQ(bitmap.Width, kWidth);
    EXPECT_EQ(bitmap.Height, kHeight);
    EXPECT_EQ(bitmap.BitsPerPixel, c.bitsPerPixel) << c.depth;
    ASSERT_EQ(bitmap.Stride, c.stride) << c.depth;
    ASSERT_EQ(bitmap.Bits.size(), std::size_t(c.stride * kHeight));
    for (int y : {0, kHeight - 1}) {
      EXPECT_EQ(PixelBytes(bitmap, 5, y), c.red) << c.depth;
      EXPECT_EQ(PixelBytes(bitmap, 16, y), c.green) << c.depth;
      EXPECT_EQ(PixelBytes(bitmap, 27, y), c.blue) << c.depth;
      const int used = c.bitsPerPixel == 15 ? 2 * kWidth : c.bitsPerPixel / 8 * kWidth;
      for (int padding = used; padding < c.stride; ++padding)
        EXPECT_EQ(bitmap.Bits[y * c.stride + padding], 0) << c.depth;
    }
  }
}

TEST_F(BitmapTest, DecodedYuvPictureConverts) {
  TFramePtr frame = MakeFrame();
  frame->format = AV_PIX_FMT_YUV420P;
  frame->width = 64;
  frame->height = 36;
  ASSERT_EQ(av::av_frame_get_buffer(frame.get(), 0), 0);
  // Mid grey in limited range.
  for (int y = 0; y < 36; ++y) std::fill_n(frame->data[0] + y * frame->linesize[0], 64, 126);
  for (int plane : {1, 2})
    for (int y = 0; y < 18; ++y) std::fill_n(frame->data[plane] + y * frame->linesize[plane], 32, 128);
  TBitmap bitmap;
  ASSERT_TRUE(FrameToBitmap(frame.get(), 24, bitmap));
  ASSERT_EQ(bitmap.Stride, 192);
  for (int y : {0, 17, 35})
    for (int x : {0, 31, 63})
      for (uint8_t channel : PixelBytes(bitmap, x, y))
        EXPECT_LE(std::abs(int(channel) - 128), 3) << x << "," << y;
}

TEST_F(BitmapTest, FailureLeavesTheBitmapUnchanged) {
  TBitmap bitmap;
  bitmap.Width = 7;
  bitmap.Bits = {1, 2, 3};
  EXPECT_FALSE(FrameToBitmap(nullptr, 24, bitmap));
  const TFramePtr empty = MakeFrame();  // never decoded into: no picture
  EXPECT_FALSE(FrameToBitmap(empty.get(), 24, bitmap));
  TFramePtr audio = MakeFrame();
  audio->format = AV_SAMPLE_FMT_S16;
  audio->nb_samples = 64;
  av::av_channel_layout_default(&audio->ch_layout, 2);
  ASSERT_EQ(av::av_frame_get_buffer(audio.get(), 0), 0);
  EXPECT_FALSE(FrameToBitmap(audio.get(), 24, bitmap));
  EXPECT_EQ(bitmap.Width, 7);
  EXPECT_EQ(bitmap.Bits, (std::vector<uint8_t>{1, 2, 3}));
}

}  // namespace
