#include "convert/CheckPipeline.h"

namespace mediaconv::convert {

TCheckPipeline::TCheckPipeline(size_t lanes, size_t items, TOpen open, app::TMainThread& mainThread)
    : lanes_(lanes == 0 ? 1 : lanes),
      items_(items),
      open_(std::move(open)),
      mainThread_(mainThread),
      opened_(items, 0),
      done_(items, 0) {
  workers_.reserve(lanes_);
  for (size_t lane = 0; lane < lanes_; ++lane) workers_.emplace_back([this, lane] { Work(lane); });
}

TCheckPipeline::~TCheckPipeline() {
  Cancel();
  for (std::thread& worker : workers_) worker.join();
}

void TCheckPipeline::Work(size_t lane) {
  for (size_t item = lane; item < items_; item += lanes_) {
    {
      std::lock_guard hold(lock_);
      if (cancelled_) return;
    }
    open_(lane, item);
    {
      std::lock_guard hold(lock_);
      opened_[item] = 1;
    }
    mainThread_.Notify();
    std::unique_lock hold(lock_);
    changed_.wait(hold, [&] { return done_[item] || cancelled_; });
    if (cancelled_) return;
  }
}

void TCheckPipeline::WaitOpened(size_t item) {
  mainThread_.ServeUntil([this, item] {
    std::lock_guard hold(lock_);
    return opened_[item] != 0;
  });
}

void TCheckPipeline::Done(size_t item) {
  {
    std::lock_guard hold(lock_);
    done_[item] = 1;
  }
  changed_.notify_all();
}

void TCheckPipeline::Cancel() {
  {
    std::lock_guard hold(lock_);
    cancelled_ = true;
  }
  changed_.notify_all();
}

}  // namespace mediaconv::convert
