#pragma once
#include <memory>
#include <vector>

#include "engine/tasks/FFmpeg.h"

namespace mediaconv::engine {

// The encoder's ordered list of tasks; it owns them.
class TFFmpegList {
 public:
  TFFmpegList() = default;
  TFFmpegList(const TFFmpegList&) = delete;
  TFFmpegList& operator=(const TFFmpegList&) = delete;
  ~TFFmpegList();

  // Returns the new task's index.
  int Add(std::unique_ptr<TFFmpeg> task);
  TFFmpeg& operator[](int index) const { return *tasks_.at(index); }
  int IndexOf(const TFFmpeg* task) const;
  int Count() const { return int(tasks_.size()); }
  // Frees the task; later tasks move down by one.
  void Delete(int index);
  void Clear();
  // Empties the list and hands its tasks over, for freeing them outside a lock.
  std::vector<std::unique_ptr<TFFmpeg>> TakeAll();
  // Asks every task to end (Terminate); with wait, returns when each has.
  void StopAll(bool wait);
  void SetPreview(bool preview);
  void SetPreviewBitmap(bool previewBitmap);

 private:
  std::vector<std::unique_ptr<TFFmpeg>> tasks_;
};

}  // namespace mediaconv::engine
