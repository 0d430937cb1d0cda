#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "app/MainThread.h"

namespace mediaconv::app {

// TMainThread for front ends without an event loop of their own: the thread
// that creates it is the main thread, and its loop calls ServePending or
// WaitAndServe.
class TQueueMainThread : public TMainThread {
 public:
  TQueueMainThread();

  bool IsMainThread() const override;
  void InvokeAndWait(std::function<void()> fn) override;
  void Post(std::function<void()> fn) override;
  void ServePending() override;
  void ServeUntil(const std::function<bool()>& done) override;
  void Notify() override;

  // Serves hand-offs until the queue has work or the timeout passes, then
  // serves what is there; returns whether anything ran.
  bool WaitAndServe(std::chrono::milliseconds timeout);

 private:
  std::thread::id mainId_;
  std::atomic<int> queuedCount_{0};  // read without the lock while spinning
  std::mutex mutex_;
  std::condition_variable queued_;
  std::deque<std::function<void()>> queue_;
  uint64_t notifications_ = 0;
};

}  // namespace mediaconv::app
