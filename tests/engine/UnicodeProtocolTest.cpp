#include "engine/common/UnicodeProtocol.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "engine/common/AvHandles.h"
#include "engine/loader/Av.h"
#include "engine/loader/FFLoader.h"
#include "support/Fixtures.h"

using namespace mediaconv::engine;
namespace fs = std::filesystem;

namespace {

class UnicodeProtocol : public ::testing::Test {
 protected:
  static std::string Clip() {
    return mediaconv::test::MediaFixture("unicode-clip.mp4",
                                         "-f lavfi -i testsrc2=size=160x120:rate=25:duration=2 -f lavfi -i "
                                         "sine=duration=2 -c:v mpeg4 -c:a aac");
  }
};

std::string Unicode(const std::string& name) { return kUnicodeURLPrefix + name; }

TEST(UnicodeURL, OnlyAPrefixFollowedByANameIsAUnicodeURL) {
  const std::pair<const char*, bool> cases[] = {{"unicode:utf8:", false},
                                                {"unicode:utf8:a", true},
                                                {"unicode:utf8:/tmp/视频.mp4", true},
                                                {"unicode:utf8", false},
                                                {"UNICODE:utf8:a", false},
                                                {"unicode:utf16:a", false},
                                                {"/tmp/unicode:utf8:a", false},
                                                {"", false}};
  for (const auto& [url, expected] : cases) EXPECT_EQ(IsUnicodeURL(url), expected) << url;
}

TEST_F(UnicodeProtocol, FileNamesBecomeURLsTheLibrariesReadAsFiles) {
  const std::pair<const char*, const char*> cases[] = {
      {"/tmp/clip.mp4", "/tmp/clip.mp4"},
      {"/tmp/视频 😀.mp4", "/tmp/视频 😀.mp4"},
      {"clip.mp4", "clip.mp4"},
      {"dir/a:b.mp4", "dir/a:b.mp4"},  // the text before ":" holds "/": no protocol
      {"a:b.mp4", "file:a:b.mp4"},
      {"C:video.avi", "file:C:video.avi"},
      {":odd", "file::odd"},
      {"视频:1.mp4", "视频:1.mp4"},
      // A file name is a local file even when it starts like a protocol.
      {"http://example.com/视频.flv", "file:http://example.com/视频.flv"},
      {"http:视频", "file:http:视频"},
      {"udp://127.0.0.1:1234", "file:udp://127.0.0.1:1234"},
      {"rtp://127.0.0.1:1234", "file:rtp://127.0.0.1:1234"},
      {"pipe:0", "file:pipe:0"},
      {"file:/tmp/x.mp4", "file:file:/tmp/x.mp4"},
      {"unicode:utf8:/tmp/x.mp4", "file:unicode:utf8:/tmp/x.mp4"},
      {"https://example.com/a", "file:https://example.com/a"},
  };
  for (const auto& [name, url] : cases) EXPECT_EQ(FileNameToURL(name), url) << name;
}

TEST(UnicodeURL, URLsReadBackAsFileNames) {
  const std::pair<const char*, const char*> cases[] = {
      {"unicode:utf8:/tmp/视频.mp4", "/tmp/视频.mp4"},
      {"unicode:utf8:", "unicode:utf8:"},
      {"file:a:b.mp4", "a:b.mp4"},
      {"/tmp/clip.mp4", "/tmp/clip.mp4"},
      {"http://example.com/a", "http://example.com/a"},
  };
  for (const auto& [url, name] : cases) EXPECT_EQ(URLToFileName(url), name) << url;
  for (const char* name : {"/tmp/视频 😀.mp4", "a:b.mp4", "C:video.avi", "plain.avi", "pipe:0.mp4",
                           "file:x.mp4", "unicode:utf8:x.mp4"})
    EXPECT_EQ(URLToFileName(FileNameToURL(name)), name);
}

// Copies every packet of an input into an mp4 written through OpenOutputURL.
void Remux(const std::string& inputURL, const std::string& outputURL) {
  int error = 0;
  TInputFormatPtr input = OpenInput(inputURL, nullptr, nullptr, &error);
  ASSERT_TRUE(input) << error;
  ASSERT_GE(av::avformat_find_stream_info(input.get(), nullptr), 0);
  AVFormatContext* raw = nullptr;
  ASSERT_GE(av::avformat_alloc_output_context2(&raw, nullptr, "mp4", nullptr), 0);
  TOutputFormatPtr output(raw);
  for (unsigned i = 0; i < input->nb_streams; ++i) {
    AVStream* stream = av::avformat_new_stream(output.get(), nullptr);
    ASSERT_GE(av::avcodec_parameters_copy(stream->codecpar, input->streams[i]->codecpar), 0);
    stream->codecpar->codec_tag = 0;
  }
  ASSERT_EQ(OpenOutputURL(&output->pb, outputURL, AVIO_FLAG_WRITE), 0);
  ASSERT_GE(av::avformat_write_header(output.get(), nullptr), 0);
  TPacketPtr packet = MakePacket();
  while (av::av_read_frame(input.get(), packet.get()) >= 0) {
    const int index = packet->stream_index;
    av::av_packet_rescale_ts(packet.get(), input->streams[index]->time_base,
                             output->streams[index]->time_base);
    ASSERT_GE(av::av_interleaved_write_frame(output.get(), packet.get()), 0);
  }
  ASSERT_GE(av::av_write_trailer(output.get()), 0);
  EXPECT_EQ(CloseOutputURL(&output->pb), 0);
}

TEST_F(UnicodeProtocol, NonAsciiNamesAreProbedAndWrittenWithTheirExactNames) {
  const std::string clip = Clip();
  ASSERT_FALSE(clip.empty());
  const std::string folder = mediaconv::test::TempFolder("unicode");
  const std::string source = folder + "/源文件 😀 clip.mp4";
  fs::copy_file(clip, source);

  // The plain name as FileNameToURL gives it, and the unicode URL form.
  const std::string throughName = folder + "/输出 🎬 plain.mp4";
  const std::string throughURL = folder + "/输出 🎬 custom.mp4";
  Remux(FileNameToURL(source), FileNameToURL(throughName));
  Remux(Unicode(source), Unicode(throughURL));

  for (const std::string& written : {throughName, throughURL}) {
    ASSERT_TRUE(fs::is_regular_file(written)) << written;
    const auto format = mediaconv::test::ProbeFormat(written);
    EXPECT_NE(format.at("format_name").find("mp4"), std::string::npos) << written;
    EXPECT_EQ(format.at("nb_streams"), "2") << written;
    EXPECT_NEAR(std::atof(format.at("duration").c_str()), 2.0, 0.1) << written;
  }
  // The unicode URL form names the same file, and its input knows the size.
  int error = 0;
  TInputFormatPtr input = OpenInput(Unicode(throughURL), nullptr, nullptr, &error);
  ASSERT_TRUE(input) << error;
  EXPECT_EQ(av::avio_size(input->pb), int64_t(fs::file_size(throughURL)));
}

TEST_F(UnicodeProtocol, SizeQueryOnASparseFileAbove4GiB) {
  const std::string name = mediaconv::test::TempFolder("sparse") + "/大 file.bin";
  const int64_t size = (int64_t(5) << 30) + 123;
  { std::ofstream(name, std::ios::binary) << "head"; }
  fs::resize_file(name, uintmax_t(size));

  AVIOContext* raw = nullptr;
  ASSERT_EQ(OpenOutputURL(&raw, Unicode(name), AVIO_FLAG_READ), 0);
  TIOContextPtr pb(raw);
  EXPECT_EQ(av::avio_size(pb.get()), size);
  const int64_t far = (int64_t(4) << 30) + 10;
  EXPECT_EQ(av::avio_seek(pb.get(), far, SEEK_SET), far);
  EXPECT_EQ(av::avio_seek(pb.get(), 0, SEEK_CUR), far);
  unsigned char bytes[4] = {1, 1, 1, 1};
  EXPECT_EQ(av::avio_read(pb.get(), bytes, 4), 4);
  EXPECT_EQ(bytes[0] | bytes[1] | bytes[2] | bytes[3], 0);
  EXPECT_EQ(av::avio_seek(pb.get(), 0, SEEK_SET), 0);
  EXPECT_EQ(av::avio_read(pb.get(), bytes, 4), 4);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 4), "head");
}

TEST_F(UnicodeProtocol, OpenFailuresReturnTheSystemsCode) {
  const std::string folder = mediaconv::test::TempFolder("fail");
  AVFormatContext* context = nullptr;
  EXPECT_EQ(OpenInputURL(&context, Unicode(folder + "/缺少.mp4"), nullptr, nullptr), AVERROR(ENOENT));
  EXPECT_EQ(context, nullptr);

  // A context made by the caller is freed on failure, as the library does.
  context = av::avformat_alloc_context();
  EXPECT_EQ(OpenInputURL(&context, Unicode(folder + "/缺少.mp4"), nullptr, nullptr), AVERROR(ENOENT));
  EXPECT_EQ(context, nullptr);

  // Not media: the library fails after the custom I/O was made; nothing leaks.
  const std::string garbage = folder + "/垃圾.mp4";
  std::ofstream(garbage, std::ios::binary) << std::string(4096, '\x5a');
  int error = 0;
  EXPECT_FALSE(OpenInput(Unicode(garbage), nullptr, nullptr, &error));
  EXPECT_EQ(error, AVERROR_INVALIDDATA);

  AVIOContext* pb = nullptr;
  EXPECT_EQ(OpenOutputURL(&pb, Unicode(folder + "/missing/输出.mp4"), AVIO_FLAG_WRITE), AVERROR(ENOENT));
  EXPECT_EQ(pb, nullptr);
  EXPECT_EQ(CloseOutputURL(&pb), 0);
}

TEST_F(UnicodeProtocol, LostWritesAreReportedWhenClosing) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  const std::string data(100000, 'x');
  for (const std::string& url : {Unicode("/dev/full"), std::string("/dev/full")}) {
    AVIOContext* pb = nullptr;
    ASSERT_EQ(OpenOutputURL(&pb, url, AVIO_FLAG_WRITE), 0) << url;
    av::avio_write(pb, reinterpret_cast<const unsigned char*>(data.data()), int(data.size()));
    EXPECT_EQ(CloseOutputURL(&pb), AVERROR(ENOSPC)) << url;
    EXPECT_EQ(pb, nullptr);
  }
}

}  // namespace
