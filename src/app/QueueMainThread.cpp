#include "app/QueueMainThread.h"

#include <future>

namespace mediaconv::app {

namespace {
// A condition whose changer has no way to call Notify (a library's own
// thread, a lock released) is still seen this soon.
constexpr std::chrono::milliseconds kNotifyLessWake(50);
}  // namespace

TQueueMainThread::TQueueMainThread() : mainId_(std::this_thread::get_id()) {}

bool TQueueMainThread::IsMainThread() const { return std::this_thread::get_id() == mainId_; }

void TQueueMainThread::InvokeAndWait(std::function<void()> fn) {
  if (IsMainThread()) {
    fn();
    return;
  }
  std::packaged_task<void()> task(std::move(fn));
  std::future<void> done = task.get_future();
  Post([&task] { task(); });
  done.get();  // rethrows what the handler threw, on the worker
}

void TQueueMainThread::Post(std::function<void()> fn) {
  {
    std::scoped_lock lock(mutex_);
    queue_.push_back(std::move(fn));
    ++queuedCount_;
  }
  queued_.notify_all();
}

void TQueueMainThread::ServePending() {
  std::deque<std::function<void()>> batch;
  {
    std::scoped_lock lock(mutex_);
    batch.swap(queue_);
    queuedCount_ = 0;
  }
  while (!batch.empty()) {
    std::function<void()> fn = std::move(batch.front());
    batch.pop_front();
    try {
      fn();
    } catch (...) {
      // Keep what was not run yet: a worker waiting in InvokeAndWait may be among it.
      std::scoped_lock lock(mutex_);
      queue_.insert(queue_.begin(), std::make_move_iterator(batch.begin()),
                    std::make_move_iterator(batch.end()));
      queuedCount_ = int(queue_.size());
      throw;
    }
  }
}

void TQueueMainThread::ServeUntil(const std::function<bool()>& done) {
  const bool main = IsMainThread();
  for (;;) {
    uint64_t seen;
    {
      std::scoped_lock lock(mutex_);
      seen = notifications_;
    }
    // A Notify from here on wakes the wait below, so none is missed. Nothing
    // is served once the condition holds: a hand-off queued for later (a
    // list's done callback) must not run inside the wait.
    if (done()) return;
    if (main) ServePending();
    if (done()) return;
    std::unique_lock lock(mutex_);
    queued_.wait_for(lock, kNotifyLessWake,
                     [&] { return notifications_ != seen || (main && !queue_.empty()); });
  }
}

void TQueueMainThread::Notify() {
  {
    std::scoped_lock lock(mutex_);
    ++notifications_;
  }
  queued_.notify_all();
}

bool TQueueMainThread::WaitAndServe(std::chrono::milliseconds timeout) {
  // A worker that hands off block after block sends the next one within
  // microseconds: a short spin answers it without a sleep and a wake-up.
  const auto spinUntil = std::chrono::steady_clock::now() + std::chrono::microseconds(50);
  while (queuedCount_.load(std::memory_order_acquire) == 0 && std::chrono::steady_clock::now() < spinUntil)
    std::this_thread::yield();
  {
    std::unique_lock lock(mutex_);
    if (!queued_.wait_for(lock, timeout, [this] { return !queue_.empty(); })) return false;
  }
  ServePending();
  return true;
}

}  // namespace mediaconv::app
