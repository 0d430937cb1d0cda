#pragma once
#include "engine/tasks/CustomEncoder.h"

namespace mediaconv::engine {

// The encoder component with its properties and events published.
class TFFEncoder : public TCustomEncoder {
 public:
  // Every task shows its own preview while it runs; applies to the tasks
  // already in the list too.
  bool Preview() const { return preview_; }
  void SetPreview(bool value) { ApplyPreview(value); }
  // Every task produces RGB bitmaps of output frames for OnPreviewBitmap.
  bool PreviewBitmap() const { return previewBitmap_; }
  void SetPreviewBitmap(bool value) { ApplyPreviewBitmap(value); }
  // Milliseconds between two progress reports of a task; 100 or less stores 100.
  int ProgressInterval() const { return progressInterval_; }
  void SetProgressInterval(int milliseconds) { progressInterval_ = milliseconds <= 100 ? 100 : milliseconds; }
  TThreadPriority ThreadPriority() const { return threadPriority_; }
  void SetThreadPriority(TThreadPriority value) { threadPriority_ = value; }
  // OnProgress and OnPreviewBitmap run on the main thread (the worker waits).
  bool TriggerEventInMainThread() const { return triggerEventInMainThread_; }
  void SetTriggerEventInMainThread(bool value) { triggerEventInMainThread_ = value; }

  using TCustomEncoder::OnAudioHook;
  using TCustomEncoder::OnPreviewBitmap;
  using TCustomEncoder::OnProgress;
  using TCustomEncoder::OnTerminate;
  using TCustomEncoder::OnVideoInputHook;
  using TCustomEncoder::OnVideoOutputHook;
};

}  // namespace mediaconv::engine
