#include "convert/ProgressTexts.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>

namespace mediaconv::convert {

std::string ClockText(double seconds) {
  // Past this the count no longer fits; such an estimate means nothing anyway.
  constexpr double kLongest = 1e12;
  const uint64_t whole = !(seconds > 0) ? 0 : static_cast<uint64_t>(std::min(seconds, kLongest));
  char text[48];
  std::snprintf(text, sizeof text, "%" PRIu64 ":%02" PRIu64 ":%02" PRIu64, whole / 3600, whole / 60 % 60,
                whole % 60);
  return text;
}

int TaskPercent(int64_t currentDuration, int64_t totalDuration) {
  if (totalDuration <= 0) return 0;
  // current x 100 cannot overflow for any duration a file can have (about
  // 2900 years), but a damaged report must not wrap to a small number.
  const int64_t percent =
      currentDuration > INT64_MAX / 100 ? INT64_MAX : currentDuration * 100 / totalDuration;
  return static_cast<int>(std::clamp<int64_t>(percent, 0, 100));
}

TTimeTexts RunTimeTexts(int64_t queuedDuration, int64_t doneDuration, int64_t currentDuration,
                        double elapsedSeconds) {
  TTimeTexts texts;
  texts.Elapsed = ClockText(elapsedSeconds);
  texts.ElapsedSeconds = elapsedSeconds;
  const int64_t progressed = doneDuration + currentDuration;
  if (queuedDuration <= 0 || progressed <= 0) {
    texts.Estimated = "N/A";
    texts.Left = "N/A";
    return texts;
  }
  const double estimated = std::max(
      static_cast<double>(queuedDuration) * elapsedSeconds / static_cast<double>(progressed), elapsedSeconds);
  texts.Estimated = ClockText(estimated);
  texts.Left = ClockText(estimated - elapsedSeconds);
  texts.LeftSeconds = estimated - elapsedSeconds;
  texts.OverallPercent = static_cast<int>(std::clamp<int64_t>(progressed * 100 / queuedDuration, 0, 100));
  return texts;
}

}  // namespace mediaconv::convert
