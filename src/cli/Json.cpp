#include "cli/Json.h"

#include <cmath>
#include <cstdio>

namespace mediaconv::cli {
namespace {

// Length of the UTF-8 sequence at text[i], 0 when it is not valid.
size_t Utf8Length(const std::string& text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  size_t length = lead < 0x80           ? 1
                  : (lead >> 5) == 0x6  ? 2
                  : (lead >> 4) == 0xE  ? 3
                  : (lead >> 3) == 0x1E ? 4
                                        : 0;
  if (length == 0 || i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k)
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
  if (length == 2 && lead < 0xC2) return 0;                                   // overlong
  if (length == 3 && lead == 0xE0 && byte(i + 1) < 0xA0) return 0;            // overlong
  if (length == 3 && lead == 0xED && byte(i + 1) >= 0xA0) return 0;           // surrogate
  if (length == 4 && (lead > 0xF4 || (lead == 0xF0 && byte(i + 1) < 0x90) ||  // overlong
                      (lead == 0xF4 && byte(i + 1) >= 0x90)))                 // beyond U+10FFFF
    return 0;
  return length;
}

}  // namespace

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const size_t length = Utf8Length(text, i);
    if (length == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    if (length > 1) {
      out.append(text, i, length);
      i += length;
      continue;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", c);
          out += escape;
        } else {
          out += static_cast<char>(c);
        }
    }
    ++i;
  }
  return out + "\"";
}

std::string JsonCount(int64_t value) { return value < 0 ? "null" : std::to_string(value); }

std::string JsonNumber(double value, bool known) {
  if (!known || !std::isfinite(value)) return "null";
  char text[40];
  std::snprintf(text, sizeof text, "%.10g", value);
  return text;
}

}  // namespace mediaconv::cli
