#pragma once
#include <QObject>

#include "app/QueueMainThread.h"

namespace mediaconv::wizard {

// The hand-off to the thread that runs the Qt event loop: a queued hand-off
// wakes the loop with an event, and a main thread that waits for a worker
// serves the queue itself (ServePending), so neither side can block the
// other for longer than one hand-off.
class TQtMainThread : public app::TQueueMainThread {
 public:
  TQtMainThread();
  ~TQtMainThread() override;

  void Post(std::function<void()> fn) override;

 private:
  class TWaker;
  TWaker* waker_;
};

}  // namespace mediaconv::wizard
