#include "engine/common/CodecLock.h"

namespace mediaconv::engine {

std::mutex& CodecLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace mediaconv::engine
