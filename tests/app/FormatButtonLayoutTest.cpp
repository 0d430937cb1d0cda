#include "app/FormatButtonLayout.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string_view>
#include <tuple>

namespace mediaconv::app {
namespace {

constexpr int kFormatPageWidth = 529;  // the designed format page control
constexpr int kOutputPageWidth = 560;  // the designed page area

TFormatFlags Flags(std::initializer_list<std::string_view> keys) {
  TFormatFlags flags{};
  for (auto key : keys) {
    bool found = false;
    for (size_t i = 0; i < kFormatFlags.size(); ++i)
      if (kFormatFlags[i].editionKey == key) flags[i] = found = true;
    EXPECT_TRUE(found) << key;
  }
  return flags;
}

using TPlaces = std::vector<std::tuple<int, int, int>>;

TPlaces Places(const std::vector<TButtonPlace>& buttons) {
  TPlaces places;
  for (const auto& b : buttons) places.emplace_back(b.id, b.left, b.top);
  return places;
}

TEST(FormatButtonLayout, WavAndMp3OnlyLeaveOneClassAndNoClassButtons) {
  const TFormatFlags flags = Flags({"WAV", "MP3"});
  EXPECT_EQ(Places(FormatButtonLayout(flags, fcAudio, kFormatPageWidth)), (TPlaces{{0, 10, 5}, {1, 74, 5}}));
  EXPECT_TRUE(FormatButtonLayout(flags, fcVideo, kFormatPageWidth).empty());
  EXPECT_TRUE(FormatButtonLayout(flags, fcDevice, kFormatPageWidth).empty());
  const TClassButtonLayout classes = ClassButtonLayout(flags, kOutputPageWidth);
  EXPECT_TRUE(classes.buttons.empty());
  EXPECT_EQ(classes.formatPagesTop, 120);
}

TEST(FormatButtonLayout, Mp4AndIpodShowTwoClassButtons) {
  const TClassButtonLayout classes = ClassButtonLayout(Flags({"MP4", "IPOD"}), kOutputPageWidth);
  EXPECT_EQ(Places(classes.buttons), (TPlaces{{fcVideo, 18, 135}, {fcDevice, 189, 135}}));
  EXPECT_EQ(classes.formatPagesTop, 172);
}

TEST(FormatButtonLayout, ShownButtonsPackWithoutGaps) {
  EXPECT_EQ(Places(FormatButtonLayout(Flags({"AVI", "WMV", "3GP"}), fcVideo, kFormatPageWidth)),
            (TPlaces{{0, 10, 5}, {6, 74, 5}, {8, 138, 5}}));
  EXPECT_EQ(Places(FormatButtonLayout(Flags({"IPAD", "PSP"}), fcDevice, kFormatPageWidth)),
            (TPlaces{{3, 10, 5}, {6, 74, 5}}));
}

TEST(FormatButtonLayout, DesignedWidthGivesEightColumns) {
  TFormatFlags all{};
  all.fill(true);
  const TPlaces video = Places(FormatButtonLayout(all, fcVideo, kFormatPageWidth));
  ASSERT_EQ(video.size(), 9u);
  EXPECT_EQ(video[7], std::tuple(7, 10 + 64 * 7, 5));
  EXPECT_EQ(video[8], std::tuple(8, 10, 65));
  EXPECT_EQ(FormatButtonLayout(all, fcAudio, kFormatPageWidth).size(), 8u);
  EXPECT_EQ(Places(ClassButtonLayout(all, kOutputPageWidth).buttons),
            (TPlaces{{fcVideo, 18, 135}, {fcDevice, 189, 135}, {fcAudio, 360, 135}}));
}

struct TWidthCase {
  int pageWidth;
  int columns;
};

TEST(FormatButtonLayout, ColumnsFollowThePageWidthAndNeverDropBelowOne) {
  TFormatFlags all{};
  all.fill(true);
  const TWidthCase cases[] = {{529, 8}, {12 + 62 * 3, 3}, {12 + 62 * 3 - 1, 2}, {100, 1}, {0, 1}, {-500, 1}};
  for (const auto& c : cases) {
    const auto buttons = FormatButtonLayout(all, fcVideo, c.pageWidth);
    ASSERT_EQ(buttons.size(), 9u);
    for (size_t n = 0; n < buttons.size(); ++n) {
      EXPECT_EQ(buttons[n].left, 10 + 64 * (static_cast<int>(n) % c.columns)) << c.pageWidth << " n=" << n;
      EXPECT_EQ(buttons[n].top, 5 + 60 * (static_cast<int>(n) / c.columns)) << c.pageWidth << " n=" << n;
    }
  }
}

TEST(FormatButtonLayout, NarrowOutputPageStacksClassButtons) {
  TFormatFlags all{};
  all.fill(true);
  EXPECT_EQ(Places(ClassButtonLayout(all, 300).buttons),
            (TPlaces{{fcVideo, 18, 135}, {fcDevice, 18, 167}, {fcAudio, 18, 199}}));
  EXPECT_EQ(Places(ClassButtonLayout(all, 18 + 171 * 2).buttons),
            (TPlaces{{fcVideo, 18, 135}, {fcDevice, 189, 135}, {fcAudio, 18, 167}}));
}

TEST(FormatButtonLayout, EditionWithoutFlagsHidesEveryClass) {
  const TClassButtonLayout classes = ClassButtonLayout(TFormatFlags{}, kOutputPageWidth);
  EXPECT_TRUE(classes.buttons.empty());
  EXPECT_EQ(classes.formatPagesTop, 172);
}

}  // namespace
}  // namespace mediaconv::app
