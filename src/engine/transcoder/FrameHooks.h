#pragma once
// Callbacks of the frame conversion: the audio hook, the two video hooks and
// the preview bitmap. The owner of a task installs them before the run; the
// run calls them on its own thread.
#include <cstdint>
#include <functional>

#include "engine/common/Bitmap.h"

extern "C" {
#include <libavutil/samplefmt.h>
}

namespace mediaconv::engine {

class TCustomFFmpeg;

// One picture handed to a video hook. The handler may change the bitmap:
// with update set (the default) it is copied back into the frame; with
// stopHook set the run removes this hook after the call.
struct TVideoHookValues {
  TBitmap* bitmap = nullptr;
  int frameNumber = 0;  // counted from 1
  int64_t pts = 0;      // microseconds
  bool update = true;
  bool stopHook = false;
};

struct TFrameHooks {
  // Decoded samples of an input stream before encoding; pts in microseconds.
  std::function<void(TCustomFFmpeg& sender, int64_t pts, uint8_t* samples, int size, int sampleRate,
                     int channels, AVSampleFormat sampleFormat)>
      audio;
  // A decoded picture before scaling, and a picture just before encoding.
  std::function<void(TCustomFFmpeg& sender, TVideoHookValues& values)> videoInput;
  std::function<void(TCustomFFmpeg& sender, TVideoHookValues& values)> videoOutput;
  // An RGB picture of an output frame, at most every preview interval.
  std::function<void(TCustomFFmpeg& sender, const TBitmap& bitmap, int frameNumber, int64_t pts)>
      previewBitmap;
};

}  // namespace mediaconv::engine
