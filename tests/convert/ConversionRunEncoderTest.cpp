// The conversion run on the real encoder: its worker, progress hand-offs and
// terminate threads.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "RunTestSupport.h"
#include "app/FileNameHelpers.h"
#include "convert/ConversionRun.h"
#include "convert/FFEncoderRunAdapter.h"
#include "convert/RunEventBinding.h"
#include "engine/tasks/FFEncoder.h"
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
    events_ = std::make_unique<TRunEventBinding>(encoder_, run_, 0,
                                                 [this](const engine::TProgressInfo&) { ++progressEvents_; });
    out_ = app::WithTrailingSeparator(TempFolder("run-encoder"));
  }
  void TearDown() override { events_.reset(); }

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
  std::unique_ptr<TRunEventBinding> events_;
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
  for (const auto& entry : std::filesystem::directory_iterator(out_))
    written.push_back(entry.path().string());
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

// A view that acts on the file system the moment a row has finished.
class TActingView : public TRecordingView {
 public:
  void ProgressRowChanged(int index, const TProgressRow& row) override {
    TRecordingView::ProgressRowChanged(index, row);
    if (row.Status == kStatusFinished && WhenFinished[index]) WhenFinished[index]();
  }
  std::map<int, std::function<void()>> WhenFinished;
};

TEST(ConversionRunFaultTest, AnInputDeletedAndTheOutputFolderMovedAwayFailOnlyTheirFilesWithAReason) {
  app::TQueueMainThread mainThread;
  engine::TFFEncoder encoder;
  ASSERT_TRUE(encoder.LoadLibraries("")) << encoder.LastErrMsg();
  encoder.SetMainThread(&mainThread);
  TFFEncoderRunAdapter adapter(encoder);
  TActingView view;
  TConversionRun run(adapter, view, mainThread);
  TRunEventBinding events(encoder, run);
  const std::string in = TempFolder("fault-in");
  const std::string outParent = TempFolder("fault-out");
  const std::string out = outParent + "/out/";
  std::filesystem::create_directories(out);
  std::vector<TFileListRow> rows;
  for (const char* name : {"a", "b", "c", "d"}) {
    std::filesystem::copy_file(TwoSecondTone(), in + "/" + name + ".wav");
    rows.push_back(RowFor(in + "/" + name + ".wav"));
  }
  // Once b is stored the folder goes away (with what it holds) and is not there for d.
  view.WhenFinished[1] = [&] { std::filesystem::rename(outParent + "/out", outParent + "/moved"); };
  app::AppSettings settings;
  TRunOptions options;
  options.Choice = {profiles::kClassAudio, 1, 2, out};
  options.Settings = &settings;
  run.Start(rows, options);
  std::filesystem::remove(in + "/c.wav");  // after it was checked
  const auto deadline = std::chrono::steady_clock::now() + 120s;
  while (!run.Completed() && std::chrono::steady_clock::now() < deadline) mainThread.WaitAndServe(10ms);
  ASSERT_TRUE(run.Completed());

  ASSERT_EQ(view.Rows.size(), 4u);
  EXPECT_EQ(view.Rows[0].Status, "Finish.");
  EXPECT_EQ(view.Rows[1].Status, "Finish.");
  EXPECT_EQ(view.Rows[2].Status, "Failed.");
  EXPECT_NE(view.Rows[2].Error.find("No such file"), std::string::npos) << view.Rows[2].Error;
  EXPECT_EQ(view.Rows[3].Status, "Failed.");
  EXPECT_NE(view.Rows[3].Error.find("d.mp3: No such file or directory"), std::string::npos)
      << view.Rows[3].Error;
  EXPECT_EQ(view.Summary.SucceededCount, 2);
  EXPECT_EQ(view.Summary.Errors.size(), 2u);
  // What was stored before is whole, and nothing else was left anywhere.
  std::vector<std::string> kept;
  for (const auto& entry : std::filesystem::directory_iterator(outParent + "/moved"))
    kept.push_back(entry.path().filename().string());
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(kept, (std::vector<std::string>{"a.mp3", "b.mp3"}));
  EXPECT_NEAR(std::stod(ProbeFormat(outParent + "/moved/a.mp3")["duration"]), 2.0, 0.1);
  EXPECT_FALSE(std::filesystem::exists(outParent + "/out"));
}

// Four encoders: four tasks on their workers at once, each lane taking the
// next file as its task ends.
TEST(ConversionRunLanesTest, FourTasksRunAtOnceAndEveryFileConverts) {
  const std::string tone =
      MediaFixture("run_lanes.wav", "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=20 -ac 2");
  app::TQueueMainThread mainThread;
  std::vector<std::unique_ptr<engine::TFFEncoder>> encoders;
  std::vector<std::unique_ptr<TFFEncoderRunAdapter>> adapters;
  std::vector<TRunEncoder*> lanes;
  for (int i = 0; i < 4; ++i) {
    encoders.push_back(std::make_unique<engine::TFFEncoder>());
    ASSERT_TRUE(encoders.back()->LoadLibraries("")) << encoders.back()->LastErrMsg();
    encoders.back()->SetMainThread(&mainThread);
    encoders.back()->SetProgressInterval(100);
    adapters.push_back(std::make_unique<TFFEncoderRunAdapter>(*encoders.back()));
    lanes.push_back(adapters.back().get());
  }
  TRecordingView view;
  TConversionRun run(lanes, view, mainThread);
  // How many rows were converting at once, seen at each progress report.
  size_t mostAtOnce = 0;
  std::vector<std::unique_ptr<TRunEventBinding>> events;
  for (int lane = 0; lane < 4; ++lane) {
    events.push_back(
        std::make_unique<TRunEventBinding>(*encoders[lane], run, lane, [&](const engine::TProgressInfo&) {
          size_t converting = 0;
          for (const TProgressRow& row : view.Rows) converting += row.Status == kStatusConverting;
          mostAtOnce = std::max(mostAtOnce, converting);
        }));
  }
  const std::string out = app::WithTrailingSeparator(TempFolder("run-lanes"));
  app::AppSettings settings;
  TRunOptions options;
  options.Choice = {profiles::kClassAudio, 1, 2, out};  // MP3
  options.Settings = &settings;
  run.Start(std::vector<TFileListRow>(6, RowFor(tone)), options);
  const auto deadline = std::chrono::steady_clock::now() + 240s;
  while (!run.Completed() && std::chrono::steady_clock::now() < deadline) mainThread.WaitAndServe(10ms);
  ASSERT_TRUE(run.Completed());
  events.clear();

  EXPECT_EQ(view.Summary.SucceededCount, 6);
  EXPECT_GE(mostAtOnce, 2u);
  std::set<std::string> outputs;
  for (const TProgressRow& row : view.Rows) {
    EXPECT_EQ(row.Status, "Finish.");
    outputs.insert(row.WrittenFile);
    EXPECT_NEAR(std::stod(ProbeFormat(row.WrittenFile)["duration"]), 20.0, 0.1) << row.WrittenFile;
  }
  EXPECT_EQ(outputs.size(), 6u);
  EXPECT_EQ(view.Threads, std::set<std::thread::id>{std::this_thread::get_id()});
}

}  // namespace
}  // namespace mediaconv::convert::test
