// The four skin layouts, every coordinate and switch, against a checked-in listing.
#include <gtest/gtest.h>

#include "app/SkinLayout.h"
#include "support/Fixtures.h"

namespace mediaconv::app {
namespace {

std::string Position(const char* name, const TControlPos& position) {
  return std::string(" ") + name + "=" + (position.visible ? "" : "hidden:") + std::to_string(position.left) +
         "," + std::to_string(position.top);
}

std::string SkinListing() {
  std::string listing;
  for (int skin = 0; skin <= 3; ++skin) {
    const std::optional<TSkinLayout> layout = SkinLayoutFor(skin);
    if (!layout) {
      listing += "skin " + std::to_string(skin) + ": none\n";
      continue;
    }
    const TSkinLayout& l = *layout;
    std::string line = "skin " + std::to_string(skin) + ":";
    line += Position("minimize", l.minimizeButton) + Position("close", l.closeButton) +
            Position("help", l.helpButton) + Position("log", l.logButton) + Position("back", l.backButton) +
            Position("next", l.nextButton) + Position("exit", l.exitButton) + Position("pages", l.pageControl) +
            Position("title", l.titleLabel);
    line += " titleBold=" + std::to_string(l.titleBold);
    line += " labelColour=" + std::to_string(l.labelColour.red) + "," + std::to_string(l.labelColour.green) + "," +
            std::to_string(l.labelColour.blue);
    line += " versionTop=" + (l.versionLabelTop ? std::to_string(*l.versionLabelTop) : std::string("-"));
    line += " toolsTop=" + (l.toolsLabelTop ? std::to_string(*l.toolsLabelTop) : std::string("-"));
    line += " transparentBottom=" + std::to_string(l.transparentBottomButtons);
    line += " helpMenuOffset=" + std::to_string(l.helpMenuOffset);
    line += " aboutHidesLeftPanel=" + std::to_string(l.aboutHidesLeftPanel);
    listing += line + "\n";
  }
  return listing;
}

TEST(SkinGoldenTest, EverySkinPutsTheControlsWhereTheListingSays) {
  mediaconv::test::ExpectMatchesGolden(SkinListing(), "skins.txt");
}

}  // namespace
}  // namespace mediaconv::app
