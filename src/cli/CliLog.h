#pragma once
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

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

  // The file of --log, opened later by Open: a command first checks its
  // arguments, so that a mistyped command line leaves the file alone.
  void SetPath(const std::string& path) { path_ = path; }
  const std::string& Path() const { return path_; }
  enum TOpenResult { orOpened, orIsInput, orFailed };
  // Opens the file of SetPath for appending (nothing when none was given),
  // unless it is one of inputs under any name; with the reason in error.
  TOpenResult Open(const std::vector<std::string>& inputs, std::string& error);
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
  std::string path_;
  engine::TFFLogger* logger_ = nullptr;
};

}  // namespace mediaconv::cli
