#include "engine/common/Bitmap.h"

#include <cstring>

#include "engine/common/AvHandles.h"
#include "engine/loader/Av.h"

namespace mediaconv::engine {
namespace {

struct TDepthFormat {
  AVPixelFormat format;
  int bitsPerPixel;
  int bytesPerPixel;
};

TDepthFormat FormatForDepth(int depth) {
  switch (depth) {
    case 8:
      return {AV_PIX_FMT_BGR8, 8, 1};
    // Red in the high bits, as device-independent bitmaps and QImage's
    // RGB555/RGB16 have it; the library's "BGR555/565" put blue there.
    case 15:
      return {AV_PIX_FMT_RGB555LE, 15, 2};
    case 16:
      return {AV_PIX_FMT_RGB565LE, 16, 2};
    case 32:
      return {AV_PIX_FMT_BGRA, 32, 4};
    default:
      return {AV_PIX_FMT_BGR24, 24, 3};
  }
}

}  // namespace

bool FrameToBitmap(const AVFrame* frame, int depth, TBitmap& out) {
  if (!frame || !frame->data[0] || frame->width <= 0 || frame->height <= 0 || frame->format < 0) return false;
  if (!av::sws_getContext) return false;
  const TDepthFormat target = FormatForDepth(depth);
  const int width = frame->width;
  const int height = frame->height;

  TSwsContextPtr scaler(av::sws_getContext(width, height, AVPixelFormat(frame->format), width, height,
                                           target.format, SWS_BICUBIC, nullptr, nullptr, nullptr));
  if (!scaler) return false;

  uint8_t* data[4] = {};
  int linesize[4] = {};
  if (av::av_image_alloc(data, linesize, width, height, target.format, 32) < 0) return false;
  const int scaled = av::sws_scale(scaler.get(), frame->data, frame->linesize, 0, height, data, linesize);

  bool done = false;
  if (scaled == height) {
    TBitmap bitmap;
    bitmap.Width = width;
    bitmap.Height = height;
    bitmap.BitsPerPixel = target.bitsPerPixel;
    const std::size_t rowBytes = std::size_t(width) * std::size_t(target.bytesPerPixel);
    bitmap.Stride = int((rowBytes + 3) & ~std::size_t(3));
    bitmap.Bits.assign(std::size_t(bitmap.Stride) * std::size_t(height), 0);
    for (int row = 0; row < height; ++row)
      std::memcpy(bitmap.Bits.data() + std::size_t(row) * std::size_t(bitmap.Stride),
                  data[0] + std::ptrdiff_t(row) * linesize[0], rowBytes);
    out = std::move(bitmap);
    done = true;
  }
  av::av_freep(&data[0]);
  return done;
}

}  // namespace mediaconv::engine
