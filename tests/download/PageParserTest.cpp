#include <gtest/gtest.h>

#include "download/PageParser.h"

namespace mediaconv::download {
namespace {

std::string TitlePage(const std::string& content) {
  return "<html><head>\n<meta name=\"title\" content=\"" + content + "\">\n</head></html>";
}

struct TTitleCase {
  std::string content;
  std::string title;
};
void PrintTo(const TTitleCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.content); }

class PageTitleTest : public ::testing::TestWithParam<TTitleCase> {};

TEST_P(PageTitleTest, DecodesTheFiveEntitiesAmpFirst) {
  EXPECT_EQ(ExtractPageTitle(TitlePage(GetParam().content)), GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(Cases, PageTitleTest,
                         ::testing::Values(TTitleCase{"Tom &amp; Jerry", "Tom & Jerry"},
                                           TTitleCase{"&lt;b&gt; &quot;x&quot;&nbsp;y", "<b> \"x\" y"},
                                           // Decoded in order: an escaped entity ends decoded.
                                           TTitleCase{"&amp;quot;&amp;amp;", "\"&amp;"},
                                           // No other entity is decoded.
                                           TTitleCase{"a &#39; &apos; &copy;", "a &#39; &apos; &copy;"},
                                           TTitleCase{"Ünïcødé — 日本", "Ünïcødé — 日本"},
                                           TTitleCase{"a/b: c?", "a/b: c?"}));

TEST(PageParserTest, TitleIsTheFirstMatchAndEmptyWithoutOne) {
  EXPECT_EQ(ExtractPageTitle(TitlePage("one") + TitlePage("two")), "one");
  EXPECT_EQ(ExtractPageTitle("<meta name=\"title\" content=\"\">"), "");
  // Case counts, and a "<" in the content breaks the match.
  EXPECT_EQ(ExtractPageTitle("<META NAME=\"title\" content=\"x\">"), "");
  EXPECT_EQ(ExtractPageTitle(TitlePage("a<b")), "");
  EXPECT_EQ(ExtractPageTitle(""), "");
}

TEST(PageParserTest, TitleOfALargePageWithoutStackTrouble) {
  std::string page(8 << 20, 'x');
  page += TitlePage("deep");
  EXPECT_EQ(ExtractPageTitle(page), "deep");
  EXPECT_EQ(ExtractVideoAddress(page), "http://youtube.com/get_video?");
}

TEST(PageParserTest, AddressJoinsIdAndTokenAsFound) {
  const std::string page = "var swfArgs = \"video_id=Ab_9-x&l=120&t=vjVQa1PpcFM&fmt_map=...&t=second&\";";
  EXPECT_EQ(ExtractVideoAddress(page), "http://youtube.com/get_video?video_id=Ab_9-x&&t=vjVQa1PpcFM&");
  // The two parts are taken wherever they are, in the address's order.
  EXPECT_EQ(ExtractVideoAddress("&t=T&x=1 video_id=V&"), "http://youtube.com/get_video?video_id=V&&t=T&");
}

TEST(PageParserTest, AMissingPartIsLeftOut) {
  EXPECT_EQ(ExtractVideoAddress("video_id=V&"), "http://youtube.com/get_video?video_id=V&");
  EXPECT_EQ(ExtractVideoAddress("&t=T&"), "http://youtube.com/get_video?&t=T&");
  // Without the closing "&" neither part is found; nor across a line break.
  EXPECT_EQ(ExtractVideoAddress("video_id=V"), "http://youtube.com/get_video?");
  EXPECT_EQ(ExtractVideoAddress("video_id=V\n&"), "http://youtube.com/get_video?");
}

}  // namespace
}  // namespace mediaconv::download
