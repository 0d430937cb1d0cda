#include "cli/TerminalText.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

namespace mediaconv::cli {
namespace {

struct TRange {
  char32_t First;
  char32_t Last;
};

// East Asian Wide and Fullwidth blocks (Unicode's EastAsianWidth W and F),
// merged into the ranges a file name meets.
constexpr std::array<TRange, 17> kWide = {{
    {0x1100, 0x115F},
    {0x231A, 0x231B},
    {0x2329, 0x232A},
    {0x2E80, 0x303E},
    {0x3041, 0x33FF},
    {0x3400, 0x4DBF},
    {0x4E00, 0x9FFF},
    {0xA000, 0xA4CF},
    {0xA960, 0xA97F},
    {0xAC00, 0xD7A3},
    {0xF900, 0xFAFF},
    {0xFE10, 0xFE19},
    {0xFE30, 0xFE6F},
    {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6},
    {0x1F300, 0x1F64F},
    {0x1F900, 0x1F9FF},
}};
constexpr std::array<TRange, 2> kWidePlanes = {{{0x20000, 0x2FFFD}, {0x30000, 0x3FFFD}}};

// Combining marks and other characters that take no column of their own.
constexpr std::array<TRange, 9> kZeroWidth = {{
    {0x0300, 0x036F},
    {0x0483, 0x0489},
    {0x0591, 0x05BD},
    {0x0E31, 0x0E31},
    {0x1AB0, 0x1AFF},
    {0x1DC0, 0x1DFF},
    {0x200B, 0x200F},
    {0x20D0, 0x20FF},
    {0xFE00, 0xFE0F},
}};

template <size_t N>
bool InRanges(const std::array<TRange, N>& ranges, char32_t c) {
  return std::any_of(ranges.begin(), ranges.end(),
                     [c](const TRange& r) { return c >= r.First && c <= r.Last; });
}

char32_t Decode(const std::string& text, size_t i, size_t length) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
  static constexpr unsigned char kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  char32_t c = byte(0) & kLeadMask[length];
  for (size_t k = 1; k < length; ++k) c = (c << 6) | (byte(k) & 0x3F);
  return c;
}

bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

int Cells(char32_t c) {
  if (IsControl(c) || InRanges(kZeroWidth, c)) return 0;
  return InRanges(kWide, c) || InRanges(kWidePlanes, c) ? 2 : 1;
}

std::string HexEscape(unsigned char byte) {
  char text[8];
  std::snprintf(text, sizeof text, "\\x%02X", byte);
  return text;
}

}  // namespace

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

std::string TerminalText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t length = Utf8Length(text, i);
    if (length == 0) {
      out += HexEscape(static_cast<unsigned char>(text[i++]));
      continue;
    }
    const char32_t c = Decode(text, i, length);
    if (!IsControl(c)) {
      out.append(text, i, length);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      for (size_t k = 0; k < length; ++k) out += HexEscape(static_cast<unsigned char>(text[i + k]));
    }
    i += length;
  }
  return out;
}

int CellWidth(const std::string& text) {
  int width = 0;
  for (size_t i = 0; i < text.size();) {
    const size_t length = Utf8Length(text, i);
    width += length == 0 ? 1 : Cells(Decode(text, i, length));
    i += length == 0 ? 1 : length;
  }
  return width;
}

std::string FitCells(const std::string& text, int width) {
  int used = 0;
  size_t i = 0;
  while (i < text.size()) {
    const size_t length = Utf8Length(text, i);
    const int cells = length == 0 ? 1 : Cells(Decode(text, i, length));
    if (used + cells > width) break;
    used += cells;
    i += length == 0 ? 1 : length;
  }
  return text.substr(0, i);
}

}  // namespace mediaconv::cli
