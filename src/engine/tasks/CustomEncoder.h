#pragma once
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/prober/FFDecoder.h"
#include "engine/tasks/EncoderEvents.h"
#include "engine/tasks/FFmpegList.h"
#include "engine/tasks/TaskRecords.h"

namespace mediaconv::app {
class TMainThread;
}

namespace mediaconv::engine {

// A date-time in days since 30 December 1899, local time, as seconds since
// 1970 UTC (rounded to whole seconds).
int64_t DateTimeToUnixTime(double dateTime);

// Raised for misuse only: editing the task list while it works, or adding to
// it without the media libraries.
class EEncoderError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The component through which the system transcodes: an ordered list of
// tasks, each a transcoder with up to 20 inputs and 20 outputs, run on worker
// threads (a given number at a time) or one after another on the caller's
// thread, reporting progress and the end of each task and of the whole list.
// All operations are called from the owner's thread.
//
// Locks, in the order they are taken (none is taken while one further down
// the list is held):
//   1. terminateLock_ (recursive): the list's course (next task, counts,
//      working and done flags). A task that cannot start ends inside Start,
//      under it; a terminate event that gets no thread runs its handler under
//      it. No other handler runs under it.
//   2. threadsMutex_ (the terminate threads) and deliveryMutex_ (per-task
//      deliveries not yet returned): taken under 1, never one under the other.
//   3. progressLock_, previewLock_, audioHookLock_, videoHookLock_: one event
//      record each, held by a worker while its event runs (on the main thread
//      for progress and preview); independent of each other and of 1 and 2.
//   4. The main thread's queue lock (app::TMainThread), last of all: every
//      hand-off and Notify takes it.
// Waits for other threads go through TMainThread::ServeUntil (WaitServing),
// so the main thread keeps serving the hand-offs a worker may block on.
class TCustomEncoder {
 public:
  static constexpr int kMaxFiles = TFFmpeg::kMaxFiles;

  TCustomEncoder();
  virtual ~TCustomEncoder();
  TCustomEncoder(const TCustomEncoder&) = delete;
  TCustomEncoder& operator=(const TCustomEncoder&) = delete;

  bool LibrariesLoaded() const;
  // Loads the engine's libraries, looking in folder first; on failure the
  // loader's reason is in LastErrMsg.
  bool LoadLibraries(const std::string& folder);

  // Adds a task with its first input; -1 with LastErrMsg on failure. A given
  // record with an empty FileName gets fileName.
  int AddTask(const std::string& fileName, TInputOptions* options = nullptr);
  bool AddInputFile(int taskIndex, const std::string& fileName, TInputOptions* options = nullptr);
  bool SetOutputFile(int taskIndex, const std::string& fileName, TOutputOptions* options = nullptr);
  void RemoveTask(int taskIndex);
  // threadCount above 0: at most that many tasks run at once on workers, and
  // each task's end starts the next; 0 or less: every task runs on the
  // calling thread and this returns when the list has ended.
  void StartTask(int threadCount);
  // No further task starts; every task reports its end (with wait, before
  // this returns), then the final event follows.
  void Stop(bool wait);
  // Frees every task. Refused while the list works and the final event has
  // not been sent.
  void ClearTasks();
  // Runs fn on the main thread once ClearTasks is allowed: posted at once
  // when the list is not working or has ended, else right after the final
  // event has been handed out. Posted calls do nothing once the encoder is gone.
  void WhenListDone(std::function<void()> fn);

  int TasksCount() const { return tasks_.Count(); }
  TFFmpeg& Tasks(int index) const { return tasks_[index]; }
  const std::string& LastErrMsg() const { return lastErrMsg_; }
  // The prober for files before they are added.
  TFFDecoder& Decoder() { return *decoder_; }

  // The thread that runs OnProgress and OnPreviewBitmap (with
  // TriggerEventInMainThread) and that a waiting Stop keeps serving; the
  // logger's main thread when none is given.
  void SetMainThread(app::TMainThread* mainThread) { mainThread_ = mainThread; }
  app::TMainThread* MainThread() const;

 protected:
  // Property values, published by TFFEncoder.
  bool preview_ = false;
  bool previewBitmap_ = false;
  std::atomic<int> progressInterval_{500};  // milliseconds
  std::atomic<TThreadPriority> threadPriority_{tpNormal};
  std::atomic<bool> triggerEventInMainThread_{true};

  void ApplyPreview(bool preview);
  void ApplyPreviewBitmap(bool previewBitmap);

  TEventSlot<TAudioHookEvent> OnAudioHook;
  TEventSlot<TPreviewBitmapEvent> OnPreviewBitmap;
  TEventSlot<TProgressEvent> OnProgress;
  TEventSlot<TTerminateEvent> OnTerminate;
  TEventSlot<TVideoHookEvent> OnVideoInputHook;
  TEventSlot<TVideoHookEvent> OnVideoOutputHook;

 private:
  class TDoTerminateThread;
  friend class TDoTerminateThread;
  // Calls NotifyWaiters when it goes out of scope.
  class TNotifyOnExit {
   public:
    explicit TNotifyOnExit(const TCustomEncoder& owner) : owner_(owner) {}
    ~TNotifyOnExit() { owner_.NotifyWaiters(); }
    TNotifyOnExit(const TNotifyOnExit&) = delete;
    TNotifyOnExit& operator=(const TNotifyOnExit&) = delete;

   private:
    const TCustomEncoder& owner_;
  };

  void CheckWorking(const char* operation) const;
  void CheckLibraries(const char* operation) const;
  void FreeTasks();
  void PrepareTask(TFFmpeg& task);
  void InstallDispatchers(TFFmpeg& task);
  void ApplyTarget(TFFmpeg& task, const TOutputOptions& record);
  void ApplyOutputRecord(TFFmpeg& task, const TOutputOptions& record);
  void ApplyMetadata(TFFmpeg& task, const TStreamInfo& metadata);
  void InstallHooks(TFFmpeg& task, const TOutputOptions& record);

  // Under the terminate lock: takes the next task and, in an asynchronous
  // run, starts it; returns the task to run on the caller's thread otherwise.
  TFFmpeg* StartNextTask();
  void RunOnWorker(TFFmpeg& task);
  void TaskEnded(TFFmpeg& task);
  void EndList();
  void HandOverListDone(std::vector<std::function<void()>> callbacks);
  void CallTerminate(const TTerminateEvent& handler, const TTerminateInfo& info);

  void DoProgress(TFFmpeg& task, const TProgressValues& values);
  void DoPreviewBitmap(TFFmpeg& task, const TBitmap& bitmap, int frameNumber, int64_t pts);
  void DoAudioHook(TFFmpeg& task, int64_t pts, uint8_t* samples, int size, int sampleRate, int channels,
                   AVSampleFormat sampleFormat);
  void DoVideoHook(TFFmpeg& task, TVideoHookValues& values, bool input);
  // Runs fn on the main thread (waiting for it) when events go there and
  // this is another thread; else here.
  void CallInMainThread(const std::function<void()>& fn);

  // Terminate deliveries.
  void StartTerminateThread(const TTerminateInfo& info, bool final);
  void DeliveryStarted();
  void DeliveryReturned();
  void WaitForDeliveries();
  // Joins the finished delivery threads; with all, every one except the
  // calling thread's own (which is kept for later).
  void ReapTerminateThreads(bool all);
  // Waits for done; a main thread serves its hand-offs meanwhile.
  void WaitServing(const std::function<bool()>& done);
  // Wakes WaitServing to ask its condition again.
  void NotifyWaiters() const;
  // Waits until nobody holds the lock (a delivery in progress has returned).
  void WaitForLock(std::mutex& mutex);

  TFFmpegList tasks_;
  std::unique_ptr<TFFDecoder> decoder_;
  // Posted hand-offs check it, so none outlives the encoder.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
  std::string lastErrMsg_;
  app::TMainThread* mainThread_ = nullptr;
  const int taskLogVerbosity_ = 1;

  // Covered by terminateLock_.
  int finishedCount_ = 0;
  int nextIndex_ = -1;
  int remainingToStart_ = 0;
  std::atomic<bool> working_{false};
  std::atomic<bool> async_{false};
  std::atomic<bool> allDone_{false};
  std::vector<std::function<void()>> listDoneCallbacks_;
  // The thread of a synchronous run while it runs.
  std::thread::id syncThread_;

  // Per-task terminate deliveries on their threads that have not returned;
  // the final event waits for none to be left.
  std::mutex deliveryMutex_;
  std::condition_variable deliveryReturned_;
  int pendingDeliveries_ = 0;

  std::mutex threadsMutex_;
  std::vector<std::unique_ptr<TDoTerminateThread>> terminateThreads_;

  // The event records, refilled before each event of their kind.
  TProgressInfo progressInfo_;
  TTerminateInfo terminateInfo_;
  TPreviewInfo previewInfo_;
  THookInfo hookInfo_;

  std::mutex audioHookLock_;
  std::mutex previewLock_;
  std::mutex progressLock_;
  // Recursive: a task that cannot start ends inside Start, on the thread
  // that holds the lock to start it.
  std::recursive_mutex terminateLock_;
  std::mutex videoHookLock_;
};

}  // namespace mediaconv::engine
