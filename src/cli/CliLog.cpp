#include "cli/CliLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace mediaconv::cli {

TCliLog::TCliLog(TConsole& console) : console_(console) {}

TCliLog::~TCliLog() {
  Detach();
  if (file_) std::fclose(file_);
}

namespace {

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether the file is one of the inputs, through whatever name or link.
bool IsOneOf(const struct stat& file, const std::vector<std::string>& inputs) {
  for (const std::string& input : inputs) {
    struct stat info {};
    if (::stat(input.c_str(), &info) == 0 && SameFile(info, file)) return true;
  }
  return false;
}

}  // namespace

TCliLog::TOpenResult TCliLog::Open(const std::vector<std::string>& inputs, std::string& error) {
  if (path_.empty() || file_) return orOpened;
  struct stat info {};
  if (::stat(path_.c_str(), &info) == 0 && IsOneOf(info, inputs)) {
    error = "the log file " + path_ + " is one of the input files";
    return orIsInput;
  }
  // Appended to, never truncated: an earlier log (or a file named by
  // mistake) keeps what it held.
  const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd >= 0 && ::fstat(fd, &info) == 0 && IsOneOf(info, inputs)) {
    ::close(fd);
    error = "the log file " + path_ + " is one of the input files";
    return orIsInput;
  }
  if (fd >= 0) file_ = ::fdopen(fd, "a");
  if (!file_) {
    error = "cannot write the log file " + path_ + ": " + std::strerror(errno);
    if (fd >= 0) ::close(fd);
    return orFailed;
  }
  if (logger_) logger_->SetLogLevel(engine::llDebug);
  return orOpened;
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
  if (IsErrorLine(line) || line.rfind("Warning: ", 0) == 0) console_.Err(line);
}

void TCliLog::LoggerLine(uint32_t threadId, engine::TLogLevel level, const std::string& message) {
  Write("#" + std::to_string(threadId) + "." + std::to_string(static_cast<int>(level)) + ": " + message);
  // The run reports each failed file in a line of its own; the libraries'
  // errors behind it stay in the log file, save the fatal ones.
  if (level != engine::llQuiet && level <= engine::llFatal) console_.Err(message);
}

}  // namespace mediaconv::cli
