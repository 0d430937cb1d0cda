#include "download/DownloadTexts.h"

#include <cstdio>

namespace mediaconv::download {
namespace {

std::string TwoDecimals(double value, const char* unit) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f%s", value, unit);
  return text;
}

}  // namespace

std::string SizeText(uint64_t bytes) { return TwoDecimals(static_cast<double>(bytes) / 1048576.0, "MB"); }

std::string SpeedText(uint64_t bytesRead, int64_t elapsedSeconds) {
  const double kilobytes = static_cast<double>(bytesRead) / 1024.0;
  return TwoDecimals(elapsedSeconds != 0 ? kilobytes / static_cast<double>(elapsedSeconds) : kilobytes,
                     " KB/s");
}

}  // namespace mediaconv::download
