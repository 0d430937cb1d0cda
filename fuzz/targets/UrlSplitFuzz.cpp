// A URL split into its parts, decoded, and its path and query escaped again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "http/HttpUrl.h"

using namespace mediaconv::http;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string url(reinterpret_cast<const char*>(data), size);
  PercentDecode(url);
  for (const std::string& candidate : {url, WithScheme(url)}) {
    TUrlParts parts;
    if (!CrackUrl(candidate, parts)) continue;
    EscapeUrlPath(parts.UrlPath);
    EscapeExtraInfo(parts.ExtraInfo);
  }
  return 0;
}
