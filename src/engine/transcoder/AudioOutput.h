#pragma once
// Audio frame conversion state of one output stream: the resampler to the
// encoder's rate, layout and sample format, and the FIFO that cuts encoder frames.
#include "engine/common/AvHandles.h"
#include "engine/loader/Av.h"

namespace mediaconv::engine {

struct TAudioConversion {
  TSwrContextPtr resampler;
  int resamplerRate = 0, resamplerFormat = -1;  // the input the resampler was made for
  AVChannelLayout resamplerLayout{};
  TAudioFifoPtr fifo;
  TFramePtr frame;      // the encoder's frame, cut from the FIFO
  TFramePtr converted;  // resampled samples on their way into the FIFO
  bool startSet = false;

  TAudioConversion() = default;
  TAudioConversion(const TAudioConversion&) = delete;
  TAudioConversion& operator=(const TAudioConversion&) = delete;
  ~TAudioConversion() { av::av_channel_layout_uninit(&resamplerLayout); }

  void Release() {
    resampler.reset();
    fifo.reset();
    frame.reset();
    converted.reset();
  }
};

}  // namespace mediaconv::engine
