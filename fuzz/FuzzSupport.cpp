#include "FuzzSupport.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "engine/loader/FFLoader.h"

namespace mediaconv::fuzz {

TMemoryFile::TMemoryFile(const uint8_t* data, size_t size) {
  fd_ = memfd_create("fuzz-input", MFD_CLOEXEC);
  if (fd_ < 0) return;
  size_t written = 0;
  while (written < size) {
    const ssize_t n = write(fd_, data + written, size - written);
    if (n <= 0) return;
    written += static_cast<size_t>(n);
  }
  path_ = "/proc/self/fd/" + std::to_string(fd_);
}

TMemoryFile::~TMemoryFile() {
  if (fd_ >= 0) close(fd_);
}

void LoadMediaLibrariesOnce() {
  auto& loader = engine::TFFLoader::Instance();
  if (loader.LibrariesLoaded(engine::EngineLibraries)) return;
  if (!loader.LoadLibraries(engine::EngineLibraries)) {
    std::fprintf(stderr, "cannot load the media libraries: %s\n", loader.LastErrorText().c_str());
    std::abort();
  }
}

}  // namespace mediaconv::fuzz
