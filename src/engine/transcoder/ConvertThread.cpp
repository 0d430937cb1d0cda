#include "engine/transcoder/ConvertThread.h"

#include "engine/log/FFLogger.h"
#include "engine/transcoder/CustomFFmpeg.h"

namespace mediaconv::engine {

TConvertThread::TConvertThread(TCustomFFmpeg& core) : core_(core), thread_([this] { Execute(); }) {}

TConvertThread::~TConvertThread() {
  if (!thread_.joinable()) return;
  if (IsCurrentThread()) {
    // The task's own end handler let go of it: the thread finishes on its own.
    thread_.detach();
    return;
  }
  {
    std::scoped_lock lock(mutex_);
    if (suspended_) cancelled_ = true;  // never resumed: the task does not run
    suspended_ = false;
    resumed_.notify_all();
  }
  thread_.join();
}

void TConvertThread::Resume() {
  // Notified under the lock: once the worker runs, its task may end and free
  // this object before an unlocked notification would return.
  std::scoped_lock lock(mutex_);
  suspended_ = false;
  resumed_.notify_all();
}

bool TConvertThread::Suspended() const {
  std::scoped_lock lock(mutex_);
  return suspended_;
}

void TConvertThread::Join() {
  if (thread_.joinable() && !IsCurrentThread()) thread_.join();
}

void TConvertThread::Execute() {
  // Library lines of the run wait for the main thread like its own messages.
  TFFLogger::MarkEngineThread();
  {
    std::unique_lock lock(mutex_);
    resumed_.wait(lock, [this] { return !suspended_; });
    if (cancelled_) return;
  }
  core_.RunTaskOnWorker();
}

}  // namespace mediaconv::engine
