#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "TestFiles.h"
#include "app/EditionProfile.h"
#include "app/EditionTable.h"
#include "app/HelpLinks.h"
#include "app/SkinLayout.h"
#include "support/Fixtures.h"

namespace mediaconv::app {
namespace {

EditionProfile ReadEditionText(const std::string& text) {
  const std::string folder = test::TempFolder("edition");
  test::WriteFile(EditionFilePath(folder), text);
  return ReadEditionProfile(EditionFilePath(folder));
}

TEST(EditionProfile, FileLiesBesideTheExecutable) {
  EXPECT_EQ(EditionFilePath("/opt/mc/bin/"), "/opt/mc/bin/lame.dll");
  EXPECT_EQ(EditionFilePath("/opt/mc/bin"), "/opt/mc/bin/lame.dll");
  EditionProfile edition;
  edition.Res = "2";
  EXPECT_EQ(SkinFolder("/opt/mc/bin/", edition), "/opt/mc/bin/sounds/res2/");
}

TEST(EditionProfile, MissingFileGivesEveryDefault) {
  const EditionProfile edition = ReadEditionProfile(test::TempFolder("edition") + "/lame.dll");
  EXPECT_EQ(edition.Name, "");
  EXPECT_EQ(edition.Version, "");
  EXPECT_TRUE(edition.Download);
  EXPECT_EQ(edition.Res, "");
  EXPECT_EQ(edition.Skin, 0);
  for (bool offered : edition.Formats) EXPECT_FALSE(offered);
  EXPECT_EQ(edition.DefaultClass, 0);
  EXPECT_FALSE(edition.Merge);
}

TEST(EditionProfile, ReadsEveryKey) {
  const EditionProfile edition = ReadEditionText(
      "[system]\n"
      "name=Dunvarra Video Converter\n"
      "Version=2.1.0\n"
      "Copyright=(c) Dunvarra\n"
      "Download=0\n"
      "Res=2\n"
      "Skin=3\n"
      "MP4=1\nwmv=7\n3GP=1\nIPAD=1\nFLAC=-1\nMP3=0\n"
      "DefaultClass=2\nDefaultVideo=6\nDefaultDevice=4\nDefaultAudio=5\n"
      "Merge=1\n");
  EXPECT_EQ(edition.Name, "Dunvarra Video Converter");
  EXPECT_EQ(edition.Version, "2.1.0");
  EXPECT_EQ(edition.Copyright, "(c) Dunvarra");
  EXPECT_FALSE(edition.Download);
  EXPECT_EQ(edition.Res, "2");
  EXPECT_EQ(edition.Skin, 3);
  TFormatFlags expected{};
  for (const char* key : {"MP4", "WMV", "3GP", "IPAD", "FLAC"})
    for (size_t i = 0; i < kFormatFlags.size(); ++i)
      if (kFormatFlags[i].editionKey == key) expected[i] = true;
  EXPECT_EQ(edition.Formats, expected);
  EXPECT_TRUE(edition.Offers(fcVideo, 6));
  EXPECT_TRUE(edition.Offers(fcDevice, 6));
  EXPECT_FALSE(edition.Offers(fcAudio, 1));
  EXPECT_FALSE(edition.Offers(fcDevice, 7));
  EXPECT_EQ(edition.DefaultClass, 2);
  EXPECT_EQ(edition.DefaultVideo, 6);
  EXPECT_EQ(edition.DefaultDevice, 4);
  EXPECT_EQ(edition.DefaultAudio, 5);
  EXPECT_TRUE(edition.Merge);
}

TEST(EditionProfile, DefaultIdsKeepTheirLowByte) {
  const EditionProfile edition =
      ReadEditionText("[SYSTEM]\nDefaultClass=258\nDefaultVideo=264\nDefaultDevice=-1\nDefaultAudio=abc\n");
  EXPECT_EQ(edition.DefaultClass, 2);
  EXPECT_EQ(edition.DefaultVideo, 8);
  EXPECT_EQ(edition.DefaultDevice, 255);
  EXPECT_EQ(edition.DefaultAudio, 0);
}

TEST(EditionProfile, ClassIdsOtherThanDeviceAndAudioMeanVideo) {
  const std::pair<int, TFormatClass> cases[] = {
      {0, fcVideo}, {1, fcDevice}, {2, fcAudio}, {3, fcVideo}, {5, fcVideo}, {255, fcVideo}, {257, fcDevice},
  };
  for (const auto& [value, expected] : cases) {
    const EditionProfile edition = ReadEditionText("[SYSTEM]\nDefaultClass=" + std::to_string(value) + "\n");
    // Stored as the class it selects, so no reader sees a class 5.
    EXPECT_EQ(edition.DefaultClass, expected) << value;
  }
}

TEST(EditionProfile, QuotedValuesAreReadWithoutTheirQuotes) {
  const EditionProfile edition = ReadEditionText(
      "[SYSTEM]\nName=\"Pelmora\"\nVersion=\"2.1\"\nRes=\"2\"\nSkin=\"3\"\nMP3=\"1\"\nDefaultClass=\"2\"\n");
  EXPECT_EQ(edition.Name, "Pelmora");
  EXPECT_EQ(EditionIcon(edition.Name), "PelmoraIcon");
  EXPECT_EQ(edition.Version, "2.1");
  EXPECT_EQ(SkinFolder("/opt/mc/", edition), "/opt/mc/sounds/res2/");
  EXPECT_EQ(edition.Skin, 3);
  EXPECT_TRUE(edition.Offers(fcAudio, 1));
  EXPECT_EQ(edition.DefaultClass, fcAudio);
}

TEST(EditionProfile, SkinThatIsNotANumberIsSkinZero) {
  const std::pair<const char*, int> cases[] = {{"7", 7}, {"", 0}, {"abc", 0}, {" 2 ", 2}, {"-1", -1}};
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(ReadEditionText(std::string("[SYSTEM]\nSkin=") + text + "\n").Skin, expected) << text;
}

struct TEditionCase {
  const char* name;
  const char* icon;
  const char* toolsLink;
  bool hides;
};

TEST(EditionTable, FirstMatchingRowDecidesIconCaptionsAndHiding) {
  const TEditionCase cases[] = {
      {"Pelmora", "PelmoraIcon", "more free tools...", false},
      {"Ombrik", "OmbrikIcon", "more free tools...", false},
      {"Rendavo", "OmbrikIcon", "more tools...", false},
      {"Alvetro", "SilvaneIcon", "more tools...", false},
      {"Fennick", "Icon1", "more free tools...", false},
      {"Quessa", "Icon5", "more free tools...", false},
      {"Rorere Riduv uzuz Adavi", "AMainIcon", "more free tools...", true},
      {"Rod iriv UdeVuze", "AMainIcon", "more free tools...", true},
      {"Cadrello", "z02", "more free tools...", false},
      {"Dunvarra Video Converter", "z03", "more free tools...", false},
      {"DunvarraX", "z03", "more free tools...", false},
      {"Eskavel", "z04", "more tools...", false},
      {"Imbrosa", "z08", "more tools...", false},
      // Matching is case-sensitive and in full; Dunvarra only as a prefix.
      {"pelmora", "", "more free tools...", false},
      {"Pelmora ", "", "more free tools...", false},
      {"My Dunvarra", "", "more free tools...", false},
      {"dunvarra Video", "", "more free tools...", false},
      {"", "", "more free tools...", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EditionIcon(c.name), c.icon) << c.name;
    EXPECT_EQ(ToolsLinkCaption(c.name), c.toolsLink) << c.name;
    EXPECT_EQ(HidesHelpAndLog(c.name), c.hides) << c.name;
  }
  EXPECT_EQ(ToolsMenuCaption("Pelmora"), "More Free Tools...");
  EXPECT_EQ(ToolsMenuCaption("Rendavo"), "More Tools...");
}

TEST(HelpLinks, DunvarraAddressesAreComposedFromTheName) {
  const std::string name = "Dunvarra Video Converter";
  const std::string root = kHelpSiteRoot;
  EXPECT_EQ(DunvarraSlug(name), "videoconverter");
  EXPECT_EQ(HelpContentLink(name), root + "videoconverter/help/Help_Content.html");
  EXPECT_EQ(HowTosLink(name), root + "videoconverter/help/HowTosVideoDemo.html");
  EXPECT_EQ(HomePageLink(name), root);
  EXPECT_EQ(MoreToolsLink(name), root + "videoconverter/help/MoreFreeTools.html");
  EXPECT_EQ(UpdatesLink(name), root + "videoconverter/help/CheckForUpdates.html");
  EXPECT_EQ(SupportLink(name), root + "support/index.html");
}

TEST(HelpLinks, SlugDropsEveryDunvarraThenEverySpace) {
  const std::pair<const char*, const char*> cases[] = {
      {"Dunvarra Audio DUNVARRA Tools", "audiotools"},
      {"DunvarraDunvarra  MP3 ", "mp3"},
      {"Dunvarra", ""},
      {"Dunvarra dunvarrA-X", "-x"},
  };
  for (const auto& [name, slug] : cases) EXPECT_EQ(DunvarraSlug(name), slug) << name;
  // Characters that would change the address's meaning are escaped.
  EXPECT_EQ(HelpContentLink("Dunvarra a/b?c#d"),
            std::string(kHelpSiteRoot) + "a%2Fb%3Fc%23d/help/Help_Content.html");
}

TEST(HelpLinks, EditionsWithoutHelpPagesGiveEmptyAddresses) {
  for (const char* name : {"Rorere Riduv uzuz Adavi", "Rod iriv UdeVuze", "Unknown Converter", "", "pelmora"})
    for (THelpPage page : {hpHelpContent, hpHowTos, hpHomePage, hpMoreTools, hpUpdates, hpSupport})
      EXPECT_EQ(HelpLink(name, page), "") << name << " page " << page;
}

TEST(HelpLinks, NamedEditionsHaveSixAddressesOfTheirOwn) {
  for (const char* name : {"Pelmora", "Quessa", "Alvetro", "Imbrosa"}) {
    std::set<std::string> seen;
    for (THelpPage page : {hpHelpContent, hpHowTos, hpHomePage, hpMoreTools, hpUpdates, hpSupport}) {
      const std::string link = HelpLink(name, page);
      EXPECT_TRUE(link.starts_with(kHelpSiteRoot)) << link;
      seen.insert(link);
    }
    EXPECT_EQ(seen.size(), 6u) << name;
  }
  EXPECT_NE(HomePageLink("Pelmora"), HomePageLink("Quessa"));
}

TEST(SkinLayout, VariantsZeroToThreeMoveTheControls) {
  const auto skin0 = SkinLayoutFor(0);
  const auto skin1 = SkinLayoutFor(1);
  const auto skin2 = SkinLayoutFor(2);
  const auto skin3 = SkinLayoutFor(3);
  ASSERT_TRUE(skin0 && skin1 && skin2 && skin3);
  auto at = [](const TControlPos& pos) { return std::tuple(pos.visible, pos.left, pos.top); };
  EXPECT_EQ(at(skin0->minimizeButton), std::tuple(true, 696, 4));
  EXPECT_EQ(at(skin0->exitButton), std::tuple(true, 672, 510));
  EXPECT_EQ(at(skin1->closeButton), std::tuple(true, 794, 3));
  EXPECT_EQ(at(skin1->pageControl), std::tuple(true, 240, 110));
  EXPECT_EQ(at(skin1->titleLabel), std::tuple(true, 252, 70));
  EXPECT_EQ(at(skin2->minimizeButton), std::tuple(true, 696, 6));
  EXPECT_EQ(at(skin2->pageControl), std::tuple(true, 198, 74));
  EXPECT_EQ(skin2->helpMenuOffset, 5);
  EXPECT_EQ(skin0->helpMenuOffset, 0);
  EXPECT_FALSE(skin3->minimizeButton.visible);
  EXPECT_FALSE(skin3->closeButton.visible);
  EXPECT_EQ(at(skin3->helpButton), std::tuple(true, 10, 515));
  EXPECT_EQ(at(skin3->nextButton), std::tuple(true, 460, 515));
  EXPECT_EQ(at(skin3->titleLabel), std::tuple(true, 215, 55));
  EXPECT_FALSE(skin3->titleBold);
  EXPECT_TRUE(skin0->titleBold);
  EXPECT_EQ(skin3->versionLabelTop, 165);
  EXPECT_EQ(skin3->toolsLabelTop, 180);
  EXPECT_FALSE(skin0->versionLabelTop);
  EXPECT_TRUE(skin3->transparentBottomButtons);
  EXPECT_TRUE(skin3->aboutHidesLeftPanel);
  EXPECT_EQ(skin0->labelColour.red, 128);
  EXPECT_EQ(skin1->labelColour.green, 255);
}

TEST(SkinLayout, OtherVariantsKeepTheDesignPositions) {
  for (int skin : {-1, 4, 7, 1000}) EXPECT_FALSE(SkinLayoutFor(skin)) << skin;
}

}  // namespace
}  // namespace mediaconv::app
