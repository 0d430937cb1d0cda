// A downloaded video page: its title, the entities in it and the address of
// the video stream.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "download/PageParser.h"

using namespace mediaconv::download;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view page(reinterpret_cast<const char*>(data), size);
  ExtractPageTitle(page);
  ExtractVideoAddress(page);
  DecodeTitleEntities(std::string(page));
  return 0;
}
