#pragma once
#include <csignal>

namespace mediaconv::cli {

// Catches Ctrl+C, a termination request and a hang-up (the terminal went
// away) for its life, so that a run can
// stop in order. A second one while the run is stopping ends the process at
// once.
class TInterruptGuard {
 public:
  TInterruptGuard();
  ~TInterruptGuard();
  TInterruptGuard(const TInterruptGuard&) = delete;
  TInterruptGuard& operator=(const TInterruptGuard&) = delete;

  bool Interrupted() const;

 private:
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
  struct sigaction oldHup_ {};
};

}  // namespace mediaconv::cli
