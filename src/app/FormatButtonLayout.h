#pragma once
#include <cstdint>
#include <vector>

#include "app/FormatFlags.h"

namespace mediaconv::app {

struct TButtonPlace {
  uint8_t id;  // format id within its class, or class id for class buttons
  int left;
  int top;
};

inline constexpr int kFormatButtonWidth = 62;
inline constexpr int kFormatButtonHeight = 57;
inline constexpr int kClassButtonWidth = 171;
inline constexpr int kClassButtonHeight = 32;

// The offered format buttons of one class, packed in button order into the
// grid of a format page of the given width.
std::vector<TButtonPlace> FormatButtonLayout(const TFormatFlags& flags, TFormatClass formatClass,
                                             int pageWidth);

// Whether a class page shows at least one button.
bool ClassOffered(const TFormatFlags& flags, TFormatClass formatClass);

struct TClassButtonLayout {
  // The shown class buttons; empty when one class or none remains.
  std::vector<TButtonPlace> buttons;
  int formatPagesTop;  // top of the format page control within the output page
};

// The class buttons of the output page: a class without buttons loses its
// class button; when only one class remains none is shown and the format
// pages move up.
TClassButtonLayout ClassButtonLayout(const TFormatFlags& flags, int outputPageWidth);

}  // namespace mediaconv::app
