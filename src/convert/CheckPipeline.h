#pragma once
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "app/MainThread.h"

namespace mediaconv::convert {

// Opens the items of a list on one worker per lane while the main thread
// takes them in list order. Worker w opens items w, w + lanes, ... and keeps
// one open at a time: it opens its next only once the main thread is done
// with the last, so no more than one item per lane is ever open.
class TCheckPipeline {
 public:
  // Runs on a worker and must not throw; what it opens belongs to that lane
  // until Done.
  using TOpen = std::function<void(size_t lane, size_t item)>;

  TCheckPipeline(size_t lanes, size_t items, TOpen open, app::TMainThread& mainThread);
  // Cancels and waits for the workers.
  ~TCheckPipeline();
  TCheckPipeline(const TCheckPipeline&) = delete;
  TCheckPipeline& operator=(const TCheckPipeline&) = delete;

  // Serves the main thread until item is open; from then until Done the
  // item's lane is the caller's.
  void WaitOpened(size_t item);
  // Hands the item's lane back to its worker.
  void Done(size_t item);
  // No worker opens another item; those waiting end.
  void Cancel();

  size_t LaneOf(size_t item) const { return item % lanes_; }

 private:
  void Work(size_t lane);

  const size_t lanes_;
  const size_t items_;
  TOpen open_;
  app::TMainThread& mainThread_;
  std::mutex lock_;
  std::condition_variable changed_;
  // Per item: opened by its worker, handed back by the main thread.
  std::vector<char> opened_;
  std::vector<char> done_;
  bool cancelled_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace mediaconv::convert
