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
  // The one way to wait for another thread: returns once done() holds (at
  // once, serving nothing, when it already does). On the main thread it
  // serves the hand-offs meanwhile, so a worker blocked in
  // InvokeAndWait can finish. It asks done() again whenever a hand-off is
  // queued or Notify is called; whoever makes done() true calls Notify.
  virtual void ServeUntil(const std::function<bool()>& done) = 0;
  // Something a ServeUntil caller may be waiting for has changed.
  virtual void Notify() = 0;
};

}  // namespace mediaconv::app
