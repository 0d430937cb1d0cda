#include "engine/loader/FFLoader.h"

#include <gtest/gtest.h>

#include "engine/loader/Av.h"

using namespace mediaconv::engine;

TEST(FFLoader, LoadsAndBindsTheSystemLibraries) {
  auto& loader = TFFLoader::Instance();
  ASSERT_TRUE(loader.LoadLibraries(EngineLibraries)) << loader.LastErrorText();
  EXPECT_TRUE(loader.LibrariesLoaded(EngineLibraries));
  EXPECT_FALSE(loader.LibraryLoaded(lkAvdevice));
  ASSERT_NE(av::avcodec_find_encoder_by_name, nullptr);
  EXPECT_NE(av::avcodec_find_decoder(AV_CODEC_ID_H264), nullptr);
}

TEST(FFLoader, FileNamesCarryTheHeadersMajorVersion) {
  EXPECT_EQ(TFFLoader::LibraryFileName(lkAvcodec),
            "libavcodec.so." + std::to_string(LIBAVCODEC_VERSION_MAJOR));
  EXPECT_EQ(TFFLoader::LibraryFileName(lkSwresample),
            "libswresample.so." + std::to_string(LIBSWRESAMPLE_VERSION_MAJOR));
}
