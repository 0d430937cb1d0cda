#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace mediaconv::app {
class TMainThread;
}

namespace mediaconv::http {

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// The platform value of a priority (-15, -2, -1, 0, 1, 2, 15) and its
// nearest Linux nice value; a nice value that is none of the table's reads
// as tpNormal.
int PlatformPriority(TThreadPriority priority);
int NiceValue(TThreadPriority priority);
TThreadPriority PriorityFromNice(int nice);

class TCustomWinThread;

using TThreadMethod = std::function<void()>;
using TWinThreadWaitTimeoutExpired = std::function<void(TCustomWinThread& Sender, bool& TerminateThread)>;

// One run of a worker: made suspended, resumed once, never restarted.
class TEventWinThread {
 public:
  explicit TEventWinThread(TCustomWinThread& owner);
  // Sets Terminated and, when the thread was started, waits for its end (a
  // main thread serves its hand-offs meanwhile).
  ~TEventWinThread();
  TEventWinThread(const TEventWinThread&) = delete;
  TEventWinThread& operator=(const TEventWinThread&) = delete;

  // The thread object whose procedure runs on the calling thread, or whose
  // hand-off the main thread is running; null elsewhere.
  static TEventWinThread* Current();

  void Resume();
  // A started thread pauses at its next CheckSuspended until resumed.
  void Suspend();
  // Worker: waits while the thread is suspended (and not terminated).
  void CheckSuspended();

  void Terminate();
  bool Terminated() const { return terminated_; }
  bool Suspended() const { return suspended_; }
  bool Running() const { return running_; }
  bool Started() const { return started_; }
  // The procedure has returned (or was never started and never will be).
  bool Finished() const { return finished_; }

  // After StopNow: nothing more of this run reaches the main thread.
  void Abandon();
  bool Abandoned() const { return abandoned_; }

  // Runs handler on the main thread and waits for it. An exception of the
  // handler is raised again here unless the owner handles exceptions.
  void Synchronize(const TThreadMethod& handler);

  // Waits for the end; on the main thread its hand-offs are served
  // meanwhile. Returns the return value.
  int WaitFor();
  // Waits at most timeout (none when zero) or until stopWaiting says so;
  // true when the thread has ended.
  bool WaitFor(std::chrono::milliseconds timeout, const std::function<bool()>& stopWaiting);

  TThreadPriority Priority() const;
  void SetPriority(TThreadPriority priority);

  int ReturnValue() const { return returnValue_; }
  TCustomWinThread& Owner() const { return owner_; }

  // What the owner gave this run (set before Resume, read by the worker).
  std::shared_ptr<void> Data;

  TThreadMethod OnExecute;
  TThreadMethod OnException;
  TThreadMethod OnTerminate;

 private:
  void Execute();
  void ApplyPriority();
  void RunHandler(const TThreadMethod& handler, std::exception_ptr& error);
  void Finish();

  TCustomWinThread& owner_;
  std::thread thread_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> suspended_{true};
  std::atomic<bool> running_{false};
  std::atomic<bool> started_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> abandoned_{false};
  bool terminatedBeforeResume_ = false;
  std::atomic<TThreadPriority> priority_{tpNormal};
  std::atomic<int> threadId_{0};
  int returnValue_ = 0;

  // Wakes a waiting main thread on the end of the thread and on each
  // hand-off; wakes a waiting worker when its hand-off has run.
  std::mutex mutex_;
  std::condition_variable changed_;
  int handoffs_ = 0;  // posted to the main thread and not yet taken by a waiter
  std::atomic<bool> handoffDone_{false};
  const TThreadMethod* pendingHandler_ = nullptr;  // the worker's, while it waits
  std::exception_ptr* pendingError_ = nullptr;
};

// The worker of a component: a fresh TEventWinThread per run, started with
// StartRun, stopped by request or at once, with handlers marshalled to the
// main thread. All calls come from the owner's (main) thread.
class TCustomWinThread {
 public:
  TCustomWinThread();
  // Stops a run still going at once; no handler runs afterwards.
  ~TCustomWinThread();
  TCustomWinThread(const TCustomWinThread&) = delete;
  TCustomWinThread& operator=(const TCustomWinThread&) = delete;

  // The thread that runs Synchronize'd handlers; without one they run on the worker.
  void SetMainThread(app::TMainThread* mainThread) { mainThread_ = mainThread; }
  app::TMainThread* MainThread() const { return mainThread_; }

  // Starts one run on a fresh thread object (ending any run still going).
  // False only when WaitThread is set and the wait timed out with the run stopped.
  bool StartRun();
  // Asks the worker to stop; the work looks at Terminated.
  void RequestStop();
  // Ends the current run at once, cooperatively: the old thread object raises
  // nothing more and is left to finish by itself; a fresh one (suspended,
  // same priority and handlers) takes its place.
  // Returns the abandoned thread object (owned here), or null when none ran.
  TEventWinThread* StopNow();
  void Synchronize(const TThreadMethod& handler);

  bool Running() const;
  bool Terminated() const;
  bool Suspended() const;
  void SetSuspended(bool suspended);
  TThreadPriority Priority() const;
  void SetPriority(TThreadPriority priority);

  // Marks the owner as being destroyed: nothing more runs on the main thread.
  void BeginDestroy() { destroying_ = true; }
  // Stops a run still going at once and waits until every worker has let go
  // (serving the main thread meanwhile); the destructor does it too.
  void Shutdown();
  // Sets the three handlers of this and of the current thread object.
  void SetHandlers(TThreadMethod execute, TThreadMethod exception, TThreadMethod terminate);
  bool Destroying() const { return destroying_; }
  // The current thread object.
  TEventWinThread& Thread() const { return *thread_; }
  // Waits until every abandoned worker has ended (serving the main thread).
  void WaitAbandoned();
  // The abandoned thread objects still finishing.
  size_t PendingCount();

  std::atomic<bool> HandleExceptions{true};
  bool WaitThread = false;
  int WaitTimeout = 0;  // milliseconds, 0 = no limit

  TThreadMethod OnExecute;
  TThreadMethod OnException;
  TThreadMethod OnTerminate;
  TWinThreadWaitTimeoutExpired OnWaitTimeoutExpired;
  // Given to the fresh thread object of each StartRun.
  std::shared_ptr<void> RunData;
  // Called by StopNow for the run it abandons, before it is abandoned: the
  // owner closes what a blocked worker waits on.
  std::function<void(TEventWinThread&)> OnStopNow;

 private:
  std::unique_ptr<TEventWinThread> MakeThread();
  void ReapFinished();

  app::TMainThread* mainThread_ = nullptr;
  std::unique_ptr<TEventWinThread> thread_;
  std::vector<std::unique_ptr<TEventWinThread>> abandoned_;
  std::atomic<bool> destroying_{false};
  TThreadPriority priority_ = tpNormal;
};

}  // namespace mediaconv::http
