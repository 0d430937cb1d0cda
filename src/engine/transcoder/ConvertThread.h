#pragma once
#include <condition_variable>
#include <mutex>
#include <thread>

namespace mediaconv::engine {

class TCustomFFmpeg;

// The worker that runs one task. Created suspended: the task's owner resumes
// it once it has taken the reference. Joined by the core that owns it.
class TConvertThread {
 public:
  explicit TConvertThread(TCustomFFmpeg& core);
  ~TConvertThread();
  TConvertThread(const TConvertThread&) = delete;
  TConvertThread& operator=(const TConvertThread&) = delete;

  void Resume();
  bool Suspended() const;
  bool IsCurrentThread() const { return std::this_thread::get_id() == thread_.get_id(); }
  // For the owner to set the thread's scheduling before resuming it.
  std::thread::native_handle_type NativeHandle() { return thread_.native_handle(); }
  // Waits for the thread to end (not on the thread itself).
  void Join();

 private:
  void Execute();

  TCustomFFmpeg& core_;
  mutable std::mutex mutex_;
  std::condition_variable resumed_;
  bool suspended_ = true;
  bool cancelled_ = false;
  std::thread thread_;
};

}  // namespace mediaconv::engine
