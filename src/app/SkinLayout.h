#pragma once
#include <cstdint>
#include <optional>

namespace mediaconv::app {

struct TControlPos {
  bool visible;
  int left;
  int top;
};

struct TRgb {
  uint8_t red, green, blue;
};

// Where one skin variant puts the main window's controls (left and top in
// pixels within the 772 by 547 window; buttons size themselves to their
// images).
struct TSkinLayout {
  TControlPos minimizeButton;
  TControlPos closeButton;
  TControlPos helpButton;
  TControlPos logButton;
  TControlPos backButton;
  TControlPos nextButton;
  TControlPos exitButton;
  TControlPos pageControl;
  TControlPos titleLabel;
  bool titleBold;
  TRgb labelColour;  // version label and tools link
  // Set when the skin moves the version label and tools link (to these tops)
  // and brings them to the front.
  std::optional<int> versionLabelTop;
  std::optional<int> toolsLabelTop;
  bool transparentBottomButtons;  // with white caption text
  int helpMenuOffset;             // added to the Help button's left edge
  bool aboutHidesLeftPanel;       // the About window drops its logo panel
};

// The layout of skin variants 0 to 3; nothing for any other variant, whose
// controls stay where the window design puts them.
std::optional<TSkinLayout> SkinLayoutFor(int skin);

}  // namespace mediaconv::app
