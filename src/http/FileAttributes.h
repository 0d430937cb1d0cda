#pragma once
#include <string>

#include "http/WinHTTPTypes.h"

namespace mediaconv::http {

// The extended attribute that keeps the attributes Linux has no bit for.
inline constexpr const char* kAttributesXattr = "user.mediaconv.attributes";

// Read-only removes the write bits (and its absence gives the owner's back);
// the others are recorded as names ("archive,temporary") in the extended
// attribute where the file system keeps one. False when the file is missing.
bool SetFileAttributes(const std::string& fileName, TWinHTTPFileAttributes attributes);
TWinHTTPFileAttributes GetFileAttributes(const std::string& fileName);

}  // namespace mediaconv::http
