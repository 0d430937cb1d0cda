// The edition file read at start-up, and the skin folder it names.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "app/EditionProfile.h"

using namespace mediaconv::app;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const mediaconv::fuzz::TMemoryFile file(data, size);
  if (file.Path().empty()) return 0;
  const EditionProfile edition = ReadEditionProfile(file.Path());
  SkinFolder("/opt/mediaconv/", edition);
  for (int formatClass = 0; formatClass < 3; ++formatClass)
    for (int id = 0; id < 256; id += 17) edition.Offers(static_cast<TFormatClass>(formatClass), uint8_t(id));
  return 0;
}
