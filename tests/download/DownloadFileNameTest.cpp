#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "download/DownloadFileName.h"
#include "download/DownloadStore.h"
#include "support/Fixtures.h"

namespace mediaconv::download {
namespace {

namespace fs = std::filesystem;

void Touch(const std::string& path, const std::string& text = "x") { std::ofstream(path) << text; }

std::string ReadAll(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool IsUtf8(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += length;
  }
  return true;
}

struct TNameCase {
  std::string title;
  std::string extension;
  std::string name;
};
void PrintTo(const TNameCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.title); }

class DownloadFileNameTest : public ::testing::TestWithParam<TNameCase> {};

TEST_P(DownloadFileNameTest, MakesTheTitleASafeVisibleName) {
  const std::string folder = test::TempFolder("dl-name");
  EXPECT_EQ(DownloadFileName(GetParam().title, GetParam().extension, folder), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DownloadFileNameTest,
    ::testing::Values(TNameCase{"Tom & Jerry", ".flv", "Tom & Jerry.flv"},
                      TNameCase{"a/b: c?", ".flv", "a_b_ c_.flv"},
                      TNameCase{"\\*\"<>|", ".mp4", "______.mp4"}, TNameCase{"", ".flv", "video.flv"},
                      TNameCase{".", ".flv", "video.flv"}, TNameCase{"..", ".3gp", "video.3gp"},
                      TNameCase{".x", ".flv", "video.flv"}, TNameCase{"a.b", ".flv", "a.b.flv"},
                      TNameCase{std::string("tab\there\nnl\x7f", 12) + std::string(1, '\0'), ".flv",
                                "tab_here_nl__.flv"},
                      TNameCase{"  spaced  ", ".flv", "  spaced  .flv"}));

TEST(DownloadFileNameCutTest, LongTitlesAreCutAtACharacterKeepingTheExtension) {
  const std::string folder = test::TempFolder("dl-long");
  std::string title;
  for (int i = 0; i < 200; ++i) title += "é";  // 400 bytes
  const std::string name = DownloadFileName(title, ".mp4", folder);
  EXPECT_LE(name.size(), kMaxFileNameBytes);
  EXPECT_GE(name.size(), kMaxFileNameBytes - 1);
  EXPECT_EQ(name.substr(name.size() - 4), ".mp4");
  EXPECT_TRUE(IsUtf8(name));
  // The name can be created, and a second one is numbered within the limit too.
  Touch(folder + "/" + name);
  ASSERT_TRUE(fs::exists(folder + "/" + name));
  const std::string second = DownloadFileName(title, ".mp4", folder);
  EXPECT_NE(second, name);
  EXPECT_LE(second.size(), kMaxFileNameBytes);
  EXPECT_EQ(second.substr(second.size() - 7), "(1).mp4");
  EXPECT_TRUE(IsUtf8(second));
  Touch(folder + "/" + second);
  EXPECT_TRUE(fs::exists(folder + "/" + second));
}

TEST(DownloadFileNameCutTest, CutNeverSplitsASequence) {
  EXPECT_EQ(CutAtCharacter("aé", 2), "a");
  EXPECT_EQ(CutAtCharacter("a日", 3), "a");
  EXPECT_EQ(CutAtCharacter("a日", 4), "a日");
  EXPECT_EQ(CutAtCharacter("abc", 2), "ab");
}

TEST(DownloadStoreTest, SameTitleTwiceIsNumberedAndNothingIsReplaced) {
  const std::string folder = test::TempFolder("dl-store");
  std::string error;
  std::string partial = PartialDownloadPath(folder);
  EXPECT_EQ(fs::path(partial).filename().string().front(), '.');
  Touch(partial, "first");
  EXPECT_EQ(StoreDownload(partial, "a/b: c?", ".flv", folder, error), folder + "/a_b_ c_.flv");
  partial = PartialDownloadPath(folder);
  Touch(partial, "second");
  EXPECT_EQ(StoreDownload(partial, "a/b: c?", ".flv", folder, error), folder + "/a_b_ c_(1).flv");
  EXPECT_EQ(ReadAll(folder + "/a_b_ c_.flv"), "first");
  EXPECT_EQ(ReadAll(folder + "/a_b_ c_(1).flv"), "second");
  EXPECT_FALSE(fs::exists(partial));
}

TEST(DownloadStoreTest, AFolderOfTheSameNameCountsAsTaken) {
  const std::string folder = test::TempFolder("dl-store-dir");
  fs::create_directory(folder + "/clip.mp4");
  std::string error;
  const std::string partial = PartialDownloadPath(folder);
  Touch(partial);
  EXPECT_EQ(StoreDownload(partial, "clip", ".mp4", folder, error), folder + "/clip(1).mp4");
}

TEST(DownloadStoreTest, AFailedStoreSaysWhyAndLeavesThePartialFile) {
  const std::string folder = test::TempFolder("dl-store-fail");
  std::string error;
  EXPECT_EQ(StoreDownload(folder + "/.missing.part", "clip", ".mp4", folder, error), "");
  EXPECT_FALSE(error.empty());
  const std::string partial = PartialDownloadPath(folder);
  Touch(partial);
  RemovePartialDownload(partial);
  EXPECT_FALSE(fs::exists(partial));
  RemovePartialDownload(partial);  // already gone: nothing happens
}

}  // namespace
}  // namespace mediaconv::download
