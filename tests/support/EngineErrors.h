#pragma once
#include <string>

#include "engine/transcoder/FFmpegException.h"

namespace mediaconv::test {

// The message of the FFmpegException that fn raises, or "(no exception)".
template <typename F>
std::string ErrorOf(F&& fn) {
  try {
    fn();
  } catch (const engine::FFmpegException& error) {
    return error.what();
  }
  return "(no exception)";
}

}  // namespace mediaconv::test
