#include <array>

#include "http/WinHTTPTypes.h"

namespace mediaconv::http {

namespace {

struct TStatusRow {
  int code;
  const char* text;
};

constexpr std::array<TStatusRow, 18> kStatusTexts{{
    {10, "Resolving name"},
    {11, "Name resolved"},
    {20, "Connecting to server"},
    {21, "Connected"},
    {30, "Sending Request"},
    {31, "Request sent"},
    {40, "Receiving response"},
    {41, "Response received"},
    {42, "CTL Response received"},
    {43, "Prefetch"},
    {50, "Closing connection"},
    {51, "Connection closed"},
    {60, "Handle created"},
    {70, "Handle closing"},
    {100, "Request complete"},
    {110, "Redirect"},
    {120, "Intermediate response"},
    {200, "State change"},
}};

}  // namespace

const char* StatusText(int code) {
  for (const TStatusRow& row : kStatusTexts)
    if (row.code == code) return row.text;
  return "Unknown status";
}

}  // namespace mediaconv::http
