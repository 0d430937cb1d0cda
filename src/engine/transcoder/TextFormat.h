#pragma once
#include <cstdarg>
#include <cstdio>
#include <string>

namespace mediaconv::engine {

// printf-style text of the transcoder's messages.
inline std::string TextFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
inline std::string TextFormat(const char* format, ...) {
  char buffer[2048];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

}  // namespace mediaconv::engine
