#include "http/WinThread.h"

#include <sys/resource.h>
#include <unistd.h>

#include <array>

#include "app/MainThread.h"

namespace mediaconv::http {

namespace {

struct TPriorityRow {
  TThreadPriority priority;
  int platform;
  int nice;
};

// Linux has no thread priority levels for ordinary threads: the nice value
// is the nearest. Raising it needs privileges; without them the thread stays
// where it is.
constexpr std::array<TPriorityRow, 7> kPriorities{{
    {tpIdle, -15, 19},
    {tpLowest, -2, 10},
    {tpLower, -1, 5},
    {tpNormal, 0, 0},
    {tpHigher, 1, -5},
    {tpHighest, 2, -10},
    {tpTimeCritical, 15, -20},
}};

thread_local TEventWinThread* currentThread = nullptr;

// Yields before a worker sleeps on its hand-off.
constexpr int kHandoffSpins = 200;

}  // namespace

int PlatformPriority(TThreadPriority priority) { return kPriorities[priority].platform; }
int NiceValue(TThreadPriority priority) { return kPriorities[priority].nice; }

TThreadPriority PriorityFromNice(int nice) {
  for (const TPriorityRow& row : kPriorities)
    if (row.nice == nice) return row.priority;
  return tpNormal;
}

TEventWinThread::TEventWinThread(TCustomWinThread& owner) : owner_(owner) {}

TEventWinThread::~TEventWinThread() {
  Terminate();
  if (started_) WaitFor();
  if (thread_.joinable()) thread_.join();
}

TEventWinThread* TEventWinThread::Current() { return currentThread; }

void TEventWinThread::Resume() {
  bool expected = false;
  if (started_.compare_exchange_strong(expected, true)) {
    suspended_ = false;
    // Only a stop asked before the resume skips the run; one asked after it
    // is the work's to see, so the run still reports how it ended.
    terminatedBeforeResume_ = terminated_.load();
    thread_ = std::thread([this] { Execute(); });
    return;
  }
  {
    std::scoped_lock lock(mutex_);
    suspended_ = false;
  }
  changed_.notify_all();
}

void TEventWinThread::Suspend() { suspended_ = true; }

void TEventWinThread::CheckSuspended() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !suspended_ || terminated_; });
}

void TEventWinThread::Terminate() {
  {
    std::scoped_lock lock(mutex_);
    terminated_ = true;
  }
  changed_.notify_all();
}

void TEventWinThread::Abandon() {
  abandoned_ = true;
  Terminate();
}

void TEventWinThread::RunHandler(const TThreadMethod& handler, std::exception_ptr& error) {
  // Checked on the main thread when the hand-off runs: a run abandoned or a
  // component being destroyed meanwhile gets nothing more.
  if (abandoned_ || owner_.Destroying()) return;
  TEventWinThread* const outer = currentThread;
  currentThread = this;
  try {
    handler();
  } catch (...) {
    error = std::current_exception();
  }
  currentThread = outer;
}

void TEventWinThread::Synchronize(const TThreadMethod& handler) {
  std::exception_ptr error;
  app::TMainThread* main = owner_.MainThread();
  if (!main || main->IsMainThread()) {
    RunHandler(handler, error);
  } else {
    handoffDone_ = false;
    pendingHandler_ = &handler;
    pendingError_ = &error;
    // One pointer, so the queued call needs no allocation of its own.
    main->Post([this] {
      RunHandler(*pendingHandler_, *pendingError_);
      std::scoped_lock lock(mutex_);
      handoffDone_ = true;
      changed_.notify_all();
    });
    std::unique_lock lock(mutex_);
    ++handoffs_;
    changed_.notify_all();
    // A short spin first: a main thread that serves at once answers within
    // microseconds, far less than a sleep and a wake-up cost.
    lock.unlock();
    for (int spin = 0; spin < kHandoffSpins && !handoffDone_.load(std::memory_order_acquire); ++spin)
      std::this_thread::yield();
    lock.lock();
    changed_.wait(lock, [this] { return handoffDone_.load(); });
  }
  if (error && !owner_.HandleExceptions) std::rethrow_exception(error);
}

int TEventWinThread::WaitFor() {
  WaitFor(std::chrono::milliseconds(0), nullptr);
  return returnValue_;
}

bool TEventWinThread::WaitFor(std::chrono::milliseconds timeout, const std::function<bool()>& stopWaiting) {
  if (!started_) return finished_;
  app::TMainThread* main = owner_.MainThread();
  const bool serve = main && main->IsMainThread();
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  const auto slice = std::chrono::milliseconds(20);
  std::unique_lock lock(mutex_);
  while (!finished_) {
    if (stopWaiting && stopWaiting()) return false;
    auto until = std::chrono::steady_clock::now() + slice;
    if (timeout.count() > 0) {
      if (std::chrono::steady_clock::now() >= deadline) return false;
      until = std::min(until, deadline);
    }
    // Other components' hand-offs wake no one here: the slice bounds their wait.
    changed_.wait_until(lock, until, [this, serve] { return finished_ || (serve && handoffs_ > 0); });
    if (serve) {
      handoffs_ = 0;
      lock.unlock();
      main->ServePending();
      lock.lock();
    }
  }
  return true;
}

TThreadPriority TEventWinThread::Priority() const {
  const int tid = threadId_;
  if (!running_ || tid == 0) return priority_;
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, id_t(tid));
  if (errno != 0) return priority_;
  return PriorityFromNice(nice);
}

void TEventWinThread::SetPriority(TThreadPriority priority) {
  priority_ = priority;
  if (running_) ApplyPriority();
}

void TEventWinThread::ApplyPriority() {
  const int tid = threadId_;
  if (tid != 0) setpriority(PRIO_PROCESS, id_t(tid), NiceValue(priority_));
}

void TEventWinThread::Execute() {
  currentThread = this;
  threadId_ = int(gettid());
  if (terminatedBeforeResume_) {
    Finish();
    return;
  }
  running_ = true;
  if (priority_ != tpNormal) ApplyPriority();
  const bool handle = owner_.HandleExceptions;
  if (OnExecute && !owner_.Destroying()) {
    if (handle) {
      try {
        OnExecute();
      } catch (...) {
        if (OnException && !owner_.Destroying()) {
          try {
            Synchronize(OnException);
          } catch (...) {
          }
        }
      }
    } else {
      OnExecute();
    }
  }
  if (OnTerminate) {
    // The terminate handler runs on the main thread; what it raises goes to
    // OnException there, as long as exceptions are handled.
    Synchronize([this] {
      if (!owner_.HandleExceptions) {
        OnTerminate();
        return;
      }
      try {
        OnTerminate();
      } catch (...) {
        if (OnException) {
          try {
            OnException();
          } catch (...) {
          }
        }
      }
    });
  }
  running_ = false;
  Finish();
}

void TEventWinThread::Finish() {
  {
    std::scoped_lock lock(mutex_);
    finished_ = true;
  }
  changed_.notify_all();
}

TCustomWinThread::TCustomWinThread() { thread_ = MakeThread(); }

TCustomWinThread::~TCustomWinThread() { Shutdown(); }

void TCustomWinThread::Shutdown() {
  destroying_ = true;
  if (thread_->Started() && !thread_->Finished()) StopNow();
  // The abandoned runs were told to stop and what they wait on was closed;
  // they end within moments and nothing of theirs reaches the main thread.
  abandoned_.clear();
}

void TCustomWinThread::SetHandlers(TThreadMethod execute, TThreadMethod exception, TThreadMethod terminate) {
  OnExecute = std::move(execute);
  OnException = std::move(exception);
  OnTerminate = std::move(terminate);
  if (thread_->Started()) return;
  thread_->OnExecute = OnExecute;
  thread_->OnException = OnException;
  thread_->OnTerminate = OnTerminate;
}

std::unique_ptr<TEventWinThread> TCustomWinThread::MakeThread() {
  auto thread = std::make_unique<TEventWinThread>(*this);
  thread->SetPriority(priority_);
  thread->OnExecute = OnExecute;
  thread->OnException = OnException;
  thread->OnTerminate = OnTerminate;
  return thread;
}

void TCustomWinThread::ReapFinished() {
  std::erase_if(abandoned_,
                [](const std::unique_ptr<TEventWinThread>& thread) { return thread->Finished(); });
}

void TCustomWinThread::WaitAbandoned() {
  for (const std::unique_ptr<TEventWinThread>& thread : abandoned_) thread->WaitFor();
  ReapFinished();
}

size_t TCustomWinThread::PendingCount() {
  ReapFinished();
  return abandoned_.size();
}

bool TCustomWinThread::StartRun() {
  ReapFinished();
  if (thread_->Started()) StopNow();
  thread_->Data = RunData;
  thread_->Resume();
  if (!WaitThread) return true;
  TEventWinThread& thread = *thread_;
  const bool ended =
      thread.WaitFor(std::chrono::milliseconds(WaitTimeout), [this] { return destroying_.load(); });
  if (ended || destroying_ || WaitTimeout <= 0) return true;
  bool terminateThread = true;
  if (OnWaitTimeoutExpired) OnWaitTimeoutExpired(*this, terminateThread);
  if (terminateThread) StopNow();
  return !terminateThread;
}

void TCustomWinThread::RequestStop() { thread_->Terminate(); }

TEventWinThread* TCustomWinThread::StopNow() {
  std::unique_ptr<TEventWinThread> old = std::move(thread_);
  thread_ = MakeThread();
  if (!old->Started()) return nullptr;
  if (!old->Finished() && OnStopNow) OnStopNow(*old);
  old->Abandon();
  abandoned_.push_back(std::move(old));
  return abandoned_.back().get();
}

void TCustomWinThread::Synchronize(const TThreadMethod& handler) {
  if (destroying_) return;
  TEventWinThread* current = TEventWinThread::Current();
  (current ? *current : *thread_).Synchronize(handler);
}

bool TCustomWinThread::Running() const { return thread_->Running(); }
bool TCustomWinThread::Terminated() const { return thread_->Terminated(); }
bool TCustomWinThread::Suspended() const { return thread_->Suspended(); }

void TCustomWinThread::SetSuspended(bool suspended) {
  if (suspended)
    thread_->Suspend();
  else
    thread_->Resume();
}

TThreadPriority TCustomWinThread::Priority() const { return thread_->Priority(); }

void TCustomWinThread::SetPriority(TThreadPriority priority) {
  priority_ = priority;
  thread_->SetPriority(priority);
}

}  // namespace mediaconv::http
