#include "app/QueueMainThread.h"

#include <future>

namespace mediaconv::app {

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
