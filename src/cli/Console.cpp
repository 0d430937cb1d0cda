#include "cli/Console.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace mediaconv::cli {

TConsole::TConsole() : interactive_(::isatty(STDOUT_FILENO) == 1) {}

void TConsole::ClearLive() {
  if (!liveShown_) return;
  std::fputs("\r\033[K", stdout);
  std::fflush(stdout);
  liveShown_ = false;
}

void TConsole::Out(const std::string& line) {
  std::scoped_lock lock(mutex_);
  ClearLive();
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void TConsole::Err(const std::string& line) {
  std::scoped_lock lock(mutex_);
  ClearLive();
  std::fputs(line.c_str(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

void TConsole::Live(const std::string& line) {
  if (!interactive_) return;
  std::scoped_lock lock(mutex_);
  std::fputs("\r\033[K", stdout);
  std::fputs(line.c_str(), stdout);
  std::fflush(stdout);
  liveShown_ = true;
}

void TConsole::EndLive() {
  std::scoped_lock lock(mutex_);
  ClearLive();
}

int TConsole::Width() const {
  winsize size{};
  if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

}  // namespace mediaconv::cli
