#pragma once
// What the encoder's events carry, and the event types.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "engine/common/Bitmap.h"

extern "C" {
#include <libavutil/samplefmt.h>
}

namespace mediaconv::engine {

class TCustomEncoder;

// Priority of a task's worker thread.
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

struct TProgressInfo {
  int TaskIndex = -1;
  int FileIndex = -1;    // input read last; -1 in the task's final report
  int FrameNumber = -1;  // frames written to the first video output; -1 without video
  int FPS = -1;          // -1 without video, 0 during the first second
  float Quality = -1.0f;
  float BitRate = 0.0f;         // kbit/s
  int64_t CurrentSize = 0;      // bytes written to the first output
  int64_t CurrentDuration = 0;  // microseconds
  int64_t TotalDuration = -1;   // microseconds; -1 when the task has no duration
};

struct TTerminateInfo {
  int TaskIndex = -1;  // -1: the whole list has ended
  bool Finished = false;
  bool Exception = false;
  std::string ExceptionMsg;
  // The file the task's first output was left in: its own name, or the next
  // free numbered one when that was taken meanwhile; empty when none.
  std::string OutputFileName;
};

struct TPreviewInfo {
  int TaskIndex = -1;
  const TBitmap* Bitmap = nullptr;
  int FrameNumber = 0;  // counted from 1
  int64_t PTS = 0;      // microseconds
};

struct THookInfo {
  int TaskIndex = -1;
  TBitmap* Bitmap = nullptr;
  int FrameNumber = 0;
  int64_t PTS = 0;
  // The handler may change these: copy the bitmap back into the frame, and
  // remove this hook from the task after the call.
  bool Update = true;
  bool StopHook = false;
};

using TAudioHookEvent =
    std::function<void(TCustomEncoder& sender, int taskIndex, int64_t pts, uint8_t* sample, int size,
                       int sampleRate, int channels, AVSampleFormat sampleFormat)>;
using TVideoHookEvent = std::function<void(TCustomEncoder& sender, THookInfo* hookInfo)>;
using TPreviewBitmapEvent = std::function<void(TCustomEncoder& sender, const TPreviewInfo& previewInfo)>;
using TProgressEvent = std::function<void(TCustomEncoder& sender, TProgressInfo* progressInfo)>;
using TTerminateEvent = std::function<void(TCustomEncoder& sender, const TTerminateInfo& terminateInfo)>;

// An event property. The owner assigns a handler (or nullptr) on its thread
// while workers may be about to call it, so the handler is swapped and read
// under a lock of its own; a dispatcher calls the copy it read.
template <typename TEvent>
class TEventSlot {
 public:
  TEventSlot& operator=(TEvent handler) {
    auto shared = handler ? std::make_shared<const TEvent>(std::move(handler)) : nullptr;
    std::scoped_lock lock(mutex_);
    handler_ = std::move(shared);
    return *this;
  }
  TEventSlot& operator=(std::nullptr_t) {
    std::scoped_lock lock(mutex_);
    handler_.reset();
    return *this;
  }
  explicit operator bool() const {
    std::scoped_lock lock(mutex_);
    return handler_ != nullptr;
  }
  // The current handler, or null.
  std::shared_ptr<const TEvent> Get() const {
    std::scoped_lock lock(mutex_);
    return handler_;
  }

 private:
  mutable std::mutex mutex_;
  std::shared_ptr<const TEvent> handler_;
};

}  // namespace mediaconv::engine
