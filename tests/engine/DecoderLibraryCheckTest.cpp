#include <gtest/gtest.h>

#include <string>

#include "engine/loader/FFLoader.h"
#include "engine/prober/FFDecoder.h"
#include "support/Fixtures.h"

using namespace mediaconv::engine;

namespace {

// Unloads some of the media libraries for one case and loads them back.
class DecoderLibraryCheckTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(TFFLoader::Instance().LoadLibraries(EngineLibraries)); }
  void TearDown() override { EXPECT_TRUE(TFFLoader::Instance().LoadLibraries(EngineLibraries)); }
};

TEST_F(DecoderLibraryCheckTest, LoadFileRaisesForTheFirstMissingLibrary) {
  const std::string path =
      mediaconv::test::MediaFixture("prober_check.wav", "-f lavfi -i sine=frequency=440:duration=1");
  struct {
    TLibrarySet missing;
    const char* error;
  } const cases[] = {
      {LibrarySet(lkAvcodec), "LibAVCodec not loaded."},
      {LibrarySet(lkAvformat), "LibAVFormat not loaded."},
      {LibrarySet(lkAvutil), "LibAVUtil not loaded."},
      {LibrarySet(lkSwscale), "LibSwScale not loaded."},
      {TLibrarySet(LibrarySet(lkSwscale) | LibrarySet(lkAvformat)), "LibAVFormat not loaded."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    TFFDecoder decoder;
    ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastError();
    TFFLoader::Instance().UnloadLibraries(c.missing);
    try {
      decoder.LoadFile(path);
      ADD_FAILURE() << "LoadFile must raise";
    } catch (const EDecoderError& e) {
      EXPECT_STREQ(e.what(), c.error);
    }
    // The file opened before stays open until the libraries are back.
    EXPECT_EQ(decoder.StreamCount(), 1);
    ASSERT_TRUE(TFFLoader::Instance().LoadLibraries(EngineLibraries));
    EXPECT_TRUE(decoder.LoadFile(path)) << decoder.LastError();
  }
}

}  // namespace
