#include "cli/Interrupt.h"

#include <atomic>

namespace mediaconv::cli {
namespace {

std::atomic<int> interruptSignals{0};

extern "C" void OnInterrupt(int signal) {
  if (interruptSignals.fetch_add(1) > 0) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
  }
}

}  // namespace

TInterruptGuard::TInterruptGuard() {
  interruptSignals = 0;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &oldInt_);
  sigaction(SIGTERM, &action, &oldTerm_);
  sigaction(SIGHUP, &action, &oldHup_);
}

TInterruptGuard::~TInterruptGuard() {
  sigaction(SIGINT, &oldInt_, nullptr);
  sigaction(SIGTERM, &oldTerm_, nullptr);
  sigaction(SIGHUP, &oldHup_, nullptr);
}

bool TInterruptGuard::Interrupted() const { return interruptSignals.load() > 0; }

}  // namespace mediaconv::cli
