#pragma once
// The encode stage's state of one output stream: the encoder, its key-frame
// forcing and its two-pass log.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "engine/common/AvHandles.h"
#include "engine/loader/Av.h"

namespace mediaconv::engine {

struct TFileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};
using TFilePtr = std::unique_ptr<FILE, TFileCloser>;

struct TEncodeState {
  TCodecContextPtr context;        // holds the settings; opened at run start
  const AVCodec* codec = nullptr;  // forced or guessed encoder
  bool forced = false;             // the encoder was named
  bool needed = false;             // the stream is encoded, not copied
  bool opened = false;
  bool ended = false;                    // the encoder was drained
  std::vector<int64_t> forcedKeyFrames;  // encoder time base
  size_t nextForcedKeyFrame = 0;
  TFilePtr passLog;  // pass 1: the encoder's statistics

  // Frees the encoder and what it read or wrote; called under CodecLock,
  // which the library needs around avcodec_free_context.
  void Close() {
    if (context) av::av_freep(&context->stats_in);
    passLog.reset();
    if (!opened) return;
    context.reset();
    opened = false;
  }
};

}  // namespace mediaconv::engine
