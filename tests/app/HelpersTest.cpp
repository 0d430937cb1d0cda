#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <vector>

#include "TestFiles.h"
#include "app/BusyCounter.h"
#include "app/FileNameHelpers.h"
#include "app/TimeText.h"
#include "support/Fixtures.h"

namespace mediaconv::app {
namespace {

TEST(WithTrailingSeparator, AppendsOneSeparatorWhereMissing) {
  const std::pair<const char*, const char*> cases[] = {
      {"/out", "/out/"}, {"/out/", "/out/"}, {"/", "/"}, {"a b", "a b/"}, {"", ""}, {"/a\\", "/a\\/"},
  };
  for (const auto& [path, expected] : cases) EXPECT_EQ(WithTrailingSeparator(path), expected) << path;
}

struct TUniqueCase {
  std::vector<std::string> taken;
  std::string name;
  std::string expected;
};

TEST(UniqueFileName, FirstFreeNumberBeforeTheLastExtension) {
  const TUniqueCase cases[] = {
      {{}, "movie.mp4", "movie.mp4"},
      {{"movie.mp4", "movie(1).mp4"}, "movie.mp4", "movie(2).mp4"},
      {{"movie.mp4", "movie(2).mp4"}, "movie.mp4", "movie(1).mp4"},
      {{"archive.tar.gz"}, "archive.tar.gz", "archive.tar(1).gz"},
      {{"clip"}, "clip", "clip(1)"},
      {{".hidden"}, ".hidden", "(1).hidden"},
      {{"Movie.mp4"}, "movie.mp4", "movie.mp4"},  // names differ in case on Linux
  };
  for (const auto& c : cases) {
    const std::string folder = test::TempFolder("unique");
    for (const auto& name : c.taken) test::WriteFile(folder + "/" + name, "x");
    EXPECT_EQ(UniqueFileName(c.name, folder), c.expected) << c.name;
    EXPECT_EQ(UniqueFileName(c.name, folder + "/"), c.expected) << c.name;
  }
}

TEST(UniqueFileName, FoldersAndDanglingLinksCountAsTaken) {
  const std::string folder = test::TempFolder("unique");
  std::filesystem::create_directory(folder + "/out.mp4");
  std::filesystem::create_symlink(folder + "/nowhere", folder + "/out(1).mp4");
  EXPECT_EQ(UniqueFileName("out.mp4", folder), "out(2).mp4");
}

TEST(UniqueFileName, KeepsCountingPastNumber32767AndNeverHandsOutATakenName) {
  const std::string folder = test::TempFolder("unique");
  test::WriteFile(folder + "/a.txt", "");
  for (int n = 1; n <= 32768; ++n) test::WriteFile(folder + "/a(" + std::to_string(n) + ").txt", "");
  EXPECT_EQ(UniqueFileName("a.txt", folder), "a(32769).txt");
}

TEST(UniqueFileName, CutsLongNamesAtACharacterKeepingExtensionAndNumber) {
  const std::string folder = test::TempFolder("unique");
  // 100 three-byte characters: 300 bytes before ".mp3".
  std::string base;
  for (int i = 0; i < 100; ++i) base += "\xe2\x82\xac";
  const std::string free = UniqueFileName(base + ".mp3", folder);
  ASSERT_LE(free.size(), 255u);
  EXPECT_EQ(free, base.substr(0, 249) + ".mp3");
  test::WriteFile(folder + "/" + free, "");
  const std::string next = UniqueFileName(base + ".mp3", folder);
  EXPECT_EQ(next, base.substr(0, 246) + "(1).mp3");
  EXPECT_TRUE(std::filesystem::exists(folder + "/" + free));
}

TEST(SafeFileName, ReplacesEachForbiddenCharacter) {
  const std::pair<std::string, std::string> cases[] = {
      {"a/b:c", "a_b_c"},
      {"Plain name (2009) - part 1.mp4", "Plain name (2009) - part 1.mp4"},
      {"\\/:*?\"<>|", "_________"},
      {std::string("nul\0byte", 8), "nul_byte"},
      {"", ""},
      {"caf\xC3\xA9", "caf\xC3\xA9"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(SafeFileName(text), expected) << text;
}

TEST(ExecutableFolder, IsTheFolderOfThisTest) {
  const std::string folder = ExecutableFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(folder + "test_app_HelpersTest")) << folder;
}

TEST(SecondsText, HoursMinutesSecondsWithoutWrapping) {
  const std::pair<int32_t, const char*> cases[] = {
      {3725, "01:02:05"},    {0, "00:00:00"},   {59, "00:00:59"},     {3599, "00:59:59"},
      {360000, "100:00:00"}, {-5, "-00:00:05"}, {-3725, "-01:02:05"}, {INT32_MIN, "-596523:14:08"},
  };
  for (const auto& [seconds, expected] : cases) EXPECT_EQ(SecondsText(seconds), expected) << seconds;
}

TEST(MicrosecondsText, TruncatesToMilliseconds) {
  const std::pair<int64_t, const char*> cases[] = {
      {3723456789, "01:02:03.456"},    {0, "00:00:00.000"},         {999, "00:00:00.000"},
      {1000, "00:00:00.001"},          {999999, "00:00:00.999"},    {59999999, "00:00:59.999"},
      {360000000000, "100:00:00.000"}, {-1500000, "-00:00:01.500"}, {INT64_MIN, "-2562047788:00:54.775"},
  };
  for (const auto& [t, expected] : cases) EXPECT_EQ(MicrosecondsText(t), expected) << t;
}

class TRecordingCursor : public TBusyCursor {
 public:
  void ShowBusy() override { calls += "show "; }
  void RestoreDefault() override { calls += "restore "; }
  std::string calls;
};

TEST(BusyCounter, NestedSectionsShowAndRestoreOnce) {
  TRecordingCursor cursor;
  TBusyCounter counter;
  counter.SetCursor(&cursor);
  counter.Begin();
  counter.Begin();
  counter.End();
  EXPECT_EQ(cursor.calls, "show ");
  EXPECT_EQ(counter.Depth(), 1);
  counter.End();
  EXPECT_EQ(cursor.calls, "show restore ");
  EXPECT_EQ(counter.Depth(), 0);
}

TEST(BusyCounter, EndWithoutBeginLeavesTheCursorAlone) {
  TRecordingCursor cursor;
  TBusyCounter counter;
  counter.SetCursor(&cursor);
  counter.End();
  counter.End();
  EXPECT_EQ(cursor.calls, "");
  EXPECT_EQ(counter.Depth(), 0);
  // The stray ends did not go below zero: one Begin makes it busy again.
  counter.Begin();
  EXPECT_EQ(cursor.calls, "show ");
}

TEST(BusyCounter, BeginBusyAndEndBusyShareTheProcessCounter) {
  TRecordingCursor cursor;
  BusyCounter().SetCursor(&cursor);
  EndBusy();
  BeginBusy();
  BeginBusy();
  EndBusy();
  EndBusy();
  EndBusy();
  BusyCounter().SetCursor(nullptr);
  EXPECT_EQ(cursor.calls, "show restore ");
  EXPECT_EQ(BusyCounter().Depth(), 0);
}

}  // namespace
}  // namespace mediaconv::app
