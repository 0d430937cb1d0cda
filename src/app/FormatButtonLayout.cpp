#include "app/FormatButtonLayout.h"

#include <algorithm>

namespace mediaconv::app {
namespace {

struct TGrid {
  int originLeft, originTop;
  int pitchX, pitchY;
  int columnMargin;  // page width taken by the left origin and the right border
  int columnWidth;   // width counted per column when fitting columns to the page
};

constexpr TGrid kFormatGrid{10, 5, 64, 60, 10 + 2, 62};
constexpr TGrid kClassGrid{18, 135, 171, 32, 18, 171};
constexpr int kFormatPagesTopWithClasses = 172;
constexpr int kFormatPagesTopAlone = 120;

TButtonPlace Place(const TGrid& grid, int pageWidth, int n, uint8_t id) {
  const int columns = std::max(1, (pageWidth - grid.columnMargin) / grid.columnWidth);
  return {id, grid.originLeft + grid.pitchX * (n % columns), grid.originTop + grid.pitchY * (n / columns)};
}

}  // namespace

std::vector<TButtonPlace> FormatButtonLayout(const TFormatFlags& flags, TFormatClass formatClass,
                                             int pageWidth) {
  std::vector<TButtonPlace> places;
  for (size_t i = 0; i < kFormatFlags.size(); ++i)
    if (kFormatFlags[i].formatClass == formatClass && flags[i])
      places.push_back(Place(kFormatGrid, pageWidth, static_cast<int>(places.size()), kFormatFlags[i].id));
  return places;
}

bool ClassOffered(const TFormatFlags& flags, TFormatClass formatClass) {
  for (size_t i = 0; i < kFormatFlags.size(); ++i)
    if (kFormatFlags[i].formatClass == formatClass && flags[i]) return true;
  return false;
}

TClassButtonLayout ClassButtonLayout(const TFormatFlags& flags, int outputPageWidth) {
  TClassButtonLayout layout;
  for (uint8_t c = 0; c < kFormatClassCount; ++c)
    if (ClassOffered(flags, static_cast<TFormatClass>(c)))
      layout.buttons.push_back(
          Place(kClassGrid, outputPageWidth, static_cast<int>(layout.buttons.size()), c));
  if (layout.buttons.size() == 1) {
    layout.buttons.clear();
    layout.formatPagesTop = kFormatPagesTopAlone;
  } else {
    layout.formatPagesTop = kFormatPagesTopWithClasses;
  }
  return layout;
}

}  // namespace mediaconv::app
