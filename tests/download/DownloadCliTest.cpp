#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "FakeVideoService.h"
#include "app/EditionProfile.h"
#include "app/FileNameHelpers.h"
#include "support/Fixtures.h"
#include "support/JsonLines.h"

extern char** environ;

namespace mediaconv::download {
namespace {

namespace fs = std::filesystem;
using mediaconv::test::BinDir;
using mediaconv::test::ShellQuote;
using mediaconv::test::TCommandResult;
using test::TFakeVideoService;
using test::TMediaAnswer;
using test::TVideo;

TVideo Video(const std::string& title, std::map<int, TMediaAnswer> media, int pageStatus = 200) {
  TVideo video;
  video.Title = title;
  video.Token = "tk";
  video.Media = std::move(media);
  video.PageStatus = pageStatus;
  return video;
}

TMediaAnswer Media(const std::string& body, int pieceDelayMs = 0) {
  TMediaAnswer answer;
  answer.Body = body;
  answer.PieceDelay = std::chrono::milliseconds(pieceDelayMs);
  return answer;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class DownloadCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    config_ = mediaconv::test::TempFolder("dl-cli-config");
    out_ = mediaconv::test::TempFolder("dl-cli-out");
  }

  // The environment of the command: its own settings home, the fake service as the proxy.
  std::string Environment() const {
    return "XDG_CONFIG_HOME=" + ShellQuote(config_) + " HOME=" + ShellQuote(config_) +
           " http_proxy=" + service_.ProxyAddress() + " no_proxy= NO_PROXY= ";
  }

  TCommandResult Run(const std::string& arguments) {
    return mediaconv::test::RunCommand("{ " + Environment() + ShellQuote(BinDir() + "/mediaconv-cli") + " " +
                                       arguments + "; }");
  }

  std::vector<std::string> OutNames() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(out_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  void WriteSettings(const std::string& lines) {
    const app::EditionProfile edition = app::ReadEditionProfile(app::EditionFilePath(BinDir()));
    std::string folder = app::WithTrailingSeparator(config_);
    if (!edition.Name.empty()) folder += edition.Name + "/";
    fs::create_directories(folder);
    std::ofstream(folder + "system.dat") << "[System]\n" << lines;
  }

  TFakeVideoService service_;
  std::string config_, out_;
};

class DownloadUsageTest : public DownloadCliTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(DownloadUsageTest, ExitsTwoWithAMessage) {
  const TCommandResult result = Run(GetParam());
  EXPECT_EQ(result.exitCode, 2) << result.output;
  EXPECT_NE(result.output.find("mediaconv-cli: "), std::string::npos) << result.output;
  EXPECT_TRUE(service_.Requests().empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, DownloadUsageTest,
                         ::testing::Values("download",
                                           "download --prefer --no-prefer http://youtube.com/watch?v=a",
                                           "download --out",
                                           "download --format MP4 http://youtube.com/watch?v=a",
                                           "download --prefer=yes http://youtube.com/watch?v=a"));

TEST_F(DownloadCliTest, HelpListsTheOptions) {
  const TCommandResult result = Run("download --help");
  EXPECT_EQ(result.exitCode, 0);
  for (const char* text : {"URL...", "--out DIR", "--prefer", "--no-prefer", "--quiet", "--log FILE"})
    EXPECT_NE(result.output.find(text), std::string::npos) << text;
  EXPECT_NE(Run("--help").output.find("download"), std::string::npos);
}

TEST_F(DownloadCliTest, EveryLinkStoredExitsZeroWithTheSummary) {
  service_.AddVideo("a", Video("Tom &amp; Jerry", {{0, Media("first")}}));
  service_.AddVideo("b", Video("a/b: c?", {{0, Media("second")}}));
  const TCommandResult result =
      Run("download --no-prefer --out " + ShellQuote(out_) + " " + TFakeVideoService::PageLink("a") + " " +
          TFakeVideoService::PageLink("b"));
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(OutNames(), (std::vector<std::string>{"Tom & Jerry.flv", "a_b_ c_.flv"}));
  EXPECT_EQ(ReadAll(out_ + "/a_b_ c_.flv"), "second");
  for (const std::string& line :
       std::vector<std::string>{"[1/2] Tom & Jerry: Finish.\n", "Total files: 2\n", "Successed: 2\n",
                                "Failed: 0\n", "Stored: " + out_ + "/Tom & Jerry.flv\n"})
    EXPECT_NE(result.output.find(line), std::string::npos) << line << result.output;
  EXPECT_TRUE(service_.TargetsWith("&fmt=").empty());
  // Nothing is written to the settings.
  EXPECT_TRUE(fs::is_empty(config_));
}

TEST_F(DownloadCliTest, AFailedOrRefusedLinkExitsOne) {
  service_.AddVideo("ok", Video("Fine", {{0, Media("x")}}));
  TCommandResult result = Run("download --no-prefer --out " + ShellQuote(out_) + " " +
                              TFakeVideoService::PageLink("ok") + " http://example.com/clip");
  EXPECT_EQ(result.exitCode, 1) << result.output;
  EXPECT_NE(result.output.find("http://example.com/clip: This is not a YouTube video link."),
            std::string::npos)
      << result.output;
  EXPECT_EQ(OutNames(), std::vector<std::string>{"Fine.flv"});

  result =
      Run("download --no-prefer --out " + ShellQuote(out_) + " " + TFakeVideoService::PageLink("missing"));
  EXPECT_EQ(result.exitCode, 1) << result.output;
  EXPECT_NE(result.output.find("[1/1] " + TFakeVideoService::PageLink("missing") + ": Failed. (page "),
            std::string::npos)
      << result.output;
  EXPECT_NE(result.output.find("HTTP 404"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("Failed: 1\n"), std::string::npos) << result.output;
}

TEST_F(DownloadCliTest, JsonGivesOneObjectPerLineForEachEvent) {
  service_.AddVideo("ok", Video("Fine", {{0, Media(std::string(64 << 10, 'x'))}}));
  const TCommandResult result =
      Run("download --json --no-prefer --out " + ShellQuote(out_) + " " + TFakeVideoService::PageLink("ok") +
          " " + TFakeVideoService::PageLink("missing") + " http://example.com/clip 2>/dev/null");
  EXPECT_EQ(result.exitCode, 1);
  const std::vector<QJsonObject> events = mediaconv::test::ParseJsonLines(result.output);
  using mediaconv::test::Events;
  using mediaconv::test::Text;
  ASSERT_EQ(Events(events, "refused").size(), 1u);
  EXPECT_EQ(Text(Events(events, "refused")[0], "link"), "http://example.com/clip");
  const auto added = Events(events, "added");
  ASSERT_EQ(added.size(), 2u);
  EXPECT_EQ(Text(added[1], "link"), TFakeVideoService::PageLink("missing"));
  const auto ended = Events(events, "ended");
  ASSERT_EQ(ended.size(), 2u);
  EXPECT_EQ(Text(ended[0], "title"), "Fine");
  EXPECT_EQ(Text(ended[0], "status"), "finished");
  EXPECT_TRUE(ended[0].value("error").isNull());
  EXPECT_EQ(ended[1].value("index").toInt(), 2);
  EXPECT_EQ(Text(ended[1], "status"), "failed");
  EXPECT_NE(Text(ended[1], "error").find("HTTP 404"), std::string::npos) << result.output;
  ASSERT_FALSE(Events(events, "progress").empty());
  EXPECT_EQ(Events(events, "progress").back().value("percent").toInt(), 100);
  ASSERT_EQ(Text(events.back(), "event"), "summary");
  EXPECT_EQ(events.back().value("succeeded").toInt(), 1);
  EXPECT_EQ(events.back().value("failed").toInt(), 1);
  ASSERT_EQ(events.back().value("files").toArray().size(), 1);
  EXPECT_EQ(events.back().value("files").toArray()[0].toString().toStdString(), out_ + "/Fine.flv");
}

TEST_F(DownloadCliTest, WithoutFlagsTheSettingsChooseFolderAndQuality) {
  service_.AddVideo("hq", Video("Clip", {{35, Media("hq35")}}));
  WriteSettings("OutputURLDir=" + out_ + "/\nPreferYouTubeQuality=1\nPreferYouTube1=2\nPreferYouTube2=1\n");
  const TCommandResult result = Run(TFakeVideoService::PageLink("hq").insert(0, "download "));
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(OutNames(), std::vector<std::string>{"Clip.flv"});
  const std::vector<std::string> media = service_.TargetsWith("/get_video?");
  ASSERT_EQ(media.size(), 1u);
  EXPECT_NE(media[0].find("&fmt=35"), std::string::npos);
  // --no-prefer overrides the settings: the default quality, which this video lacks.
  const TCommandResult plain = Run("download --no-prefer " + TFakeVideoService::PageLink("hq"));
  EXPECT_EQ(plain.exitCode, 1) << plain.output;
}

TEST_F(DownloadCliTest, FallbackLinesAndQuietOutput) {
  service_.AddVideo("v", Video("V", {{18, Media("eighteen")}}));
  TCommandResult result = Run("download --prefer --out " + ShellQuote(out_) + " --log " +
                              ShellQuote(config_ + "/dl.log") + " " + TFakeVideoService::PageLink("v"));
  // The default ranking starts with [HQ18]: no fallback.
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(result.output.find(" failed, try next: "), std::string::npos);
  service_.AddVideo("w", Video("W", {{22, Media("twenty-two")}}));
  result = Run("download --prefer --quiet --out " + ShellQuote(out_) + " --log " +
               ShellQuote(config_ + "/dl.log") + " " + TFakeVideoService::PageLink("w"));
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(result.output, "");
  EXPECT_EQ(ReadAll(out_ + "/W.mp4"), "twenty-two");
  // The log file says why the first two codes were passed over.
  const std::string log = ReadAll(config_ + "/dl.log");
  EXPECT_NE(
      log.find("Download error: [HQ18] http://youtube.com/get_video?video_id=w&&t=tk&&fmt=18: HTTP 404"),
      std::string::npos)
      << log;
  EXPECT_NE(log.find("[HQ35]"), std::string::npos) << log;
}

TEST_F(DownloadCliTest, CtrlCStopsTheRunAndLeavesNoPartialFile) {
  service_.AddVideo("slow", Video("Slow", {{0, Media(std::string(4 << 20, 's'), 5)}}));
  service_.AddVideo("next", Video("Next", {{0, Media("n")}}));
  const std::string outputFile = config_ + "/ctrl-c.txt";
  const std::string command = "exec env " + Environment() + ShellQuote(BinDir() + "/mediaconv-cli") +
                              " download --no-prefer --out " + ShellQuote(out_) + " " +
                              TFakeVideoService::PageLink("slow") + " " +
                              TFakeVideoService::PageLink("next") + " > " + ShellQuote(outputFile) + " 2>&1";
  pid_t pid = 0;
  const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
  ASSERT_EQ(::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
  // Wait for the hidden partial file: the body is coming in.
  bool partialSeen = false;
  for (int i = 0; i < 1500 && !partialSeen; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    for (const std::string& name : OutNames()) partialSeen |= name.rfind(".mediaconv-download-", 0) == 0;
  }
  EXPECT_TRUE(partialSeen);
  ::kill(pid, SIGINT);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_TRUE(OutNames().empty());
  const std::string output = ReadAll(outputFile);
  EXPECT_NE(output.find("Download stopped.\n"), std::string::npos) << output;
  EXPECT_NE(output.find("Failed: 2\n"), std::string::npos) << output;
  EXPECT_TRUE(service_.TargetsWith("watch?v=next").empty());
}

}  // namespace
}  // namespace mediaconv::download
