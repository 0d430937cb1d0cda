#pragma once
// One video filter graph: a "buffer" source named "src", an optional scale to
// the encoder's size, the user's filter text, and a "buffersink" named "out"
// that hands out one pixel format.
#include <string>

#include "engine/common/AvHandles.h"
#include "engine/loader/Av.h"

namespace mediaconv::engine {

struct TFilterGraphInput {
  int width = 0, height = 0;
  AVPixelFormat format = AV_PIX_FMT_NONE;
  AVRational sampleAspect{0, 1};
  AVRational timeBase{1, 1000000};
};

class TFilterGraph {
 public:
  // outWidth/outHeight 0: no scaling; outFormat NONE: whatever the filters
  // give. Returns a negative library error on failure.
  int Configure(const TFilterGraphInput& input, const std::string& text, int outWidth, int outHeight,
                AVPixelFormat outFormat, int swsFlags);
  // Null: the end of the input.
  int Push(AVFrame* frame);
  // 0: a picture was taken; AVERROR(EAGAIN) or AVERROR_EOF otherwise.
  int Pull(AVFrame* frame);

  const TFilterGraphInput& Input() const { return input_; }
  int OutWidth() const;
  int OutHeight() const;
  AVRational OutTimeBase() const;

 private:
  TFilterGraphPtr graph_;
  AVFilterContext* source_ = nullptr;
  AVFilterContext* sink_ = nullptr;
  TFilterGraphInput input_;
};

}  // namespace mediaconv::engine
