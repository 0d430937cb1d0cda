#include "wizard/QtMainThread.h"

#include <QCoreApplication>
#include <QEvent>
#include <cstdio>
#include <exception>

namespace mediaconv::wizard {

namespace {
const QEvent::Type kServeEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
}

class TQtMainThread::TWaker : public QObject {
 public:
  explicit TWaker(TQtMainThread& owner) : owner_(owner) {}

  bool event(QEvent* event) override {
    if (event->type() != kServeEvent) return QObject::event(event);
    try {
      owner_.ServePending();
    } catch (const std::exception& e) {
      // Nothing may unwind through the event loop; the hand-off's own waiter
      // already received the exception.
      std::fprintf(stderr, "mediaconv: a main-thread hand-off failed: %s\n", e.what());
    }
    return true;
  }

 private:
  TQtMainThread& owner_;
};

TQtMainThread::TQtMainThread() : waker_(new TWaker(*this)) {}

TQtMainThread::~TQtMainThread() { delete waker_; }

void TQtMainThread::Post(std::function<void()> fn) {
  app::TQueueMainThread::Post(std::move(fn));
  QCoreApplication::postEvent(waker_, new QEvent(kServeEvent));
}

}  // namespace mediaconv::wizard
