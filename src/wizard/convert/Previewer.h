#pragma once
#include <atomic>
#include <memory>

#include "app/MainThread.h"
#include "engine/transcoder/PreviewWindow.h"

namespace mediaconv::wizard {

// The preview window of a task that converts with preview on: a small
// stay-on-top tool window, centred on the screen, sized to the frame and
// captioned with its time, dragged by any point inside. Frames come on the
// task's thread and are drawn on the main thread; once the user closes the
// window it stays closed and no further frames are wanted.
class TPreviewer : public engine::IPreviewWindow {
 public:
  explicit TPreviewer(app::TMainThread& mainThread);
  ~TPreviewer() override;

  bool Show(const engine::TBitmap& bitmap, int64_t pts) override;

  // Installs TPreviewer as the engine's preview window.
  static void Install(app::TMainThread& mainThread);

 private:
  struct TState;
  app::TMainThread& mainThread_;
  std::shared_ptr<TState> state_;
};

}  // namespace mediaconv::wizard
