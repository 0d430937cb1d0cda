#pragma once
// The window that shows a task's output frames while it converts. The GUI
// implements it and installs a factory; the run creates one on its first
// previewed frame and drops it when the user has closed it.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "engine/common/Bitmap.h"

namespace mediaconv::engine {

class IPreviewWindow {
 public:
  virtual ~IPreviewWindow() = default;
  // Shows one frame (called on the task's thread; pts in microseconds).
  // False once the user has closed the window: no further frames are wanted.
  virtual bool Show(const TBitmap& bitmap, int64_t pts) = 0;
};

using TPreviewWindowFactory = std::function<std::unique_ptr<IPreviewWindow>()>;

// Process-wide: installed by the front end that can show windows.
void SetPreviewWindowFactory(TPreviewWindowFactory factory);
std::unique_ptr<IPreviewWindow> CreatePreviewWindow();

// Guards the preview flags of every task and the producing of a preview.
std::mutex& PreviewLock();

}  // namespace mediaconv::engine
