#include "app/BusyCounter.h"

namespace mediaconv::app {

void TBusyCounter::SetCursor(TBusyCursor* cursor) {
  std::scoped_lock lock(mutex_);
  cursor_ = cursor;
}

void TBusyCounter::Begin() {
  std::scoped_lock lock(mutex_);
  // Shown once per outermost section: Qt stacks override cursors, so showing
  // on every Begin would need as many restores.
  if (depth_++ == 0 && cursor_) cursor_->ShowBusy();
}

void TBusyCounter::End() {
  std::scoped_lock lock(mutex_);
  if (depth_ == 0) return;
  if (--depth_ == 0 && cursor_) cursor_->RestoreDefault();
}

int TBusyCounter::Depth() const {
  std::scoped_lock lock(mutex_);
  return depth_;
}

TBusyCounter& BusyCounter() {
  static TBusyCounter counter;
  return counter;
}

void BeginBusy() { BusyCounter().Begin(); }
void EndBusy() { BusyCounter().End(); }

}  // namespace mediaconv::app
