#pragma once
// Turns pictures into the RGB bitmaps handed to video hooks and previews, and
// a changed bitmap back into the picture. Each converter keeps its scalers
// and buffers for the whole run.
#include <cstdint>
#include <vector>

#include "engine/common/AvHandles.h"
#include "engine/common/Bitmap.h"
#include "engine/loader/Av.h"

namespace mediaconv::engine {

class THookConverter {
 public:
  // 8, 15, 16, 24 or 32; any other depth is 24. Drops the scalers.
  void SetDepth(int depth);
  int Depth() const { return depth_; }

  // Fills the bitmap from the picture; false when no scaler could be made.
  bool ToBitmap(const AVFrame* frame);
  // Writes the bitmap back into the picture (same size and format).
  bool FromBitmap(AVFrame* frame);

  TBitmap& Bitmap() { return bitmap_; }
  // Whether the last ToBitmap went through the RGB buffer rather than
  // reading the picture's own memory.
  bool UsedRgbBuffer() const { return usedRgbBuffer_; }
  // The bitmap holds the picture being encoded; a preview may reuse it.
  bool holdsCurrent = false;

 private:
  int depth_ = 24;
  AVPixelFormat format_ = AV_PIX_FMT_BGR24;
  int bitsPerPixel_ = 24;
  int bytesPerPixel_ = 3;
  TBitmap bitmap_;
  TSwsContextPtr toRgb_;
  TSwsContextPtr fromRgb_;
  std::vector<uint8_t> rgb_;  // rows of the bitmap's stride
  bool usedRgbBuffer_ = false;
};

}  // namespace mediaconv::engine
