#pragma once
#include <cstdint>
#include <string>

namespace mediaconv::cli {

// A JSON string literal, quotes included. Bytes that are not valid UTF-8
// become U+FFFD so the output stays valid JSON whatever a file name holds.
std::string JsonString(const std::string& text);
// The number, or null for the "not known" values (below 0).
std::string JsonCount(int64_t value);
std::string JsonNumber(double value, bool known);

}  // namespace mediaconv::cli
