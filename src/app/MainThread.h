#pragma once
#include <functional>

namespace mediaconv::app {

// The hand-off between worker threads and the thread that runs the front end.
// The GUI implements it on the Qt event loop; the CLI and the tests use
// TQueueMainThread. A main thread that waits for a worker must keep calling
// ServePending, or a worker blocked in InvokeAndWait never resumes.
class TMainThread {
 public:
  virtual ~TMainThread() = default;

  virtual bool IsMainThread() const = 0;
  // Runs fn on the main thread and returns when it has run; on the main
  // thread itself fn runs at once.
  virtual void InvokeAndWait(std::function<void()> fn) = 0;
  // Queues fn for the main thread and returns at once.
  virtual void Post(std::function<void()> fn) = 0;
  // Runs every queued hand-off; called by the main thread while it waits.
  virtual void ServePending() = 0;
};

}  // namespace mediaconv::app
