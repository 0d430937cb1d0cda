#pragma once
// Video frame conversion state: of an input stream, the deinterlacer and the
// input hook's copy; of an output stream, the scaler to the encoder's size and
// format, the "vf" filter graph and the output hook's copy.
#include <memory>

#include "engine/common/AvHandles.h"
#include "engine/transcoder/FilterGraph.h"

namespace mediaconv::engine {

struct TInputVideoConversion {
  int frameCounter = 0;  // pictures decoded
  std::unique_ptr<TFilterGraph> deinterlacer;
  bool deinterlaceFailed = false;
  TFramePtr deinterlaced;
  TFramePtr hookFrame;  // copy of a decoded picture that the input hook may change

  void Release() {
    deinterlacer.reset();
    deinterlaced.reset();
    hookFrame.reset();
  }
};

struct TVideoConversion {
  TSwsContextPtr scaler;
  TFramePtr scaled;
  int setupWidth = 0, setupHeight = 0, setupFormat = -1;  // the picture the stream was set up for
  std::unique_ptr<TFilterGraph> filter;                   // "vf"
  TFramePtr filtered;
  TSwsContextPtr filterScaler;  // a picture whose size changed, to the graph's input
  TFramePtr filterInput;
  TFramePtr hookFrame;  // copy of the picture to encode that the output hook may change

  void Release() {
    scaler.reset();
    scaled.reset();
    filter.reset();
    filtered.reset();
    filterScaler.reset();
    filterInput.reset();
    hookFrame.reset();
  }
};

}  // namespace mediaconv::engine
