#include "download/VideoService.h"

#include <algorithm>
#include <cctype>

namespace mediaconv::download {

bool IsServiceLink(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower.find("http") != std::string::npos && lower.find(kServiceDomain) != std::string::npos;
}

}  // namespace mediaconv::download
