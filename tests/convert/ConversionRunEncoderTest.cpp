// The conversion run on the real encoder: its worker, progress hand-offs and
// terminate threads.
#include <gtest/gtest.h>

#include <filesystem>

#include "RunTestSupport.h"
#include "app/FileNameHelpers.h"
#include "convert/ConversionRun.h"
#include "convert/FFEncoderRunAdapter.h"
#include "engine/encoder/FFEncoder.h"
#include "profiles/FormatCatalogue.h"

namespace mediaconv::convert::test {
namespace {

using namespace std::chrono_literals;

// Long enough at 1080p H.264 that a stop lands in the middle of it.
std::string LongClip() {
  return MediaFixture(
      "run_long.mkv",
      "-f lavfi -i testsrc2=size=640x480:rate=25:duration=20 "
      "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=20 -ac 2 -c:v mpeg4 -q:v 5 -c:a mp2");
}

class ConversionRunEncoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(encoder_.LoadLibraries("")) << encoder_.LastErrMsg();
    encoder_.SetMainThread(&mainThread_);
    encoder_.OnProgress = [this](engine::TCustomEncoder&, engine::TProgressInfo* info) {
      ++progressEvents_;
      run_.OnProgress(*info);
    };
    encoder_.OnTerminate = [handler = run_.TerminateHandler()](engine::TCustomEncoder&,
                                                               const engine::TTerminateInfo& info) {
      handler(info);
    };
    out_ = app::WithTrailingSeparator(TempFolder("run-encoder"));
  }
  void TearDown() override {
    encoder_.OnProgress = nullptr;
    encoder_.OnTerminate = nullptr;
  }

  void Start(const std::vector<std::string>& files, int classId, int formatId, int preset) {
    std::vector<TFileListRow> rows;
    for (const std::string& file : files) rows.push_back(RowFor(file));
    options_.Choice = {classId, formatId, preset, out_};
    options_.Settings = &settings_;
    run_.Start(rows, options_);
  }
  void ServeUntilCompleted() {
    const auto deadline = std::chrono::steady_clock::now() + 240s;
    // The list is cleared once the encoder has marked it done.
    while ((!run_.Completed() || encoder_.TasksCount() > 0) && std::chrono::steady_clock::now() < deadline)
      mainThread_.WaitAndServe(20ms);
    ASSERT_TRUE(run_.Completed());
  }
  void ServeUntilProgress() {
    const auto deadline = std::chrono::steady_clock::now() + 120s;
    while (progressEvents_.load() == 0 && std::chrono::steady_clock::now() < deadline)
      mainThread_.WaitAndServe(20ms);
    ASSERT_GT(progressEvents_.load(), 0);
  }

  app::TQueueMainThread mainThread_;
  engine::TFFEncoder encoder_;
  TFFEncoderRunAdapter adapter_{encoder_};
  TRecordingView view_;
  TConversionRun run_{adapter_, view_, mainThread_};
  app::AppSettings settings_;
  TRunOptions options_;
  std::string out_;
  std::atomic<int> progressEvents_{0};
};

TEST_F(ConversionRunEncoderTest, ThreeFilesConvertOneAfterAnother) {
  const std::string two = TwoSecondTone(), three = ThreeSecondTone();
  Start({two, three, two}, profiles::kClassAudio, 1, 1);  // MP3, 48000 Hz
  ServeUntilCompleted();

  ASSERT_EQ(view_.Rows.size(), 3u);
  for (const TProgressRow& row : view_.Rows) {
    EXPECT_EQ(row.Status, "Finish.");
    EXPECT_EQ(row.Progress, "100%");
    EXPECT_EQ(ProbeStream(row.OutputFile, "a:0")["sample_rate"], "48000") << row.OutputFile;
  }
  EXPECT_EQ(view_.Rows[2].OutputFile, out_ + "run_two(1).mp3");
  EXPECT_EQ(view_.Summary.TotalFiles, 3);
  EXPECT_EQ(view_.Summary.SucceededCount, 3);
  EXPECT_EQ(run_.DoneDuration(), 7'000'000);
  EXPECT_GT(progressEvents_.load(), 0);
  EXPECT_EQ(view_.Threads, std::set<std::thread::id>{std::this_thread::get_id()});
  EXPECT_EQ(encoder_.TasksCount(), 0);  // cleared for the next run
}

TEST_F(ConversionRunEncoderTest, CancelDuringTheFirstOfThreeEndsAllAsFailedAndKeepsAReadableFirstOutput) {
  const std::string clip = LongClip();
  ASSERT_FALSE(clip.empty());
  Start({clip, clip, clip}, profiles::kClassVideo, 0, 1);  // AVI, 1080p H.264
  const auto deadline = std::chrono::steady_clock::now() + 120s;
  while (progressEvents_.load() == 0 && std::chrono::steady_clock::now() < deadline)
    mainThread_.WaitAndServe(20ms);
  ASSERT_GT(progressEvents_.load(), 0);
  run_.Cancel();
  ServeUntilCompleted();

  ASSERT_EQ(view_.Rows.size(), 3u);
  for (const TProgressRow& row : view_.Rows) EXPECT_EQ(row.Status, "Failed.");
  EXPECT_TRUE(view_.Summary.Cancelled);
  EXPECT_EQ(view_.Summary.TotalFiles, 3);
  EXPECT_EQ(view_.Summary.SucceededCount, 0);
  EXPECT_EQ(view_.Summary.FailedCount, 3);
  // The stopped output was closed with its trailer: it reads, and is short.
  const auto format = ProbeFormat(view_.Rows[0].OutputFile);
  ASSERT_TRUE(format.count("duration")) << view_.Rows[0].OutputFile;
  EXPECT_LT(std::stod(format.at("duration")), 20.0);
  EXPECT_EQ(encoder_.TasksCount(), 0);
  // Nothing started after the stop: the stopped file is the only one written.
  std::vector<std::string> written;
  for (const auto& entry : std::filesystem::directory_iterator(out_)) written.push_back(entry.path().string());
  EXPECT_EQ(written, std::vector<std::string>{view_.Rows[0].OutputFile});
  EXPECT_EQ(view_.Rows[0].WrittenFile, view_.Rows[0].OutputFile);
  EXPECT_TRUE(view_.Rows[1].WrittenFile.empty());
}

TEST_F(ConversionRunEncoderTest, CloseDuringTheFirstOfThreeStopsWithoutSummaryAndClearsTheList) {
  const std::string clip = LongClip();
  ASSERT_FALSE(clip.empty());
  settings_.PlayASoundWhenFinished = true;
  Start({clip, clip, clip}, profiles::kClassVideo, 0, 1);
  ServeUntilProgress();
  run_.Close();
  EXPECT_EQ(encoder_.TasksCount(), 0);
  // Time for any hand-off still on its way.
  const auto until = std::chrono::steady_clock::now() + 300ms;
  while (std::chrono::steady_clock::now() < until) mainThread_.WaitAndServe(10ms);
  EXPECT_FALSE(run_.Completed());
  EXPECT_TRUE(view_.Events.empty());
  // The first output was closed with its trailer.
  const auto format = ProbeFormat(view_.Rows[0].OutputFile);
  EXPECT_TRUE(format.count("duration")) << view_.Rows[0].OutputFile;
}

}  // namespace
}  // namespace mediaconv::convert::test
