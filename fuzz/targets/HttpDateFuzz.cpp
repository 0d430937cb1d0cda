// Date headers of a server in any of the three HTTP forms, and zone offsets.
#include <cstddef>
#include <cstdint>
#include <string>

#include "http/HttpDate.h"

using namespace mediaconv::http;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  HttpDateToDateTime(text);
  GmtOffsetStrToDateTime(text);
  return 0;
}
