#pragma once
#include <cstdint>
#include <string>

namespace mediaconv::convert {

// "h:nn:ss": hours without a leading zero and without wrapping at a day,
// two-digit minutes and seconds, seconds truncated. Negative counts show as
// 0:00:00.
std::string ClockText(double seconds);

// A task's percent: current x 100 / total in 64-bit integers, then clamped
// to the bar's 0..100. Only meaningful when total is above 0.
int TaskPercent(int64_t currentDuration, int64_t totalDuration);

// The time labels of the progress page.
struct TTimeTexts {
  std::string Estimated;    // "Estimated overall time:"
  std::string Elapsed;      // "Elapsed time:"
  std::string Left;         // "Time left:"
  int OverallPercent = -1;  // share of the queued input done so far; -1 when unknown
  double ElapsedSeconds = 0;
  double LeftSeconds = -1;  // -1 when unknown
};

// estimated = queued x elapsed / (done + current): the run's total time if
// the rest goes at the speed so far. With nothing of known duration queued
// (or nothing done yet) there is no estimate: "N/A". An estimate below the
// time already spent is raised to it, so the time left never goes negative.
TTimeTexts RunTimeTexts(int64_t queuedDuration, int64_t doneDuration, int64_t currentDuration,
                        double elapsedSeconds);

}  // namespace mediaconv::convert
