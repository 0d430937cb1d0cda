#pragma once
#include <atomic>
#include <thread>

#include "engine/encoder/CustomEncoder.h"

namespace mediaconv::engine {

// Delivers one terminate event of an asynchronous run on a thread of its
// own, with its own copy of the record. The final event's thread first waits
// until every per-task delivery has returned. The encoder joins it.
class TCustomEncoder::TDoTerminateThread {
 public:
  TDoTerminateThread(TCustomEncoder& owner, const TTerminateInfo& info, bool final);
  ~TDoTerminateThread();
  TDoTerminateThread(const TDoTerminateThread&) = delete;
  TDoTerminateThread& operator=(const TDoTerminateThread&) = delete;

  bool Done() const { return done_.load(); }
  std::thread::id Id() const { return thread_.get_id(); }
  void Join();

 private:
  void Execute();

  TCustomEncoder& owner_;
  const TTerminateInfo info_;
  const bool final_;
  std::atomic<bool> done_{false};
  std::thread thread_;  // last: starts once the rest is set
};

}  // namespace mediaconv::engine
