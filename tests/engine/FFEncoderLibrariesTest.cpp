#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "engine/loader/FFLoader.h"
#include "engine/tasks/FFEncoder.h"
#include "support/Fixtures.h"

namespace mediaconv::engine {
namespace {

using test::TempFolder;

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

// Each test starts with nothing loaded and leaves the real libraries loaded.
class FFEncoderLibraries : public ::testing::Test {
 protected:
  void SetUp() override { TFFLoader::Instance().UnloadLibraries(AllLibraries); }
  void TearDown() override {
    TFFLoader::Instance().SetLibraryPath("");
    ASSERT_TRUE(TFFLoader::Instance().LoadLibraries(EngineLibraries));
  }
};

TEST_F(FFEncoderLibraries, ABrokenLibraryFailsTheLoadWithTheLoadersReason) {
  const std::string folder = TempFolder("lib");
  WriteFile(folder + "/" + TFFLoader::LibraryFileName(lkSwscale), "this is not a shared library\n");
  TFFEncoder encoder;
  EXPECT_FALSE(encoder.LoadLibraries(folder));
  EXPECT_FALSE(encoder.LibrariesLoaded());
  EXPECT_NE(encoder.LastErrMsg(), "");
  EXPECT_EQ(encoder.LastErrMsg(), TFFLoader::Instance().LastErrorText());
  EXPECT_NE(encoder.LastErrMsg().find(TFFLoader::LibraryFileName(lkSwscale)), std::string::npos)
      << encoder.LastErrMsg();
}

TEST_F(FFEncoderLibraries, AddingWithoutTheLibrariesIsRefused) {
  TFFEncoder encoder;
  EXPECT_FALSE(encoder.LibrariesLoaded());
  try {
    encoder.AddTask("whatever.wav");
    FAIL() << "no exception";
  } catch (const EEncoderError& error) {
    EXPECT_STREQ(error.what(), "Cannot AddTask: media libraries not loaded.");
  }
  EXPECT_EQ(encoder.TasksCount(), 0);
  // Starting an empty list needs nothing.
  EXPECT_NO_THROW(encoder.StartTask(1));
  EXPECT_TRUE(encoder.LoadLibraries(TempFolder("lib")));
  EXPECT_TRUE(encoder.LibrariesLoaded());
}

}  // namespace
}  // namespace mediaconv::engine
