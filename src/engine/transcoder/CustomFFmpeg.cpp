#include "engine/transcoder/CustomFFmpeg.h"

#include <cassert>
#include <chrono>

#include "app/MainThread.h"
#include "engine/log/FFLogger.h"
#include "engine/transcoder/ConvertThread.h"

namespace mediaconv::engine {

TCustomFFmpeg::TCustomFFmpeg(int capacity) : capacity_(capacity) {
  if (capacity < 1 || capacity > 512) throw std::logic_error("Assertion failed: capacity must be 1 to 512");
}

TCustomFFmpeg::~TCustomFFmpeg() {
  Stop(true);
  *alive_ = false;
  if (thread_ && thread_->IsCurrentThread()) {
    // Destroyed by its own end handler: the worker ends by itself.
    thread_.reset();
  } else if (thread_) {
    thread_->Join();
    thread_.reset();
  }
  if (notifyThread_.joinable()) {
    if (notifyThread_.get_id() == std::this_thread::get_id())
      notifyThread_.detach();
    else
      notifyThread_.join();
  }
  if (!running_) ResetCore();
}

TConvertThread* TCustomFFmpeg::Start(bool threaded) {
  if (running_ || ended_) return nullptr;
  if (outputs_.empty() || inputs_.empty()) {
    ReportStartError(outputs_.empty() ? "At least one output file must be specified"
                                      : "At least one input file must be specified");
    return nullptr;
  }
  running_ = true;
  stopRequested_ = false;
  completed_ = false;
  failed_ = false;
  errorMessage_.clear();
  {
    std::scoped_lock lock(runDoneMutex_);
    runDone_ = false;
  }
  if (!threaded) {
    RunTaskOnWorker();
    return nullptr;
  }
  thread_ = std::make_unique<TConvertThread>(*this);
  return thread_.get();
}

void TCustomFFmpeg::RunTaskOnWorker() {
  const std::shared_ptr<std::atomic<bool>> alive = alive_;
  runThread_ = std::this_thread::get_id();
  RunTask();
  if (!*alive) return;  // an end handler destroyed the core
  runThread_ = std::thread::id();
  {
    std::scoped_lock lock(runDoneMutex_);
    runDone_ = true;
  }
  RunStateChanged();
}

app::TMainThread* TCustomFFmpeg::MainThread() const {
  return mainThread_ ? mainThread_ : TFFLogger::DefaultLogger().MainThread();
}

void TCustomFFmpeg::WaitWhile(const std::function<bool()>& busy) {
  app::TMainThread* main = MainThread();
  if (main && main->IsMainThread()) {
    // A worker may be waiting for the main thread to run its hand-off.
    main->ServeUntil([this, &busy] {
      std::scoped_lock lock(runDoneMutex_);
      return !busy();
    });
    return;
  }
  std::unique_lock lock(runDoneMutex_);
  runDoneCondition_.wait(lock, [&busy] { return !busy(); });
}

void TCustomFFmpeg::RunStateChanged() {
  runDoneCondition_.notify_all();
  if (app::TMainThread* main = MainThread()) main->Notify();
}

void TCustomFFmpeg::Stop(bool wait) {
  stopRequested_ = true;
  if (thread_ && thread_->Suspended()) thread_->Resume();
  if (!wait) return;
  if (runThread_.load() == std::this_thread::get_id()) return;  // a handler of the run itself
  WaitWhile([this] { return !runDone_; });
}

void TCustomFFmpeg::Terminate(bool wait) {
  if (running_) return Stop(wait);
  if (ended_ || notifyThread_.joinable()) {
    if (wait) WaitWhile([this] { return endNotifying_; });
    return;
  }
  {
    std::scoped_lock lock(runDoneMutex_);
    endNotifying_ = true;
  }
  notifyThread_ = std::thread([this] {
    NotifyEnd();
    {
      std::scoped_lock lock(runDoneMutex_);
      endNotifying_ = false;
    }
    RunStateChanged();
  });
  if (wait) WaitWhile([this] { return endNotifying_; });
}

void TCustomFFmpeg::ReportStartError(const std::string& message) {
  ResetCore();
  Fail(message);
  NotifyEnd();
}

void TCustomFFmpeg::NotifyEnd() {
  running_ = false;
  ended_ = true;
  DoEnd();
}

void TCustomFFmpeg::DoEnd() {
  if (OnEnd) OnEnd(*this);
}

}  // namespace mediaconv::engine
