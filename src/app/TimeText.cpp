#include "app/TimeText.h"

#include <cinttypes>
#include <cstdio>

namespace mediaconv::app {
namespace {

// The size of a signed value, exact even for the smallest one.
uint64_t Magnitude(int64_t value) {
  return value < 0 ? 0u - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

}  // namespace

std::string SecondsText(int32_t seconds) {
  const uint64_t s = Magnitude(seconds);
  char text[48];
  std::snprintf(text, sizeof text, "%s%02" PRIu64 ":%02" PRIu64 ":%02" PRIu64, seconds < 0 ? "-" : "",
                s / 3600, s % 3600 / 60, s % 60);
  return text;
}

std::string MicrosecondsText(int64_t microseconds) {
  const uint64_t t = Magnitude(microseconds);
  const uint64_t s = t / 1000000;
  char text[64];
  std::snprintf(text, sizeof text, "%s%02" PRIu64 ":%02" PRIu64 ":%02" PRIu64 ".%03" PRIu64,
                microseconds < 0 ? "-" : "", s / 3600, s / 60 % 60, s % 60, t % 1000000 / 1000);
  return text;
}

}  // namespace mediaconv::app
