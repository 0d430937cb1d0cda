#pragma once
#include <cstdint>
#include <string>

namespace mediaconv::app {

// "hh:mm:ss" with at least two digits each; hours are not wrapped, so
// 100 hours print as "100:00:00". A negative count prints as "-" and the
// text of its size.
std::string SecondsText(int32_t seconds);

// "hh:mm:ss.mmm" of a duration in microseconds, milliseconds truncated;
// negative durations as in SecondsText.
std::string MicrosecondsText(int64_t microseconds);

}  // namespace mediaconv::app
