#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "FakeVideoService.h"
#include "app/QueueMainThread.h"
#include "download/DownloadRun.h"
#include "download/DownloadStore.h"
#include "support/Fixtures.h"

namespace mediaconv::download {
namespace {

namespace fs = std::filesystem;
using test::TFakeVideoService;
using test::TMediaAnswer;
using test::TVideo;

// Keeps everything the run shows.
class TRecordingView : public TLinkListView, public TDownloadView {
 public:
  bool ConfirmLinkMessage(const std::string& text) override {
    messages.push_back(text);
    return true;
  }
  void DownloadRowAdded(int index, const TDownloadRow& row) override {
    rows.resize(index + 1);
    rows[index] = row;
    statuses.resize(index + 1);
    statuses[index].push_back(row.Status);
  }
  void DownloadRowChanged(int index, const TDownloadRow& row) override {
    rows.at(index) = row;
    if (statuses.at(index).back() != row.Status) {
      statuses[index].push_back(row.Status);
      events.push_back(std::to_string(index) + " " + row.Status);
    }
  }
  void StatusPanelChanged(const TDownloadPanel& changed) override {
    panel = changed;
    if (qualities.empty() || qualities.back() != changed.Quality) qualities.push_back(changed.Quality);
    if (changed.Speed.find("inf") != std::string::npos || changed.Speed.find("nan") != std::string::npos)
      badSpeed = changed.Speed;
    if (onPanel) onPanel(changed);
  }
  void DownloadListCleared() override { cleared = true; }
  void ShowDownloadSummary(const TDownloadSummary& shown) override {
    summary = shown;
    ++summaries;
  }
  void AppendLog(const std::string& line) override { log.push_back(line); }

  std::vector<std::string> messages;
  std::vector<TDownloadRow> rows;
  std::vector<std::vector<std::string>> statuses;
  std::vector<std::string> events;
  std::vector<std::string> qualities;
  std::vector<std::string> log;
  TDownloadPanel panel;
  std::string badSpeed;
  bool cleared = false;
  TDownloadSummary summary;
  int summaries = 0;
  std::function<void(const TDownloadPanel&)> onPanel;
};

std::string Body(size_t size, char seed) {
  std::string body(size, '\0');
  for (size_t i = 0; i < size; ++i) body[i] = static_cast<char>(seed + i * 7 % 251);
  return body;
}

// A video of the fake service.
TVideo Video(const std::string& title, const std::string& token, std::map<int, TMediaAnswer> media = {},
             int pageStatus = 200) {
  TVideo video;
  video.Title = title;
  video.Token = token;
  video.Media = std::move(media);
  video.PageStatus = pageStatus;
  return video;
}

TMediaAnswer Media(const std::string& body, int64_t cutAfter = -1, int pieceDelayMs = 0) {
  TMediaAnswer answer;
  answer.Body = body;
  answer.CutAfter = cutAfter;
  answer.PieceDelay = std::chrono::milliseconds(pieceDelayMs);
  return answer;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

int CountWith(const std::vector<std::string>& texts, const std::string& part) {
  return static_cast<int>(std::count_if(
      texts.begin(), texts.end(), [&](const std::string& t) { return t.find(part) != std::string::npos; }));
}

// A loopback port with a socket bound to it that does not listen: a
// connection there is refused.
class TRefusingPort {
 public:
  TRefusingPort() {
    socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~TRefusingPort() { ::close(socket_); }
  int Port() const { return port_; }

 private:
  int socket_ = -1;
  int port_ = 0;
};

class DownloadRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Every request goes to the fake service: nothing leaves the machine.
    ::setenv("http_proxy", service_.ProxyAddress().c_str(), 1);
    ::unsetenv("no_proxy");
    ::unsetenv("NO_PROXY");
    folder_ = mediaconv::test::TempFolder("dl-run");
    settings_.OutputURLDir = folder_ + "/";
    settings_.PreferYouTubeQuality = false;
    StoreRanking(settings_, kDefaultRanking);
  }

  void Start(const std::vector<std::string>& ids) {
    for (const std::string& id : ids) links_.AddLink(TFakeVideoService::PageLink(id));
    run_.Start(links_, settings_);
  }

  void ServeUntilFinished() {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!run_.Finished() && std::chrono::steady_clock::now() < limit)
      main_.WaitAndServe(std::chrono::milliseconds(20));
    ASSERT_TRUE(run_.Finished());
    main_.ServePending();
  }

  void RunLinks(const std::vector<std::string>& ids) {
    Start(ids);
    ServeUntilFinished();
  }

  // The names in the download folder.
  std::vector<std::string> FolderNames() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  TFakeVideoService service_;
  app::TQueueMainThread main_;
  TRecordingView view_;
  TLinkList links_{view_};
  app::AppSettings settings_;
  std::string folder_;
  TDownloadRun run_{view_, main_};
};

TEST_F(DownloadRunTest, DefaultQualityStoresTheDecodedTitleAsFlvWithoutFormatParameter) {
  const std::string body = Body(100000, 'a');
  service_.AddVideo("tom", Video("Tom &amp; Jerry", "tok1", {{0, Media(body)}}));
  RunLinks({"tom"});
  EXPECT_EQ(FolderNames(), std::vector<std::string>{"Tom & Jerry.flv"});
  EXPECT_EQ(ReadAll(folder_ + "/Tom & Jerry.flv"), body);
  EXPECT_EQ(run_.DownloadedFiles(), std::vector<std::string>{folder_ + "/Tom & Jerry.flv"});
  const std::vector<std::string> media = service_.TargetsWith("/get_video?");
  ASSERT_EQ(media.size(), 1u);
  EXPECT_EQ(media[0], "http://youtube.com/get_video?video_id=tom&&t=tok1&");
  EXPECT_EQ(CountWith(media, "&fmt="), 0);
  // Both requests say who asks and take anything.
  for (const test::TRecordedRequest& request : service_.Requests()) {
    EXPECT_EQ(request.UserAgent, "[Vostrel]");
    EXPECT_EQ(request.Accept, "*/*");
  }
  EXPECT_EQ(view_.rows[0].Caption, "Tom & Jerry");
  EXPECT_EQ(view_.rows[0].URL, "http://youtube.com/get_video?video_id=tom&&t=tok1&");
  EXPECT_EQ(view_.rows[0].Size, "0.10MB");
  EXPECT_EQ(view_.rows[0].Progress, "100%");
  EXPECT_EQ(view_.statuses[0], (std::vector<std::string>{
                                   "Waiting...", "Getting real YouTube URLs, please wait...",
                                   "Analyzing finished, ready to download...", "Downloading...", "Finish."}));
  EXPECT_EQ(view_.qualities, (std::vector<std::string>{"...", "[Default Quality - HQ5]", "..."}));
  EXPECT_TRUE(view_.badSpeed.empty()) << view_.badSpeed;
  EXPECT_EQ(view_.summaries, 1);
  EXPECT_EQ(view_.summary.TotalFiles, 1);
  EXPECT_EQ(view_.summary.SucceededCount, 1);
  EXPECT_EQ(view_.summary.FailedCount, 0);
}

TEST_F(DownloadRunTest, FinishClearsTheListsAndResetsThePanel) {
  service_.AddVideo("v", Video("v", "t", {{0, Media("x")}}));
  RunLinks({"v"});
  EXPECT_TRUE(links_.Empty());
  EXPECT_TRUE(view_.cleared);
  EXPECT_TRUE(run_.Rows().empty());
  const TDownloadPanel reset;
  for (const std::string* value : {&view_.panel.CurrentFile, &view_.panel.Status, &view_.panel.Speed,
                                   &view_.panel.Elapsed, &view_.panel.Left, &view_.panel.Quality})
    EXPECT_EQ(*value, "...");
  EXPECT_EQ(view_.panel.BarPosition, 0);
  EXPECT_EQ(view_.panel.PercentText, "0%");
}

TEST_F(DownloadRunTest, SecondPageUnreachableFailsItsRowAndTheRunGoesOn) {
  service_.AddVideo("one", Video("One", "a", {{0, Media("1")}}));
  service_.AddVideo("three", Video("Three", "c", {{0, Media("3")}}));
  // A loopback port that refuses connections, reached without the proxy.
  TRefusingPort refusing;
  ::setenv("no_proxy", "127.0.0.1", 1);
  const std::string unreachable =
      "http://127.0.0.1:" + std::to_string(refusing.Port()) + "/youtube.com/watch?v=two";
  links_.AddLink(TFakeVideoService::PageLink("one"));
  links_.AddLink(unreachable);
  links_.AddLink(TFakeVideoService::PageLink("three"));
  run_.Start(links_, settings_);
  ServeUntilFinished();
  EXPECT_EQ(view_.summary.TotalFiles, 3);
  EXPECT_EQ(view_.summary.SucceededCount, 2);
  EXPECT_EQ(view_.summary.FailedCount, 1);
  EXPECT_EQ(view_.statuses[1].back(), "Failed.");
  // Failed at once, before the third started.
  const auto failed = std::find(view_.events.begin(), view_.events.end(), "1 Failed.");
  const auto third =
      std::find(view_.events.begin(), view_.events.end(), "2 Getting real YouTube URLs, please wait...");
  EXPECT_LT(failed, third);
  EXPECT_NE(third, view_.events.end());
  EXPECT_EQ(FolderNames(), (std::vector<std::string>{"One.flv", "Three.flv"}));
  EXPECT_EQ(CountWith(view_.log, "Download error: page " + unreachable), 1);
}

TEST_F(DownloadRunTest, APageWhoseCertificateCannotBeVerifiedFails) {
  const std::string keys = mediaconv::test::TempFolder("dl-tls");
  ASSERT_TRUE(mediaconv::test::THttpTestServer::MakeCertificate(keys + "/cert.pem", keys + "/key.pem",
                                                                "127.0.0.1", "IP:127.0.0.1"));
  mediaconv::test::THttpTestServer tls(keys + "/cert.pem", keys + "/key.pem");
  tls.HandleOthers([](const mediaconv::test::THttpRequest&) {
    return mediaconv::test::THttpTestServer::Text(200, TFakeVideoService::PageText("v", Video("V", "t")));
  });
  ::setenv("no_proxy", "127.0.0.1", 1);
  links_.AddLink(tls.Url("/watch?v=v&from=youtube.com"));
  run_.Start(links_, settings_);
  ServeUntilFinished();
  EXPECT_EQ(view_.summary.FailedCount, 1);
  EXPECT_EQ(tls.RequestCount(), 0u);
  EXPECT_TRUE(service_.TargetsWith("/get_video?").empty());
}

TEST_F(DownloadRunTest, APageAnsweringNotFoundFailsWithoutFallback) {
  settings_.PreferYouTubeQuality = true;
  service_.AddVideo("gone", Video("Gone", "a", {}, 404));
  RunLinks({"gone"});
  EXPECT_EQ(view_.summary.FailedCount, 1);
  EXPECT_TRUE(service_.TargetsWith("/get_video?").empty());
  EXPECT_EQ(CountWith(view_.log, "HTTP 404"), 1);
}

TEST_F(DownloadRunTest, EveryCodeFailingShowsSevenFallbacksAndFailsAfterTheEighth) {
  settings_.PreferYouTubeQuality = true;
  service_.AddVideo("none", Video("None", "t"));
  RunLinks({"none"});
  const std::vector<std::string> media = service_.TargetsWith("/get_video?");
  ASSERT_EQ(media.size(), 8u);
  const char* codes[] = {"18", "35", "22", "6", "13", "17", "34", "37"};
  for (size_t i = 0; i < media.size(); ++i)
    EXPECT_EQ(media[i], "http://youtube.com/get_video?video_id=none&&t=t&&fmt=" + std::string(codes[i]));
  EXPECT_EQ(CountWith(view_.qualities, " failed, try next: "), 7);
  EXPECT_EQ(std::count(view_.qualities.begin(), view_.qualities.end(), "[HQ18] failed, try next: [HQ35]"), 1);
  EXPECT_EQ(std::count(view_.qualities.begin(), view_.qualities.end(), "[HQ34] failed, try next: [HQ37]"), 1);
  EXPECT_EQ(view_.statuses[0].back(), "Failed.");
  EXPECT_EQ(view_.summary.FailedCount, 1);
  EXPECT_EQ(CountWith(view_.log, "HTTP 404"), 8);
  EXPECT_TRUE(FolderNames().empty());
}

TEST_F(DownloadRunTest, SecondRankedCodeSucceedingStoresWithItsExtension) {
  settings_.PreferYouTubeQuality = true;
  StoreRanking(settings_, {2, 1, 3, 0, 4, 5, 6, 7});  // [HQ35] .flv, then [HQ18] .mp4
  const std::string body = Body(9000, 'm');
  service_.AddVideo("hq", Video("Clip", "t", {{0, Media("default")}, {18, Media(body)}}));
  RunLinks({"hq"});
  EXPECT_EQ(FolderNames(), std::vector<std::string>{"Clip.mp4"});
  EXPECT_EQ(ReadAll(folder_ + "/Clip.mp4"), body);
  EXPECT_EQ(CountWith(view_.qualities, "[HQ35] failed, try next: [HQ18]"), 1);
  EXPECT_EQ(CountWith(view_.qualities, "[HQ18] - Format: MP4; Video: 480x360; Audio: Sterro"), 1);
  EXPECT_EQ(view_.summary.SucceededCount, 1);
}

TEST_F(DownloadRunTest, SameTitleTwiceIsStoredUnderTheTitleAndNumbered) {
  service_.AddVideo("x1", Video("a/b: c?", "t", {{0, Media("first")}}));
  service_.AddVideo("x2", Video("a/b: c?", "t", {{0, Media("second")}}));
  RunLinks({"x1", "x2"});
  EXPECT_EQ(FolderNames(), (std::vector<std::string>{"a_b_ c_(1).flv", "a_b_ c_.flv"}));
  EXPECT_EQ(ReadAll(folder_ + "/a_b_ c_.flv"), "first");
  EXPECT_EQ(ReadAll(folder_ + "/a_b_ c_(1).flv"), "second");
}

TEST_F(DownloadRunTest, APageWithoutTitleStoresAsVideo) {
  service_.AddVideo("dot", Video("..", "t", {{0, Media("x")}}));
  RunLinks({"dot"});
  EXPECT_EQ(FolderNames(), std::vector<std::string>{"video.flv"});
}

TEST_F(DownloadRunTest, APageWithoutIdAndTokenStillTriesItsAddressAndFails) {
  TVideo video = Video("Lost", "t", {{0, Media("x")}});
  video.Page = "<html><meta name=\"title\" content=\"Lost\"></html>";
  service_.AddVideo("lost", video);
  RunLinks({"lost"});
  // The empty query is sent without its "?".
  EXPECT_EQ(service_.TargetsWith("/get_video"), std::vector<std::string>{"http://youtube.com/get_video"});
  EXPECT_EQ(view_.rows.at(0).URL, "http://youtube.com/get_video?");
  EXPECT_EQ(view_.summary.FailedCount, 1);
  EXPECT_TRUE(FolderNames().empty());
}

TEST_F(DownloadRunTest, ABodyCutShortStoresNothing) {
  service_.AddVideo("cut", Video("Cut", "t", {{0, Media(Body(200000, 'c'), 50000)}}));
  RunLinks({"cut"});
  EXPECT_EQ(view_.summary.FailedCount, 1);
  EXPECT_TRUE(FolderNames().empty());
  EXPECT_EQ(CountWith(view_.log, "connection lost after 50000 of 200000 bytes"), 1);
}

TEST_F(DownloadRunTest, ABodyCutShortFallsBackToTheNextCode) {
  settings_.PreferYouTubeQuality = true;
  const std::string body = Body(30000, 'n');
  service_.AddVideo("cut", Video("Cut", "t", {{18, Media(Body(200000, 'c'), 70000)}, {35, Media(body)}}));
  RunLinks({"cut"});
  EXPECT_EQ(FolderNames(), std::vector<std::string>{"Cut.flv"});
  EXPECT_EQ(ReadAll(folder_ + "/Cut.flv"), body);
}

TEST_F(DownloadRunTest, AServerThatFallsSilentMidBodyFailsItsLinkAndTheRunGoesOn) {
  // Stored before the silent one: kept.
  service_.AddVideo("first", Video("First", "t", {{0, Media(Body(20000, 'f'))}}));
  TMediaAnswer silent = Media(Body(200000, 's'));
  silent.StallAfter = 60000;
  service_.AddVideo("silent", Video("Silent", "t", {{0, silent}}));
  service_.AddVideo("last", Video("Last", "t", {{0, Media(Body(1000, 'l'))}}));
  run_.SetStallTimeout(400);
  RunLinks({"first", "silent", "last"});
  EXPECT_EQ(view_.summary.SucceededCount, 2);
  EXPECT_EQ(view_.summary.FailedCount, 1);
  EXPECT_EQ(FolderNames(), (std::vector<std::string>{"First.flv", "Last.flv"}));
  EXPECT_EQ(ReadAll(folder_ + "/First.flv"), Body(20000, 'f'));
  EXPECT_EQ(CountWith(view_.log, "timed out"), 1) << ::testing::PrintToString(view_.log);
}

TEST_F(DownloadRunTest, TransfersGiveUpOnASilentServerByDefault) {
  EXPECT_EQ(run_.Downloader().Timeouts.ReceiveTimeout, TDownloadRun::kDefaultStallTimeoutMs);
  EXPECT_EQ(run_.PageFetcher().Timeouts.ReceiveTimeout, TDownloadRun::kDefaultStallTimeoutMs);
  EXPECT_GT(TDownloadRun::kDefaultStallTimeoutMs, 0u);
}

TEST_F(DownloadRunTest, CancelMidBodyLeavesNoFileAndCountsTheRestAsFailed) {
  service_.AddVideo("slow", Video("Slow", "t", {{0, Media(Body(1 << 20, 's'), -1, 4)}}));
  service_.AddVideo("next", Video("Next", "t", {{0, Media("n")}}));
  std::vector<std::string> namesMidBody;
  view_.onPanel = [&](const TDownloadPanel& panel) {
    if (panel.Status == kStatusDownloading && panel.BarPosition >= 10 && !run_.Cancelled()) {
      namesMidBody = FolderNames();
      run_.Cancel();
    }
  };
  RunLinks({"slow", "next"});
  // While it downloads only the hidden partial file is there.
  ASSERT_EQ(namesMidBody.size(), 1u);
  EXPECT_EQ(namesMidBody[0].rfind(kPartialPrefix, 0), 0u);
  EXPECT_TRUE(FolderNames().empty());
  EXPECT_TRUE(view_.summary.Cancelled);
  EXPECT_EQ(view_.summary.TotalFiles, 2);
  EXPECT_EQ(view_.summary.SucceededCount, 0);
  EXPECT_EQ(view_.summary.FailedCount, 2);
  EXPECT_TRUE(service_.TargetsWith("watch?v=next").empty());
}

TEST_F(DownloadRunTest, CancelBetweenTwoStepsEndsTheRunAtTheNextStep) {
  service_.AddVideo("v", Video("V", "t", {{0, Media("x")}}));
  Start({"v"});
  run_.Cancel();  // the first step is posted, no transfer runs yet
  ServeUntilFinished();
  EXPECT_TRUE(service_.Requests().empty());
  EXPECT_TRUE(view_.summary.Cancelled);
  EXPECT_EQ(view_.summary.FailedCount, 1);
}

TEST_F(DownloadRunTest, TransfersVerifyCertificatesAndKeepTheConnection) {
  for (const http::TWinHTTP* transfer : {&run_.PageFetcher(), &run_.Downloader()}) {
    EXPECT_FALSE(transfer->InternetOptions.Has(http::ioIgnoreCertificateInvalid));
    EXPECT_TRUE(transfer->InternetOptions.Has(http::ioKeepConnection));
    EXPECT_EQ(transfer->Agent, "[Vostrel]");
    EXPECT_EQ(transfer->AcceptTypes, "*/*");
  }
}

TEST(DownloadTextsTest, SizeAndSpeed) {
  EXPECT_EQ(SizeText(1572864), "1.50MB");
  EXPECT_EQ(SizeText(0), "0.00MB");
  // In the first second the speed is the kilobytes received.
  EXPECT_EQ(SpeedText(2048, 0), "2.00 KB/s");
  EXPECT_EQ(SpeedText(10240, 2), "5.00 KB/s");
  EXPECT_EQ(SpeedText(0, 0), "0.00 KB/s");
}

}  // namespace
}  // namespace mediaconv::download
