#pragma once
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "cli/Console.h"
#include "engine/log/FFLogger.h"

namespace mediaconv::cli {

// The log of a command: the engine's logger lines as the wizard's log window
// shows them ("#<thread>.<level>: <message>") and the lines the run adds, in
// the file of --log. The run's error lines (and fatal logger lines) also go
// to standard error. Lines may come from
// any thread.
class TCliLog {
 public:
  explicit TCliLog(TConsole& console);
  ~TCliLog();
  TCliLog(const TCliLog&) = delete;
  TCliLog& operator=(const TCliLog&) = delete;

  // Opens (truncates) the log file; false with the reason on failure.
  bool Open(const std::string& path, std::string& error);
  bool HasFile() const { return file_ != nullptr; }
  // Starts taking the logger's lines: every level into a log file, only the
  // fatal ones (for standard error) without one.
  void Attach(engine::TFFLogger& logger);
  void Detach();

  // A line of the run (the wizard's AppendLog).
  void AppendLog(const std::string& line);
  // One line of the logger.
  void LoggerLine(uint32_t threadId, engine::TLogLevel level, const std::string& message);

  // Lines the run adds about a file it could not take.
  static bool IsErrorLine(const std::string& line);

 private:
  void Write(const std::string& line);

  TConsole& console_;
  std::mutex mutex_;
  FILE* file_ = nullptr;
  engine::TFFLogger* logger_ = nullptr;
};

}  // namespace mediaconv::cli
