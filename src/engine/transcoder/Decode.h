#pragma once
// The decode stage's state of one input stream.
#include "engine/common/AvHandles.h"

namespace mediaconv::engine {

struct TDecodeState {
  TCodecContextPtr context;  // opened at run start when needed
  bool needed = false;       // an output stream encodes what it decodes
  bool opened = false;
  bool flushed = false;  // drained at the end of the run or of its join segment
  TFramePtr frame;       // the decoded frame being handed on
  float quality = 0;     // of the last decoded picture

  // Called under CodecLock, which the library needs around avcodec_free_context.
  void Close() {
    if (!opened) return;
    context.reset();
    opened = false;
  }
};

}  // namespace mediaconv::engine
