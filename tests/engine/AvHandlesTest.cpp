#include "engine/common/AvHandles.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/common/UnicodeProtocol.h"
#include "engine/loader/Av.h"
#include "engine/loader/FFLoader.h"
#include "support/Fixtures.h"

using namespace mediaconv::engine;

namespace {

class AvHandles : public ::testing::Test {};

// An output abandoned half-way (as on an error path) still gets its buffered
// bytes written and its file closed, for both kinds of I/O context.
TEST_F(AvHandles, OutputOwnerFlushesAndClosesItsFile) {
  const std::string folder = mediaconv::test::TempFolder("handles");
  for (const std::string& url :
       {folder + "/plain.bin", std::string(kUnicodeURLPrefix) + folder + "/统一.bin"}) {
    {
      AVFormatContext* raw = nullptr;
      ASSERT_GE(av::avformat_alloc_output_context2(&raw, nullptr, "data", nullptr), 0);
      TOutputFormatPtr output(raw);
      ASSERT_EQ(OpenOutputURL(&output->pb, url, AVIO_FLAG_WRITE), 0) << url;
      av::avio_write(output->pb, reinterpret_cast<const unsigned char*>("12345"), 5);
    }
    EXPECT_EQ(std::filesystem::file_size(URLToFileName(url)), 5u) << url;
  }
}

TEST_F(AvHandles, OutPtrFollowsAFunctionThatReplacesOrFreesTheHandle) {
  TDictionaryPtr options;
  ASSERT_GE(av::av_dict_set(OutPtr(options), "a", "1", 0), 0);
  ASSERT_TRUE(options);
  ASSERT_GE(av::av_dict_set(OutPtr(options), "b", "2", 0), 0);
  EXPECT_EQ(av::av_dict_count(options.get()), 2);

  // avformat_open_input frees a caller's context when it fails.
  TInputFormatPtr input(av::avformat_alloc_context());
  ASSERT_TRUE(input);
  EXPECT_LT(av::avformat_open_input(OutPtr(input), "/nonexistent/clip.mp4", nullptr, nullptr), 0);
  EXPECT_FALSE(input);
}

TEST_F(AvHandles, MakersAllocate) {
  EXPECT_TRUE(MakeFrame());
  EXPECT_TRUE(MakePacket());
  EXPECT_TRUE(MakeCodecContext(av::avcodec_find_encoder(AV_CODEC_ID_MPEG4)));
  EXPECT_TRUE(MakeFilterGraph());
  EXPECT_TRUE(MakeCodecParameters());
}

}  // namespace
