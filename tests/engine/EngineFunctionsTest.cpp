#include "engine/common/EngineFunctions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>

#include "engine/common/AvHandles.h"
#include "engine/loader/Av.h"
#include "engine/loader/FFLoader.h"
#include "support/Fixtures.h"

using namespace mediaconv::engine;

namespace {

class EngineFunctions : public ::testing::Test {};

TEST_F(EngineFunctions, ErrorTextNamesTheFileAndTheCode) {
  const std::pair<int, const char*> cases[] = {
      {AVERROR(ENOENT), "No such file or directory"},
      {AVERROR(EIO), "I/O error"},
      {AVERROR(ENOMEM), "Not enough memory"},
      {AVERROR_INVALIDDATA, "Invalid data found when processing input"},
      {AVERROR_EOF, "End of file"},
      {AVERROR(EDOM), "Number syntax expected in filename"},
      {AVERROR_DEMUXER_NOT_FOUND, "Unknown format"},
      {AVERROR_MUXER_NOT_FOUND, "Unknown format"},
      {AVERROR_PROTOCOL_NOT_FOUND, "Unsupported network protocol"},
      {AVERROR_PATCHWELCOME, "Not yet implemented in FFmpeg"},
      // Other codes: the library's own text.
      {AVERROR(EACCES), "Permission denied"},
      {AVERROR_BSF_NOT_FOUND, "Bitstream filter not found"},
      {AVERROR_ENCODER_NOT_FOUND, "Encoder not found"},
      // No text anywhere.
      {-123456, "Error number -123456 occurred"},
  };
  for (const auto& [code, text] : cases)
    EXPECT_EQ(ErrorText("/media/in put.avi", code), std::string("/media/in put.avi: ") + text) << code;
}

TEST(EngineFunctionsPure, FormatDurationWritesHoursMinutesSecondsMilliseconds) {
  const std::pair<int64_t, const char*> cases[] = {
      {0, "00:00:00.000"},
      {999, "00:00:00.000"},
      {1000, "00:00:00.001"},
      {3723004000, "01:02:03.004"},
      {59999999, "00:00:59.999"},
      {int64_t(100) * 3600 * 1000000, "100:00:00.000"},
      {-1500000, "-00:00:01.500"},
      {AV_NOPTS_VALUE, "N/A"},
      {AV_NOPTS_VALUE + 1, "-2562047788:00:54.775"},
      {INT64_MAX, "2562047788:00:54.775"},
  };
  for (const auto& [t, text] : cases) EXPECT_EQ(FormatDuration(t), text) << t;
}

TEST(EngineFunctionsPure, MediaTypeNames) {
  const std::pair<int, const char*> cases[] = {{AVMEDIA_TYPE_VIDEO, "Video"},
                                               {AVMEDIA_TYPE_AUDIO, "Audio"},
                                               {AVMEDIA_TYPE_DATA, "Data"},
                                               {AVMEDIA_TYPE_SUBTITLE, "Subtitle"},
                                               {AVMEDIA_TYPE_ATTACHMENT, "Attachment"},
                                               {AVMEDIA_TYPE_UNKNOWN, "Unknown"},
                                               {AVMEDIA_TYPE_NB, "Unknown"},
                                               {1000, "Unknown"}};
  for (const auto& [type, name] : cases) EXPECT_EQ(MediaTypeName(type), name) << type;
}

TEST_F(EngineFunctions, CodecDescriptionForContextsAndParameters) {
  struct TCase {
    AVCodecID id;
    unsigned tag;
    bool encoder;
    const char* text;
  };
  const TCase cases[] = {
      {AV_CODEC_ID_H264, 0, false, "h264(H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10)"},
      {AV_CODEC_ID_MP2, 0, true, "mp2(MP2 (MPEG audio layer 2))"},
      // No encoder for VP6 in the libraries: the codec id's own name.
      {AV_CODEC_ID_VP6, 0, true, "vp6"},
      {AV_CODEC_ID_MPEG2TS, 0, false, "mpeg2ts"},
      {AV_CODEC_ID_NONE, MKTAG('X', 'V', 'I', 'D'), false, "XVID / 0x44495658"},
      {AV_CODEC_ID_NONE, 0x00000001, false, "0x0001"},
      {AV_CODEC_ID_NONE, MKTAG('a', 'b', 'c', 0x7f), false, "0x7f636261"},
  };
  for (const TCase& c : cases) {
    TCodecContextPtr context = MakeCodecContext(nullptr);
    ASSERT_TRUE(context);
    context->codec_id = c.id;
    context->codec_tag = c.tag;
    EXPECT_EQ(CodecDescription(context.get(), c.encoder), c.text) << c.id;
    TCodecParametersPtr parameters = MakeCodecParameters();
    parameters->codec_id = c.id;
    parameters->codec_tag = c.tag;
    EXPECT_EQ(CodecDescription(parameters.get(), c.encoder), c.text) << c.id;
  }
}

TEST_F(EngineFunctions, MetadataValueFindsTheFirstEntry) {
  TDictionaryPtr metadata;
  av::av_dict_set(OutPtr(metadata), "title", "First", 0);
  av::av_dict_set(OutPtr(metadata), "artist", "Someone", 0);
  av::av_dict_set(OutPtr(metadata), "title", "Second", AV_DICT_MULTIKEY);
  EXPECT_EQ(MetadataValue(metadata.get(), "title", "-"), "First");
  EXPECT_EQ(MetadataValue(metadata.get(), "TITLE", "-"), "First");
  EXPECT_EQ(MetadataValue(metadata.get(), "album", "none"), "none");
  EXPECT_EQ(MetadataValue(nullptr, "title", "none"), "none");
}

TEST(EngineFunctionsPure, ReadWholeFileReadsEveryByte) {
  const std::string folder = mediaconv::test::TempFolder("read");
  std::string binary;
  for (int i = 0; i < 200000; ++i) binary += char(i * 7 % 256);
  std::ofstream(folder + "/stats.log", std::ios::binary) << binary;
  std::ofstream(folder + "/empty.log", std::ios::binary).flush();

  std::string contents = "old";
  ASSERT_EQ(ReadWholeFile(folder + "/stats.log", contents), 0);
  EXPECT_EQ(contents, binary);
  ASSERT_EQ(ReadWholeFile(folder + "/empty.log", contents), 0);
  EXPECT_EQ(contents, "");

  contents = "kept";
  EXPECT_EQ(ReadWholeFile(folder + "/missing.log", contents), -1);
  EXPECT_EQ(ReadWholeFile(folder, contents), -1);  // a folder opens but does not read
  EXPECT_EQ(contents, "kept");
}

}  // namespace
