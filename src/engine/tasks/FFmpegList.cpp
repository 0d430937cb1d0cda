#include "engine/tasks/FFmpegList.h"

#include <algorithm>

namespace mediaconv::engine {

TFFmpegList::~TFFmpegList() { Clear(); }

int TFFmpegList::Add(std::unique_ptr<TFFmpeg> task) {
  tasks_.push_back(std::move(task));
  return Count() - 1;
}

int TFFmpegList::IndexOf(const TFFmpeg* task) const {
  const auto found =
      std::find_if(tasks_.begin(), tasks_.end(), [task](const auto& item) { return item.get() == task; });
  return found == tasks_.end() ? -1 : int(found - tasks_.begin());
}

void TFFmpegList::Delete(int index) { tasks_.erase(tasks_.begin() + index); }

void TFFmpegList::Clear() {
  // Freed front to back, as they were added; each waits for its own worker.
  for (auto& task : tasks_) task.reset();
  tasks_.clear();
}

std::vector<std::unique_ptr<TFFmpeg>> TFFmpegList::TakeAll() {
  std::vector<std::unique_ptr<TFFmpeg>> tasks;
  tasks.swap(tasks_);
  return tasks;
}

void TFFmpegList::StopAll(bool wait) {
  for (auto& task : tasks_) task->Terminate(wait);
}

void TFFmpegList::SetPreview(bool preview) {
  for (auto& task : tasks_) task->SetPreview(preview);
}

void TFFmpegList::SetPreviewBitmap(bool previewBitmap) {
  for (auto& task : tasks_) task->SetPreviewBitmap(previewBitmap);
}

}  // namespace mediaconv::engine
