#include "cli/Console.h"

#include "cli/TerminalText.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace mediaconv::cli {

TConsole::TConsole() : interactive_(::isatty(STDOUT_FILENO) == 1) {}

void TConsole::ClearLive() {
  if (!liveShown_ || outClosed_) return;
  std::fputs("\r\033[K", stdout);
  WroteOut();
  liveShown_ = false;
}

void TConsole::Out(const std::string& line) {
  std::scoped_lock lock(mutex_);
  if (json_) {
    std::fputs(line.c_str(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    return;
  }
  if (outClosed_) return;
  ClearLive();
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  WroteOut();
}

void TConsole::Json(const std::string& object) {
  std::scoped_lock lock(mutex_);
  if (outClosed_) return;
  std::fputs(object.c_str(), stdout);
  std::fputc('\n', stdout);
  WroteOut();
}

void TConsole::WroteOut() {
  // Nobody reads any more: the run goes on, silently.
  if (std::fflush(stdout) != 0 && errno == EPIPE) outClosed_ = true;
}

void TConsole::Err(const std::string& line) {
  std::scoped_lock lock(mutex_);
  ClearLive();
  // Error lines quote file names and library messages: nothing in them may
  // act on the terminal.
  std::fputs(TerminalText(line).c_str(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

void TConsole::Live(const std::string& line) {
  if (!Interactive()) return;
  std::scoped_lock lock(mutex_);
  if (outClosed_) return;
  std::fputs("\r\033[K", stdout);
  std::fputs(line.c_str(), stdout);
  WroteOut();
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
