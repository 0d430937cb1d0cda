#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <thread>

#include "TestFiles.h"
#include "app/OutputFile.h"
#include "support/Fixtures.h"

namespace mediaconv::app {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(PartFile, IsHiddenInTheOutputFolderAndClaimsTheFinalName) {
  const std::string folder = test::TempFolder("part") + "/";
  std::string error;
  int errorNumber = 0;
  auto part = TPartFile::Create(folder + "x.mp3", errorNumber);
  ASSERT_TRUE(part) << errorNumber;
  EXPECT_EQ(fs::path(part->Path()).parent_path(), fs::path(folder).parent_path());
  EXPECT_TRUE(TPartFile::IsPartOf(fs::path(part->Path()).filename(), "x.mp3")) << part->Path();
  test::WriteFile(part->OpenName(), "data");
  EXPECT_EQ(part->Claim(error), folder + "x.mp3") << error;
  EXPECT_EQ(Names(folder), std::vector<std::string>{"x.mp3"});
  EXPECT_EQ(test::ReadFile(folder + "x.mp3"), "data");
}

TEST(PartFile, ATakenNameIsNeverReplacedTheNextFreeNumberIsUsed) {
  const std::string folder = test::TempFolder("part") + "/";
  test::WriteFile(folder + "x.mp3", "user's");
  test::WriteFile(folder + "x(1).mp3", "user's too");
  std::string error;
  int errorNumber = 0;
  auto part = TPartFile::Create(folder + "x.mp3", errorNumber);
  ASSERT_TRUE(part) << errorNumber;
  test::WriteFile(part->OpenName(), "new");
  EXPECT_EQ(part->Claim(error), folder + "x(2).mp3");
  EXPECT_EQ(test::ReadFile(folder + "x.mp3"), "user's");
  EXPECT_EQ(test::ReadFile(folder + "x(1).mp3"), "user's too");
  // A name already numbered counts on from its number.
  auto second = TPartFile::Create(folder + "x(1).mp3", errorNumber);
  ASSERT_TRUE(second) << errorNumber;
  EXPECT_EQ(second->Claim(error), folder + "x(3).mp3");
}

TEST(PartFile, AnUnclaimedTemporaryIsRemoved) {
  const std::string folder = test::TempFolder("part") + "/";
  int errorNumber = 0;
  { auto part = TPartFile::Create(folder + "x.mp3", errorNumber); }
  EXPECT_TRUE(fs::is_empty(folder));
}

TEST(PartFile, OnlyUnlockedTemporariesOfTheSameOutputAreStale) {
  const std::string folder = test::TempFolder("part") + "/";
  int errorNumber = 0;
  auto living = TPartFile::Create(folder + "x.mp3", errorNumber);
  ASSERT_TRUE(living);
  // What a killed run leaves behind, and look-alikes that are not ours.
  test::WriteFile(folder + ".x.mp3.0123abcd.part", "half");
  test::WriteFile(folder + ".x.mp3.notours!.part", "keep");
  test::WriteFile(folder + ".y.mp3.0123abcd.part", "keep");
  test::WriteFile(folder + "x.mp3.0123abcd.part", "keep");
  EXPECT_EQ(TPartFile::RemoveStale(folder + "x.mp3"), 1);
  EXPECT_TRUE(fs::exists(living->Path()));
  EXPECT_FALSE(fs::exists(folder + ".x.mp3.0123abcd.part"));
  EXPECT_EQ(Names(folder).size(), 4u);
}

TEST(PartFile, ConcurrentClaimsOfOneNameGetDistinctFiles) {
  const std::string folder = test::TempFolder("part") + "/";
  constexpr int kWriters = 8;
  std::vector<std::string> claimed(kWriters);
  std::vector<std::thread> threads;
  for (int i = 0; i < kWriters; ++i)
    threads.emplace_back([&, i] {
      std::string error;
      int errorNumber = 0;
      auto part = TPartFile::Create(folder + "x.mp3", errorNumber);
      if (!part) return;
      test::WriteFile(part->OpenName(), std::to_string(i));
      claimed[i] = part->Claim(error);
    });
  for (auto& thread : threads) thread.join();
  std::set<std::string> distinct(claimed.begin(), claimed.end());
  EXPECT_EQ(distinct.size(), size_t(kWriters));
  for (int i = 0; i < kWriters; ++i) EXPECT_EQ(test::ReadFile(claimed[i]), std::to_string(i));
  EXPECT_EQ(test::EntryCount(folder), kWriters);
}

TEST(NumberedFileName, FitsTwoHundredFiftyFiveBytesAtACharacterBoundary) {
  const std::string longName(300, 'a');
  EXPECT_EQ(NumberedFileName(longName + ".mp4", 0), std::string(251, 'a') + ".mp4");
  EXPECT_EQ(NumberedFileName(longName + ".mp4", 12), std::string(247, 'a') + "(12).mp4");
  std::string wide;
  for (int i = 0; i < 150; ++i) wide += "\xc3\xa9";  // two bytes each
  const std::string cut = NumberedFileName(wide + ".flac", 0);
  EXPECT_EQ(cut, wide.substr(0, 250) + ".flac");
  EXPECT_EQ(NumberedFileName("short.mp3", 0), "short.mp3");
}

TEST(RenameNoReplace, RefusesATakenName) {
  const std::string folder = test::TempFolder("part") + "/";
  test::WriteFile(folder + "a", "a");
  test::WriteFile(folder + "b", "b");
  EXPECT_EQ(RenameNoReplace(folder + "a", folder + "b"), EEXIST);
  EXPECT_EQ(test::ReadFile(folder + "b"), "b");
  EXPECT_EQ(RenameNoReplace(folder + "a", folder + "c"), 0);
  EXPECT_EQ(test::ReadFile(folder + "c"), "a");
}

}  // namespace
}  // namespace mediaconv::app
