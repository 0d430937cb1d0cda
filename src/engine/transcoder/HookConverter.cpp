#include "engine/transcoder/HookConverter.h"

#include <cstring>

#include "engine/loader/Av.h"

namespace mediaconv::engine {

void THookConverter::SetDepth(int depth) {
  switch (depth) {
    case 8:
      format_ = AV_PIX_FMT_BGR8, bitsPerPixel_ = 8, bytesPerPixel_ = 1;
      break;
    // Red in the high bits, as the bitmaps the GUI wraps have it.
    case 15:
      format_ = AV_PIX_FMT_RGB555LE, bitsPerPixel_ = 15, bytesPerPixel_ = 2;
      break;
    case 16:
      format_ = AV_PIX_FMT_RGB565LE, bitsPerPixel_ = 16, bytesPerPixel_ = 2;
      break;
    case 32:
      format_ = AV_PIX_FMT_BGRA, bitsPerPixel_ = 32, bytesPerPixel_ = 4;
      break;
    default:
      depth = 24;
      format_ = AV_PIX_FMT_BGR24, bitsPerPixel_ = 24, bytesPerPixel_ = 3;
      break;
  }
  depth_ = depth;
  toRgb_.reset();
  fromRgb_.reset();
  holdsCurrent = false;
}

bool THookConverter::ToBitmap(const AVFrame* frame) {
  holdsCurrent = false;
  const int width = frame->width, height = frame->height;
  if (width <= 0 || height <= 0 || !frame->data[0]) return false;
  const int stride = (width * bytesPerPixel_ + 3) & ~3;
  const uint8_t* rows = frame->data[0];
  int rowStep = frame->linesize[0];
  // The picture's own memory serves when it already has the bitmap's layout.
  usedRgbBuffer_ = frame->format != format_ || (width & 1) || (height & 1) || frame->linesize[0] != stride;
  if (usedRgbBuffer_) {
    toRgb_.reset(av::sws_getCachedContext(toRgb_.release(), width, height, AVPixelFormat(frame->format),
                                          width, height, format_, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!toRgb_) return false;
    rgb_.resize(size_t(stride) * height + 64);
    uint8_t* dst[4] = {rgb_.data(), nullptr, nullptr, nullptr};
    int dstStride[4] = {stride, 0, 0, 0};
    if (av::sws_scale(toRgb_.get(), frame->data, frame->linesize, 0, height, dst, dstStride) != height)
      return false;
    rows = rgb_.data();
    rowStep = stride;
  }
  bitmap_.Width = width;
  bitmap_.Height = height;
  bitmap_.BitsPerPixel = bitsPerPixel_;
  bitmap_.Stride = stride;
  bitmap_.Bits.resize(size_t(stride) * height);
  for (int y = 0; y < height; ++y)
    std::memcpy(bitmap_.Bits.data() + size_t(y) * stride, rows + std::ptrdiff_t(y) * rowStep, stride);
  holdsCurrent = true;
  return true;
}

bool THookConverter::FromBitmap(AVFrame* frame) {
  const int width = frame->width, height = frame->height;
  // A handler that resized the bitmap gets nothing copied back.
  if (bitmap_.Width != width || bitmap_.Height != height || bitmap_.BitsPerPixel != bitsPerPixel_ ||
      bitmap_.Bits.size() < size_t(bitmap_.Stride) * height)
    return true;
  const int stride = bitmap_.Stride;
  if (!usedRgbBuffer_) {
    for (int y = 0; y < height; ++y)
      std::memcpy(frame->data[0] + std::ptrdiff_t(y) * frame->linesize[0],
                  bitmap_.Bits.data() + size_t(y) * stride, stride);
    return true;
  }
  fromRgb_.reset(av::sws_getCachedContext(fromRgb_.release(), width, height, format_, width, height,
                                          AVPixelFormat(frame->format), SWS_BICUBIC, nullptr, nullptr,
                                          nullptr));
  if (!fromRgb_) return false;
  const uint8_t* src[4] = {bitmap_.Bits.data(), nullptr, nullptr, nullptr};
  const int srcStride[4] = {stride, 0, 0, 0};
  return av::sws_scale(fromRgb_.get(), src, srcStride, 0, height, frame->data, frame->linesize) == height;
}

}  // namespace mediaconv::engine
