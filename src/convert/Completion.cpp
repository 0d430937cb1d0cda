#include "convert/Completion.h"

namespace mediaconv::convert {

std::string CompletionSound(bool playASound, int succeededCount, int totalFiles) {
  if (!playASound) return {};
  return succeededCount < totalFiles ? kFailSound : kDoneSound;
}

}  // namespace mediaconv::convert
