#pragma once
// Collects the engine logger's lines for the life of the object, handed over
// on the thread that logs them; the logger's level and hand-off are restored
// afterwards.
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/log/FFLogger.h"

namespace mediaconv::test {

class TLogCapture {
 public:
  // With a sender, only the lines logged for it; with a level, the logger
  // logs at that level meanwhile.
  explicit TLogCapture(const void* sender = nullptr, std::optional<engine::TLogLevel> level = engine::llDebug)
      : sender_(sender) {
    auto& logger = engine::TFFLogger::DefaultLogger();
    savedLevel_ = logger.LogLevel();
    savedTrigger_ = logger.TriggerEventInMainThread();
    logger.SetTriggerEventInMainThread(false);
    if (level) logger.SetLogLevel(*level);
    logger.OnLog = [this](const void* sender, uint32_t, engine::TLogLevel level, const std::string& message) {
      if (sender_ && sender != sender_) return;
      std::scoped_lock lock(mutex_);
      lines_.emplace_back(level, message);
    };
  }
  ~TLogCapture() {
    auto& logger = engine::TFFLogger::DefaultLogger();
    logger.OnLog = nullptr;
    logger.SetLogLevel(savedLevel_);
    logger.SetTriggerEventInMainThread(savedTrigger_);
  }
  TLogCapture(const TLogCapture&) = delete;
  TLogCapture& operator=(const TLogCapture&) = delete;

  // Lines of the level that contain text.
  int Count(engine::TLogLevel level, const std::string& text) const {
    std::scoped_lock lock(mutex_);
    int count = 0;
    for (const auto& [lineLevel, message] : lines_)
      if (lineLevel == level && message.find(text) != std::string::npos) ++count;
    return count;
  }
  std::vector<std::string> Lines(engine::TLogLevel level) const {
    std::scoped_lock lock(mutex_);
    std::vector<std::string> result;
    for (const auto& [lineLevel, message] : lines_)
      if (lineLevel == level) result.push_back(message);
    return result;
  }
  // Every line, whatever its level.
  std::vector<std::string> Lines() const {
    std::scoped_lock lock(mutex_);
    std::vector<std::string> result;
    for (const auto& line : lines_) result.push_back(line.second);
    return result;
  }

 private:
  const void* sender_;
  mutable std::mutex mutex_;
  std::vector<std::pair<engine::TLogLevel, std::string>> lines_;
  engine::TLogLevel savedLevel_ = engine::llInfo;
  bool savedTrigger_ = true;
};

}  // namespace mediaconv::test
