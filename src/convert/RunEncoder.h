#pragma once
#include <functional>

#include "profiles/OptionBuilder.h"

namespace mediaconv::engine {
class TFFDecoder;
}

namespace mediaconv::convert {

// The encoder operations the conversion run drives. TFFEncoder provides them
// (TFFEncoderRunAdapter); tests put a scripted encoder in its place.
class TRunEncoder : public profiles::TJoinEncoder {
 public:
  // The prober that names why a file could not become a task.
  virtual engine::TFFDecoder& Decoder() = 0;
  // Describes the first input of a task as the task opened it; null when
  // the task has no open input.
  virtual engine::TFFDecoder* TaskInput(int taskIndex) = 0;
  virtual void StartTask(int threadCount) = 0;
  virtual void Stop(bool wait) = 0;
  virtual void ClearTasks() = 0;
  // Runs fn on the main thread once ClearTasks is allowed (after the list's
  // final event has returned, or at once when the list is not working).
  virtual void WhenListDone(std::function<void()> fn) = 0;
};

}  // namespace mediaconv::convert
