#pragma once
#include <cstdint>
#include <vector>

struct AVFrame;

namespace mediaconv::engine {

// A picture handed to the GUI. Rows top-down, each Stride bytes (a multiple
// of 4, so QImage can wrap Bits without copying). BitsPerPixel is the depth:
// 8 (one byte, blue in the top 2 bits, then 3 green, 3 red), 15 and 16
// (16-bit little-endian pixels, red in the high bits: x-5-5-5 as
// QImage::Format_RGB555, 5-6-5 as QImage::Format_RGB16), 24 (bytes B, G, R),
// 32 (bytes B, G, R, A).
struct TBitmap {
  int Width = 0, Height = 0, BitsPerPixel = 0, Stride = 0;
  std::vector<uint8_t> Bits;
};

// Converts a decoded picture with the scaler (bicubic) at the given depth;
// any depth other than 8, 15, 16, 24 or 32 gives 24. On failure returns false
// and leaves out as it was.
bool FrameToBitmap(const AVFrame* frame, int depth, TBitmap& out);

}  // namespace mediaconv::engine
