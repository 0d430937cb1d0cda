// The files beside the executables: the default edition, and the artwork
// that the build draws, checked against the names and places the program
// uses (skin image list, skin layouts, button sizes, edition icons).
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <string>
#include <utility>

#include "TestFiles.h"
#include "app/EditionProfile.h"
#include "app/EditionTable.h"
#include "app/FormatButtonLayout.h"
#include "app/SkinLayout.h"
#include "support/Fixtures.h"

namespace mediaconv::app {
namespace {

namespace fs = std::filesystem;

struct TPicture {
  bool read = false;
  int width = 0, height = 0;
  std::string bytes;
};

uint32_t Le(const std::string& b, size_t at, int size) {
  uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i)
    value = value << 8 | static_cast<uint8_t>(b[at + static_cast<size_t>(i)]);
  return value;
}

uint32_t Be32(const std::string& b, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<uint8_t>(b[at + i]);
  return value;
}

// Width and height from a PNG or BMP header.
TPicture ReadPicture(const std::string& path) {
  TPicture picture;
  picture.bytes = test::ReadFile(path);
  const std::string& b = picture.bytes;
  if (b.size() > 24 && b.compare(1, 3, "PNG") == 0) {
    picture.width = static_cast<int>(Be32(b, 16));
    picture.height = static_cast<int>(Be32(b, 20));
    picture.read = true;
  } else if (b.size() > 54 && b.compare(0, 2, "BM") == 0) {
    picture.width = static_cast<int>(Le(b, 18, 4));
    picture.height = static_cast<int>(Le(b, 22, 4));
    picture.read = Le(b, 28, 2) == 24;
  }
  return picture;
}

// The colour at (x, y), counted from the top left, of a 24-bit bottom-up BMP.
uint32_t BmpPixel(const TPicture& bmp, int x, int y) {
  const size_t offset = Le(bmp.bytes, 10, 4);
  const size_t stride = (static_cast<size_t>(bmp.width) * 3 + 3) / 4 * 4;
  const size_t at = offset + static_cast<size_t>(bmp.height - 1 - y) * stride + static_cast<size_t>(x) * 3;
  return static_cast<uint32_t>(Le(bmp.bytes, at, 3));  // 0xRRGGBB
}

constexpr uint32_t kMagenta = 0xFF00FF;

std::string Bin() { return test::BinDir() + "/"; }

// Each image at its size, and its @2x twin at twice that size.
void ExpectPicture(const std::string& folder, const std::string& stem, const std::string& extension,
                   int width, int height) {
  const TPicture one = ReadPicture(folder + stem + "." + extension);
  const TPicture two = ReadPicture(folder + stem + "@2x." + extension);
  ASSERT_TRUE(one.read) << folder << stem;
  ASSERT_TRUE(two.read) << folder << stem << "@2x";
  EXPECT_EQ(one.width, width) << stem;
  EXPECT_EQ(one.height, height) << stem;
  EXPECT_EQ(two.width, 2 * width) << stem;
  EXPECT_EQ(two.height, 2 * height) << stem;
}

class ArtworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Drawn by the Qt tool; a build without the GUI has no artwork.
    if (!fs::exists(Bin() + "sounds/res/main.bmp")) GTEST_SKIP() << "this build draws no artwork";
  }
};

TEST(DefaultEdition, OffersEverythingWithSkinZero) {
  const EditionProfile edition = ReadEditionProfile(EditionFilePath(Bin()));
  EXPECT_FALSE(edition.Name.empty());
  EXPECT_FALSE(edition.Version.empty());
  EXPECT_FALSE(edition.Copyright.empty());
  EXPECT_FALSE(EditionIcon(edition.Name).empty()) << "the default edition has an icon of its own";
  EXPECT_TRUE(edition.Download);
  EXPECT_FALSE(edition.Merge);
  EXPECT_EQ(edition.Skin, 0);
  EXPECT_EQ(edition.Res, "");
  for (size_t i = 0; i < kFormatFlags.size(); ++i)
    EXPECT_TRUE(edition.Formats[i]) << kFormatFlags[i].editionKey;
}

TEST_F(ArtworkTest, SkinFoldersHoldEveryImageAtItsSize) {
  for (const char* res : {"", "2"}) {
    EditionProfile edition;
    edition.Res = res;
    const std::string folder = SkinFolder(Bin(), edition);
    ExpectPicture(folder, "main", "bmp", 772, 547);
    for (const char* stem : {"min_1", "min_2", "min_3", "close_1", "close_2", "close_3"})
      ExpectPicture(folder, stem, "bmp", 32, 28);
    for (const char* stem : {"bottom_1", "bottom_2", "bottom_3", "bottom_4"})
      ExpectPicture(folder, stem, "bmp", 88, 28);
    ExpectPicture(folder, "toplogo", "png", 232, 36);
    ExpectPicture(folder, "leftlogo", "png", 168, 360);
    ExpectPicture(folder, "downloadyoutube", "png", 176, 120);
    ExpectPicture(folder, "youtubeconvert", "png", 176, 120);
  }
}

TEST_F(ArtworkTest, ButtonsFitTheirPlacesInTheSkinLayouts) {
  const TPicture bottom = ReadPicture(Bin() + "sounds/res/bottom_1.bmp");
  const TPicture minimize = ReadPicture(Bin() + "sounds/res/min_1.bmp");
  for (const int skin : {0, 2, 3}) {
    const TSkinLayout layout = *SkinLayoutFor(skin);
    const TControlPos row[] = {layout.helpButton, layout.logButton, layout.backButton, layout.nextButton,
                               layout.exitButton};
    for (size_t i = 0; i < std::size(row); ++i) {
      EXPECT_LE(row[i].top + bottom.height, 547) << "skin " << skin;
      const int right = i + 1 < std::size(row) ? row[i + 1].left : 772;
      EXPECT_LE(row[i].left + bottom.width, right) << "skin " << skin << " button " << i;
    }
    if (layout.minimizeButton.visible) {
      EXPECT_LE(layout.minimizeButton.left + minimize.width, layout.closeButton.left) << "skin " << skin;
      EXPECT_LE(layout.closeButton.left + minimize.width, 772) << "skin " << skin;
    }
  }
}

TEST_F(ArtworkTest, MainBitmapIsCutToRoundedCornersWithMagenta) {
  for (const char* stem : {"sounds/res/main", "sounds/res2/main"}) {
    for (const int scale : {1, 2}) {
      const TPicture main = ReadPicture(Bin() + stem + (scale == 2 ? "@2x.bmp" : ".bmp"));
      ASSERT_TRUE(main.read);
      const int w = main.width, h = main.height;
      for (const auto& [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}})
        EXPECT_EQ(BmpPixel(main, x, y), kMagenta) << stem << " corner " << x << "," << y;
      for (const auto& [x, y] : {std::pair{3 * scale, 3 * scale}, {w / 2, h / 2}, {w / 2, 0}, {0, h / 2}})
        EXPECT_NE(BmpPixel(main, x, y), kMagenta) << stem << " " << x << "," << y;
    }
  }
}

TEST_F(ArtworkTest, FormatAndClassButtonsInFourStates) {
  const std::string formats = Bin() + "images/formats/";
  for (const auto& format : kFormatFlags) {
    std::string key(format.editionKey);
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* state : {"normal", "hover", "pressed", "selected"})
      ExpectPicture(formats, key + "_" + state, "png", kFormatButtonWidth, kFormatButtonHeight);
  }
  for (const char* buttonClass : {"video", "device", "audio"})
    for (const char* state : {"normal", "hover", "pressed", "selected"})
      ExpectPicture(Bin() + "images/classes/", std::string(buttonClass) + "_" + state, "png",
                    kClassButtonWidth, kClassButtonHeight);
  ExpectPicture(Bin() + "images/", "audio", "png", 118, 78);
}

TEST_F(ArtworkTest, EveryEditionIconResourceHasItsImages) {
  const char* const names[] = {
      "Pelmora",
      "Tandrel",
      "Quorvix",
      "Silvane",
      "Brellow",
      "Corvada",
      "Mirelto",
      "Zanthe",
      "Ombrik",
      "Rorere Riduv uzuz Adavi",
      "Rod iriv UdeVuze",
      "Lustrel",
      "Fennick",
      "Garvolo",
      "Hestari",
      "Ivrendo",
      "Joskel",
      "Kalvori",
      "Lemmatra",
      "Morvane",
      "Nuvello",
      "Orvisto",
      "Prundel",
      "Quessa",
      "Rendavo",
      "Sorvick",
      "Tubrano",
      "Ulvestra",
      "Vintaro",
      "Wrenlow",
      "Xandrel",
      "Yselda",
      "Zorvenna",
      "Alvetro",
      "Bexmoor",
      "Cadrello",
      "Dunvarra Video Converter",
      "Eskavel",
      "Farnoval",
      "Grivelle",
      "Halvatro",
      "Imbrosa",
  };
  for (const char* name : names) {
    const std::string icon(EditionIcon(name));
    ASSERT_FALSE(icon.empty()) << name;
    const TPicture large = ReadPicture(Bin() + "icons/" + icon + ".png");
    EXPECT_TRUE(large.read && large.width == 256 && large.height == 256) << icon;
    for (const int size : {16, 24, 32, 48}) {
      const TPicture small = ReadPicture(Bin() + "icons/" + icon + "-" + std::to_string(size) + ".png");
      EXPECT_TRUE(small.read && small.width == size && small.height == size) << icon << " " << size;
    }
  }
}

TEST_F(ArtworkTest, SoundsAreShortPcmWaves) {
  for (const char* name : {"done.wav", "fail.wav"}) {
    const std::string wav = test::ReadFile(Bin() + "sounds/" + name);
    ASSERT_GT(wav.size(), 44u) << name;
    EXPECT_EQ(wav.compare(0, 4, "RIFF"), 0) << name;
    EXPECT_EQ(wav.compare(8, 8, "WAVEfmt "), 0) << name;
    EXPECT_EQ(Le(wav, 20, 2), 1u) << name << " is PCM";
    const double seconds = static_cast<double>(Le(wav, 40, 4)) / Le(wav, 28, 4);
    EXPECT_GT(seconds, 0.2) << name;
    EXPECT_LT(seconds, 1.5) << name;
    EXPECT_EQ(Le(wav, 40, 4) + 44, wav.size()) << name;
  }
}

}  // namespace
}  // namespace mediaconv::app
