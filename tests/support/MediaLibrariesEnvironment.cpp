// Linked into the test binaries that need the media libraries (MEDIA in
// mediaconv_tests): they are loaded once, before the first test; a failed
// load fails the binary with the loader's reason instead of every test
// failing on its own.
#include <gtest/gtest.h>

#include "support/MediaLibraries.h"

namespace mediaconv::test {
namespace {

class TMediaLibrariesEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    std::string reason;
    ASSERT_TRUE(LoadMediaLibraries(reason)) << reason;
  }
};

const ::testing::Environment* const kRegistered =
    ::testing::AddGlobalTestEnvironment(new TMediaLibrariesEnvironment);

}  // namespace
}  // namespace mediaconv::test
