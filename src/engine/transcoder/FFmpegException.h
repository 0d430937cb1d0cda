#pragma once
#include <stdexcept>
#include <string>

namespace mediaconv::engine {

// Raised by the transcoder core; its message is the text the user sees as
// the task's last error.
class FFmpegException : public std::runtime_error {
 public:
  explicit FFmpegException(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace mediaconv::engine
