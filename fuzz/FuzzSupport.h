#pragma once
// Helpers shared by the fuzz targets: the code under test reads files by
// name, so the input goes into an anonymous in-memory file whose
// /proc/self/fd path stands in for a file name.
#include <cstddef>
#include <cstdint>
#include <string>

namespace mediaconv::fuzz {

class TMemoryFile {
 public:
  TMemoryFile(const uint8_t* data, size_t size);
  ~TMemoryFile();
  TMemoryFile(const TMemoryFile&) = delete;
  TMemoryFile& operator=(const TMemoryFile&) = delete;
  // Empty when the file could not be made.
  const std::string& Path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};

// Loads the media libraries once; aborts when they cannot be loaded, since
// every input would then be a false pass.
void LoadMediaLibrariesOnce();

}  // namespace mediaconv::fuzz
