#pragma once
#include <string>
#include <string_view>

namespace mediaconv::download {

// The video service's domain: what makes a text a link of the service, and
// the host of the media address.
inline constexpr std::string_view kServiceDomain = "youtube.com";

// A link of the service: its lower-cased form holds "http" and the domain.
bool IsServiceLink(std::string_view text);

}  // namespace mediaconv::download
