#include "cli/CliLog.h"

#include <cerrno>
#include <cstring>

namespace mediaconv::cli {

TCliLog::TCliLog(TConsole& console) : console_(console) {}

TCliLog::~TCliLog() {
  Detach();
  if (file_) std::fclose(file_);
}

bool TCliLog::Open(const std::string& path, std::string& error) {
  file_ = std::fopen(path.c_str(), "w");
  if (!file_) error = "cannot write the log file " + path + ": " + std::strerror(errno);
  return file_ != nullptr;
}

void TCliLog::Attach(engine::TFFLogger& logger) {
  logger_ = &logger;
  // The lines are written where they arise: a terminal front end has no
  // window that must own them, and a worker need not wait for the main loop.
  logger.SetTriggerEventInMainThread(false);
  logger.OnLog = [this](const void*, uint32_t threadId, engine::TLogLevel level, const std::string& message) {
    LoggerLine(threadId, level, message);
  };
  // Without a file only fatal lines are shown, so the libraries need not
  // format the rest.
  logger.SetLogLevel(file_ ? engine::llDebug : engine::llFatal);
}

void TCliLog::Detach() {
  if (!logger_) return;
  logger_->OnLog = nullptr;
  logger_ = nullptr;
}

bool TCliLog::IsErrorLine(const std::string& line) {
  for (const char* prefix : {"File load error: ", "Adding file error: ", "Cannot do convert, error: "})
    if (line.rfind(prefix, 0) == 0) return true;
  return false;
}

void TCliLog::Write(const std::string& line) {
  std::scoped_lock lock(mutex_);
  if (!file_) return;
  std::fputs(line.c_str(), file_);
  std::fputc('\n', file_);
  std::fflush(file_);
}

void TCliLog::AppendLog(const std::string& line) {
  Write(line);
  if (IsErrorLine(line)) console_.Err(line);
}

void TCliLog::LoggerLine(uint32_t threadId, engine::TLogLevel level, const std::string& message) {
  Write("#" + std::to_string(threadId) + "." + std::to_string(static_cast<int>(level)) + ": " + message);
  // The run reports each failed file in a line of its own; the libraries'
  // errors behind it stay in the log file, save the fatal ones.
  if (level != engine::llQuiet && level <= engine::llFatal) console_.Err(message);
}

}  // namespace mediaconv::cli
