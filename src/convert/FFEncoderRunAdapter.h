#pragma once
#include "convert/RunEncoder.h"
#include "engine/tasks/CustomEncoder.h"

namespace mediaconv::convert {

// The run's encoder operations on the real encoder component.
class TFFEncoderRunAdapter : public TRunEncoder {
 public:
  explicit TFFEncoderRunAdapter(engine::TCustomEncoder& encoder) : encoder_(encoder) {}

  int TasksCount() const override { return encoder_.TasksCount(); }
  int AddTask(const std::string& fileName, engine::TInputOptions* options) override {
    return encoder_.AddTask(fileName, options);
  }
  bool AddInputFile(int taskIndex, const std::string& fileName, engine::TInputOptions* options) override {
    return encoder_.AddInputFile(taskIndex, fileName, options);
  }
  bool SetOutputFile(int taskIndex, const std::string& fileName, engine::TOutputOptions* options) override {
    return encoder_.SetOutputFile(taskIndex, fileName, options);
  }
  void RemoveTask(int taskIndex) override { encoder_.RemoveTask(taskIndex); }
  std::string LastErrMsg() const override { return encoder_.LastErrMsg(); }
  engine::TFFDecoder& Decoder() override { return encoder_.Decoder(); }
  engine::TFFDecoder* TaskInput(int taskIndex) override {
    if (taskIndex < 0 || taskIndex >= encoder_.TasksCount()) return nullptr;
    return encoder_.Tasks(taskIndex).Decoders(0);
  }
  void StartTask(int threadCount) override { encoder_.StartTask(threadCount); }
  void Stop(bool wait) override { encoder_.Stop(wait); }
  void ClearTasks() override { encoder_.ClearTasks(); }
  void WhenListDone(std::function<void()> fn) override { encoder_.WhenListDone(std::move(fn)); }

 private:
  engine::TCustomEncoder& encoder_;
};

}  // namespace mediaconv::convert
