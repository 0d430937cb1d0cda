#pragma once
#include <atomic>
#include <memory>
#include <thread>

#include "engine/tasks/CustomEncoder.h"

namespace mediaconv::engine {

// Delivers one terminate event of an asynchronous run on a thread of its
// own, with its own copy of the record. The final event's thread first waits
// until every per-task delivery has returned. The encoder joins it; when the
// handler itself destroys the encoder (and with it this object), the thread
// is let go and touches nothing of either once the handler has returned.
class TCustomEncoder::TDoTerminateThread {
 public:
  TDoTerminateThread(TCustomEncoder& owner, const TTerminateInfo& info, bool final);
  ~TDoTerminateThread();
  TDoTerminateThread(const TDoTerminateThread&) = delete;
  TDoTerminateThread& operator=(const TDoTerminateThread&) = delete;

  bool Done() const { return state_->Done.load(); }
  std::thread::id Id() const { return thread_.get_id(); }
  void Join();

 private:
  // What the thread reads after the handler: it outlives this object.
  struct TState {
    explicit TState(const TTerminateInfo& info) : Info(info) {}
    const TTerminateInfo Info;
    std::atomic<bool> Done{false};
    bool Abandoned = false;  // set and read on the thread itself
  };

  static void Execute(TCustomEncoder& owner, bool final, const std::shared_ptr<TState>& state);

  const std::shared_ptr<TState> state_;
  std::thread thread_;  // last: starts once the rest is set
};

}  // namespace mediaconv::engine
