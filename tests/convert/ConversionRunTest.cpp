#include "convert/ConversionRun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "RunTestSupport.h"
#include "app/FileNameHelpers.h"
#include "convert/Completion.h"
#include "profiles/FormatCatalogue.h"

namespace mediaconv::convert::test {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::StartsWith;

class ConversionRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    out_ = app::WithTrailingSeparator(TempFolder("run-out"));
    two_ = TwoSecondTone();
    three_ = ThreeSecondTone();
    ASSERT_FALSE(two_.empty());
    ASSERT_FALSE(three_.empty());
    encoder_.Run = &run_;
    encoder_.MainThread = &mainThread_;
  }

  // MP3 preset 1, per file unless join is set.
  void Start(const std::vector<TFileListRow>& rows, bool join = false, int classId = profiles::kClassAudio,
             int formatId = 1, int preset = 1) {
    options_.Choice = {classId, formatId, preset, out_};
    options_.Join = join;
    options_.Settings = &settings_;
    options_.SoundFolder = "/exe/";
    run_.Start(rows, options_);
  }

  std::string out_, two_, three_;
  app::AppSettings settings_;
  TRunOptions options_;
  TManualClock clock_;
  app::TQueueMainThread mainThread_;
  TScriptedEncoder encoder_;
  TRecordingView view_;
  TConversionRun run_{encoder_, view_, mainThread_, clock_.Function()};
};

TEST_F(ConversionRunTest, UnreadableSecondOfThreeIsSkippedAndTheThirdTakesItsPlace) {
  const std::string missing = out_ + "gone.wav";
  Start({RowFor(two_), RowFor(missing), RowFor(three_)});

  // Only the first file is set up; the third waits for its turn.
  ASSERT_EQ(encoder_.TasksCount(), 1);
  ASSERT_EQ(encoder_.Started.size(), 1u);
  EXPECT_EQ(encoder_.Started[0].Inputs, std::vector<std::string>{two_});
  EXPECT_EQ(encoder_.Started[0].Output, out_ + "run_two.mp3");
  EXPECT_EQ(encoder_.StartThreads, 1);
  EXPECT_EQ(run_.TotalFiles(), 2);
  EXPECT_EQ(run_.SkippedFiles(), 1);
  EXPECT_EQ(run_.QueuedDuration(), 5'000'000);

  ASSERT_EQ(view_.Log.size(), 3u);
  EXPECT_EQ(view_.Log[0], "File has been added to convert list.");
  EXPECT_EQ(view_.Log[1].rfind("File load error: ", 0), 0u) << view_.Log[1];
  EXPECT_NE(view_.Log[1].find("gone.wav"), std::string::npos);
  EXPECT_EQ(view_.Log[2], "File has been added to convert list.");

  ASSERT_EQ(view_.Rows.size(), 2u);
  const std::string folder = std::filesystem::path(two_).parent_path().string() + "/";
  EXPECT_EQ(view_.Rows[1].Caption, "run_three.wav");
  EXPECT_EQ(view_.Rows[1].Duration, "00:00:03.000");
  EXPECT_EQ(view_.Rows[1].Status, "Waiting...");
  EXPECT_EQ(view_.Rows[1].Progress, "");
  EXPECT_EQ(view_.Rows[1].Path, folder);
  EXPECT_EQ(view_.Rows[1].OutputFile, out_ + "run_three.mp3");
  EXPECT_EQ(view_.Layout.StatusTitle, "Status");
  EXPECT_EQ(view_.Layout.CurrentFileLabel, "Current file:");

  encoder_.Finish(false);
  EXPECT_EQ(view_.Rows[0].Status, "Failed.");
  ASSERT_EQ(encoder_.Started.size(), 2u);
  EXPECT_EQ(encoder_.Started[1].Inputs, std::vector<std::string>{three_});
  EXPECT_EQ(encoder_.Started[1].Output, out_ + "run_three.mp3");
  EXPECT_EQ(encoder_.Started[1].Options.AudioCodec, "libmp3lame");
  EXPECT_TRUE(encoder_.Started[1].Options.DisableVideo);
  // The second row belongs to the third file: its success adds three seconds.
  encoder_.Finish(true);
  EXPECT_EQ(run_.DoneDuration(), 3'000'000);
  EXPECT_EQ(view_.Rows[1].Status, "Finish.");
  EXPECT_EQ(view_.Rows[1].Progress, "100%");

  EXPECT_TRUE(run_.Completed());
  EXPECT_EQ(encoder_.TasksCount(), 0);
  EXPECT_EQ(view_.Summary.TotalFiles, 2);
  EXPECT_EQ(view_.Summary.SucceededCount, 1);
  EXPECT_EQ(view_.Summary.FailedCount, 1);
  EXPECT_EQ(view_.Summary.SkippedFiles, 1);
  EXPECT_TRUE(view_.Summary.ErrorLines.empty());
  EXPECT_EQ(view_.CurrentFile, "...");
  EXPECT_EQ(view_.LastDisplay().PercentText, "0%");
}

TEST_F(ConversionRunTest, EachFileIsOpenedAsATaskOnlyWhileItsTurnComes) {
  Start({RowFor(two_), RowFor(three_), RowFor(two_)});
  // Each checked once and freed; the first set up again to run.
  EXPECT_EQ(encoder_.AddTaskCalls, 4);
  EXPECT_EQ(encoder_.TasksCount(), 1);
  encoder_.Finish(true);
  EXPECT_EQ(encoder_.AddTaskCalls, 5);
  EXPECT_EQ(encoder_.TasksCount(), 1);
  encoder_.Finish(true);
  encoder_.Finish(true);
  EXPECT_EQ(encoder_.AddTaskCalls, 6);
  ASSERT_EQ(encoder_.Started.size(), 3u);
  EXPECT_EQ(encoder_.Started[2].Output, out_ + "run_two(1).mp3");
  EXPECT_EQ(view_.Summary.SucceededCount, 3);
  EXPECT_EQ(run_.EndedCount(), 3);
}

TEST_F(ConversionRunTest, AFileThatCannotBeSetUpWhenItsTurnComesFailsWithItsReason) {
  Start({RowFor(two_), RowFor(three_), RowFor(two_)});
  // Gone, or its folder made read-only, while the first converted.
  encoder_.RefusedInputs = {three_};
  encoder_.Finish(true);
  EXPECT_EQ(view_.Rows[1].Status, "Failed.");
  ASSERT_EQ(encoder_.Started.size(), 2u);
  EXPECT_EQ(encoder_.Started[1].Inputs, std::vector<std::string>{two_});
  EXPECT_EQ(view_.Log.back(), "Adding file error: cannot open " + three_);
  encoder_.Finish(true);
  EXPECT_TRUE(run_.Completed());
  EXPECT_EQ(view_.Summary.TotalFiles, 3);
  EXPECT_EQ(view_.Summary.SucceededCount, 2);
  EXPECT_EQ(view_.Summary.FailedCount, 1);
  EXPECT_EQ(view_.Summary.ErrorLines,
            std::vector<std::string>{"File (1): Adding file error: cannot open " + three_});
}

TEST_F(ConversionRunTest, AStopWhileTheNextFileIsOpenedStartsItNot) {
  bool stop = false;
  options_.StopRequested = [&stop] { return stop; };
  Start({RowFor(two_), RowFor(three_), RowFor(two_)});
  // The second file's input is slow to open; the stop comes meanwhile.
  encoder_.OnAddTask = [&stop](const std::string&) { stop = true; };
  encoder_.Finish(true);
  EXPECT_EQ(encoder_.Started.size(), 1u);
  EXPECT_EQ(encoder_.TasksCount(), 0);
  EXPECT_TRUE(run_.Completed());
  EXPECT_TRUE(view_.Summary.Cancelled);
  EXPECT_EQ(view_.Rows[0].Status, "Finish.");
  EXPECT_EQ(view_.Rows[1].Status, "Failed.");
  EXPECT_EQ(view_.Rows[2].Status, "Failed.");
  EXPECT_EQ(view_.Summary.SucceededCount, 1);
  EXPECT_EQ(view_.Summary.FailedCount, 2);
  EXPECT_EQ(encoder_.AddTaskCalls, 5);  // three checks, the first, the second
}

TEST_F(ConversionRunTest, RefusedInputAndRefusedOutputAreLoggedAndNotTasks) {
  encoder_.RefusedInputs = {two_};
  encoder_.RefusedOutputs = {three_};
  Start({RowFor(two_), RowFor(three_)});
  EXPECT_EQ(encoder_.TasksCount(), 0);
  EXPECT_THAT(view_.Log, ElementsAre("Adding file error: cannot open " + two_,
                                     "Cannot do convert, error: no output for " + out_ + "run_three.mp3"));
  // Nothing to run: the encoder would send no event, so the run ends here.
  EXPECT_EQ(encoder_.StartThreads, -1);
  EXPECT_TRUE(run_.Completed());
  EXPECT_EQ(view_.Summary.TotalFiles, 0);
  EXPECT_EQ(view_.Summary.SkippedFiles, 2);
  // Only the second failed on the output's side.
  EXPECT_EQ(view_.Summary.UnwritableFiles, 1);
}

TEST_F(ConversionRunTest, SameNameFromTwoFoldersGetsTwoOutputs) {
  const std::string other = TempFolder("run-in") + "/run_two.wav";
  std::filesystem::copy_file(two_, other);
  Start({RowFor(two_), RowFor(other)});
  ASSERT_EQ(view_.Rows.size(), 2u);
  EXPECT_EQ(view_.Rows[0].OutputFile, out_ + "run_two.mp3");
  EXPECT_EQ(view_.Rows[1].OutputFile, out_ + "run_two(1).mp3");
  encoder_.Finish(true);
  ASSERT_EQ(encoder_.Started.size(), 2u);
  EXPECT_EQ(encoder_.Started[1].Output, out_ + "run_two(1).mp3");
}

TEST_F(ConversionRunTest, APresetIndexOutsideTheListFallsBackToTheDefaultWithAWarning) {
  // MP3: four presets, default 2.
  for (const int32_t stored : {-5, -1, 4, 99999}) {
    TScriptedEncoder encoder;
    TRecordingView view;
    TConversionRun run{encoder, view, mainThread_, clock_.Function()};
    encoder.Run = &run;
    options_.Choice = {profiles::kClassAudio, 1, stored, out_};
    options_.Settings = &settings_;
    run.Start(std::vector<TFileListRow>{RowFor(two_)}, options_);
    ASSERT_EQ(encoder.TasksCount(), 1);
    engine::TOutputOptions expected;
    profiles::ApplyOutputProfile(expected, profiles::kClassAudio, 1, 2, nullptr);
    EXPECT_EQ(encoder.Tasks[0].Options.AudioBitrate, expected.AudioBitrate) << stored;
    EXPECT_EQ(encoder.Tasks[0].Options.AudioCodec, "libmp3lame") << stored;
    EXPECT_THAT(view.Log,
                ::testing::Contains(::testing::HasSubstr("Warning: preset " + std::to_string(stored) +
                                                         " is not one of the MP3 presets")))
        << stored;
  }
}

TEST_F(ConversionRunTest, LastWmaPresetCopiesTheInputsAudioBitRateOnlyPerFile) {
  // 44.1 kHz mono 16-bit PCM: 705600 bit/s.
  const std::string pcm =
      MediaFixture("run_pcm_mono.wav", "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1 -ac 1");
  Start({RowFor(pcm)}, false, profiles::kClassAudio, 2, 4);
  ASSERT_EQ(encoder_.TasksCount(), 1);
  EXPECT_EQ(encoder_.Tasks[0].Options.AudioBitrate, 705600);
  EXPECT_EQ(encoder_.Tasks[0].Options.AudioCodec, "wmav2");
  EXPECT_EQ(encoder_.Tasks[0].Output, out_ + "run_pcm_mono.wma");
  EXPECT_EQ(encoder_.InputOptions.at(0).FileName, pcm);
}

TEST_F(ConversionRunTest, LastWmaPresetSetsNoBitRateWhenJoined) {
  const std::string pcm =
      MediaFixture("run_pcm_mono.wav", "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1 -ac 1");
  Start({RowFor(pcm, 1'000'000)}, true, profiles::kClassAudio, 2, 4);
  ASSERT_EQ(encoder_.TasksCount(), 1);
  EXPECT_EQ(encoder_.Tasks[0].Options.AudioBitrate, -1);
  EXPECT_EQ(encoder_.Tasks[0].Output, out_ + "Output_Merge.wma");
}

TEST_F(ConversionRunTest, ProgressShowsPercentLabelAndTimes) {
  Start({RowFor(two_), RowFor(three_)});
  clock_.Now += 3s;
  encoder_.Progress(0, 1'000'000, 2'000'000);
  EXPECT_EQ(view_.CurrentFile, two_);
  EXPECT_EQ(view_.Rows[0].Progress, "50%");
  EXPECT_EQ(view_.Rows[0].Status, "Converting...");
  const TProgressDisplay& shown = view_.LastDisplay();
  EXPECT_EQ(shown.BarPosition, 50);
  EXPECT_EQ(shown.PercentText, "50%");
  // Five seconds queued, one done in three: fifteen in all, twelve to go.
  EXPECT_EQ(shown.Times.Estimated, "0:00:15");
  EXPECT_EQ(shown.Times.Elapsed, "0:00:03");
  EXPECT_EQ(shown.Times.Left, "0:00:12");
  EXPECT_EQ(shown.Times.OverallPercent, 20);

  // The first file's whole duration counts once it has succeeded.
  encoder_.Finish(true);
  clock_.Now += 3s;
  encoder_.Progress(0, 1'500'000, 3'000'000);
  EXPECT_EQ(view_.CurrentFile, three_);
  EXPECT_EQ(view_.Rows[1].Progress, "50%");
  EXPECT_EQ(view_.LastDisplay().TaskIndex, 1);
  // 5 s x 6 s / (2 s + 1.5 s) = 8.57 s.
  EXPECT_EQ(view_.LastDisplay().Times.Estimated, "0:00:08");
  EXPECT_EQ(view_.LastDisplay().Times.Left, "0:00:02");
}

TEST_F(ConversionRunTest, TaskWithoutTotalDurationShowsNotAvailableAndKeepsTheBar) {
  Start({RowFor(two_)});
  encoder_.Progress(0, 500'000, 2'000'000);
  encoder_.Progress(0, 900'000, -1);
  EXPECT_EQ(view_.Rows[0].Progress, "N/A");
  EXPECT_EQ(view_.LastDisplay().BarPosition, 25);
  EXPECT_EQ(view_.LastDisplay().PercentText, "25%");
}

TEST_F(ConversionRunTest, PositionBeyondTheTotalShowsOneHundredPercent) {
  Start({RowFor(two_)});
  encoder_.Progress(0, 2'600'000, 2'000'000);
  EXPECT_EQ(view_.Rows[0].Progress, "100%");
  EXPECT_EQ(view_.LastDisplay().BarPosition, 100);
  EXPECT_EQ(view_.LastDisplay().PercentText, "100%");
}

TEST_F(ConversionRunTest, AStopWhileTasksAreSetUpStartsNothing) {
  // The stop arrives while the second file is being opened (a slow input).
  int asked = 0;
  options_.StopRequested = [&asked] { return ++asked > 2; };
  Start({RowFor(two_), RowFor(three_), RowFor(two_)});
  EXPECT_EQ(encoder_.StartThreads, -1);
  EXPECT_TRUE(run_.Completed());
  EXPECT_TRUE(view_.Summary.Cancelled);
  ASSERT_EQ(view_.Rows.size(), 2u);
  for (const TProgressRow& row : view_.Rows) EXPECT_EQ(row.Status, "Failed.");
  EXPECT_EQ(view_.Summary.TotalFiles, 2);
  EXPECT_EQ(view_.Summary.SucceededCount, 0);
  EXPECT_EQ(encoder_.TasksCount(), 0);
}

TEST_F(ConversionRunTest, CancelDuringTheFirstOfThreeFailsAllThree) {
  Start({RowFor(two_), RowFor(three_), RowFor(two_)});
  encoder_.Progress(0, 700'000, 2'000'000);
  run_.Cancel();
  ASSERT_EQ(view_.Rows.size(), 3u);
  for (const TProgressRow& row : view_.Rows) EXPECT_EQ(row.Status, "Failed.");
  EXPECT_TRUE(run_.Completed());
  EXPECT_TRUE(view_.Summary.Cancelled);
  EXPECT_EQ(view_.Summary.TotalFiles, 3);
  EXPECT_EQ(view_.Summary.SucceededCount, 0);
  EXPECT_EQ(view_.Summary.FailedCount, 3);
  // The final event came while Stop was still walking the tasks; the list
  // is cleared only after Stop has returned.
  EXPECT_EQ(encoder_.Clears, 1);
  EXPECT_FALSE(encoder_.ClearedInsideStop);
  EXPECT_EQ(view_.Summaries, 1);
}

TEST_F(ConversionRunTest, StartingTheSameRunTwiceShowsOnlyTheSecondRunsRows) {
  const std::vector<TFileListRow> rows = {RowFor(two_), RowFor(three_)};
  Start(rows);
  encoder_.Finish(true);
  encoder_.Finish(false, "broken");
  ASSERT_TRUE(run_.Completed());

  Start(rows);
  EXPECT_EQ(view_.ListClears, 2);
  ASSERT_EQ(view_.Rows.size(), 2u);
  EXPECT_EQ(view_.Rows[1].Status, "Waiting...");
  EXPECT_FALSE(run_.Completed());
  EXPECT_EQ(run_.EndedCount(), 0);
  EXPECT_TRUE(run_.ErrorLines().empty());
  encoder_.Finish(true);
  encoder_.Finish(true);
  EXPECT_EQ(view_.Summary.SucceededCount, 2);
  EXPECT_TRUE(view_.Summary.ErrorLines.empty());
  EXPECT_EQ(view_.Summaries, 2);
}

TEST_F(ConversionRunTest, ANewRunStartedBeforeTheLastClearCameKeepsItsTasks) {
  encoder_.RefuseClearDuringFinalEvent = true;
  Start({RowFor(two_)});
  encoder_.End(0, true);
  encoder_.EndList();
  ASSERT_EQ(encoder_.Clears, 0);
  // The clear of the first run is still queued when the second starts.
  Start({RowFor(two_), RowFor(three_)});
  EXPECT_EQ(encoder_.Clears, 1);
  ASSERT_EQ(encoder_.TasksCount(), 1);
  mainThread_.ServePending();
  EXPECT_EQ(encoder_.TasksCount(), 1);
  EXPECT_EQ(encoder_.Clears, 1);
}

TEST_F(ConversionRunTest, CloseStopsWithoutCompletionActionsAndClearsAfterStop) {
  settings_.PlayASoundWhenFinished = true;
  settings_.ShutDownWhenFinished = true;
  view_.CountdownRunsOut = true;
  Start({RowFor(two_), RowFor(three_), RowFor(two_)});
  encoder_.Progress(0, 700'000, 2'000'000);
  const std::vector<TProgressRow> rowsBefore = view_.Rows;
  const size_t displaysBefore = view_.Displays.size();

  run_.Close();
  mainThread_.ServePending();

  EXPECT_TRUE(run_.Closed());
  EXPECT_FALSE(run_.Completed());
  EXPECT_FALSE(run_.Running());
  EXPECT_TRUE(view_.Events.empty());  // no sound, no countdown, no shutdown, no summary
  EXPECT_EQ(view_.Displays.size(), displaysBefore);
  for (size_t i = 0; i < rowsBefore.size(); ++i) EXPECT_EQ(view_.Rows[i].Status, rowsBefore[i].Status);
  EXPECT_EQ(encoder_.Clears, 1);
  EXPECT_FALSE(encoder_.ClearedInsideStop);

  // Nothing more comes of it.
  run_.Cancel();
  encoder_.Progress(1, 1, 2);
  Start({RowFor(two_)});
  EXPECT_EQ(encoder_.TasksCount(), 0);
  EXPECT_TRUE(view_.Events.empty());
  EXPECT_EQ(view_.Displays.size(), displaysBefore);
}

TEST_F(ConversionRunTest, HandOffsHeldByTerminateThreadsDoNothingOnceTheRunIsGone) {
  TScriptedEncoder encoder;
  auto run = std::make_unique<TConversionRun>(encoder, view_, mainThread_, clock_.Function());
  encoder.Run = run.get();
  encoder.MainThread = &mainThread_;
  options_.Choice = {profiles::kClassAudio, 1, 1, out_};
  options_.Settings = &settings_;
  settings_.PlayASoundWhenFinished = true;
  run->Start(std::vector<TFileListRow>{RowFor(two_), RowFor(three_)}, options_);
  ASSERT_EQ(encoder.TasksCount(), 1);

  // Terminate threads that took the handler before the window closed: one
  // is already waiting for the main thread, the other comes after.
  const TConversionRun::TTerminateHandler handler = run->TerminateHandler();
  engine::TTerminateInfo taskEnd;
  taskEnd.TaskIndex = 0;
  taskEnd.Finished = true;
  std::thread waiting([&] { handler(taskEnd); });
  std::this_thread::sleep_for(20ms);
  run->Close();
  run.reset();

  std::thread late([&] {
    engine::TTerminateInfo listEnd;
    listEnd.TaskIndex = -1;
    handler(listEnd);
  });
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  bool joined = false;
  std::atomic<int> done{0};
  std::thread watcher([&] {
    waiting.join();
    late.join();
    done = 1;
  });
  while (!done && std::chrono::steady_clock::now() < deadline) mainThread_.WaitAndServe(5ms);
  joined = done.load() == 1;
  watcher.join();
  ASSERT_TRUE(joined);
  EXPECT_TRUE(view_.Events.empty());
  for (const TProgressRow& row : view_.Rows) EXPECT_NE(row.Status, "Finish.");
}

TEST_F(ConversionRunTest, ListRefusedToClearDuringTheFinalEventIsClearedOnceTheListIsDone) {
  encoder_.RefuseClearDuringFinalEvent = true;
  Start({RowFor(two_)});
  encoder_.End(0, true);
  encoder_.EndList();
  EXPECT_TRUE(run_.Completed());
  EXPECT_EQ(view_.Summary.SucceededCount, 1);
  EXPECT_EQ(encoder_.Clears, 0);
  mainThread_.ServePending();
  EXPECT_EQ(encoder_.Clears, 1);
  EXPECT_EQ(encoder_.TasksCount(), 0);
  EXPECT_EQ(view_.Log, std::vector<std::string>{"File has been added to convert list."});
}

TEST_F(ConversionRunTest, TaskErrorsBecomeNumberedErrorLines) {
  Start({RowFor(two_), RowFor(three_)});
  encoder_.Finish(true);
  encoder_.Finish(false, "Error while opening encoder");
  EXPECT_EQ(view_.Summary.ErrorLines, std::vector<std::string>{"File (1): Error while opening encoder"});
  ASSERT_EQ(view_.Summary.Errors.size(), 1u);
  EXPECT_EQ(view_.Summary.Errors[0].TaskIndex, 1);
  EXPECT_EQ(view_.Summary.Errors[0].Message, "Error while opening encoder");
  EXPECT_EQ(view_.Summary.FailedCount, 1);
}

TEST_F(ConversionRunTest, JoinedRunWithAFailingFirstFile) {
  const std::string clip = SmallClip();
  const std::string missing = out_ + "missing.mkv";
  encoder_.RefusedInputs = {missing};
  // AVI joins the rows as the file list had them.
  Start({RowFor(missing, 1'000'000, 320, 240), RowFor(clip, 1'000'000, 320, 240),
         RowFor(clip, 1'000'000, 320, 240)},
        true, profiles::kClassVideo, 0);

  ASSERT_EQ(encoder_.TasksCount(), 1);
  EXPECT_EQ(encoder_.Tasks[0].Inputs, (std::vector<std::string>{clip, clip}));
  EXPECT_EQ(encoder_.Tasks[0].Output, out_ + "Output_Merge.avi");
  EXPECT_TRUE(encoder_.Tasks[0].Options.Join);
  EXPECT_EQ(run_.TotalFiles(), 1);
  EXPECT_EQ(run_.QueuedDuration(), 2'000'000);
  EXPECT_EQ(view_.Log.front(), "Adding file error: cannot open " + missing);
  EXPECT_EQ(view_.Layout.StatusTitle, "Width x Height");
  EXPECT_EQ(view_.Layout.ProgressTitle, "Aspect Ratio");
  EXPECT_EQ(view_.Layout.CurrentFileLabel, "Output file:");
  ASSERT_EQ(view_.Rows.size(), 2u);
  EXPECT_EQ(view_.Rows[1].Status, "320x240");
  EXPECT_EQ(view_.Rows[1].Path, out_ + "Output_Merge.avi");

  // Progress names the output and leaves the rows alone.
  encoder_.Progress(0, 400'000, 2'000'000);
  EXPECT_EQ(view_.CurrentFile, out_ + "Output_Merge.avi");
  EXPECT_EQ(view_.Rows[0].Status, "320x240");
  EXPECT_EQ(view_.LastDisplay().PercentText, "20%");

  encoder_.End(0, true);
  encoder_.EndList();
  EXPECT_EQ(view_.Rows[0].Status, "Finish.");
  EXPECT_EQ(view_.Rows[0].Progress, "100%");
  EXPECT_EQ(view_.Summary.TotalFiles, 1);
  EXPECT_EQ(view_.Summary.SucceededCount, 1);
  EXPECT_EQ(view_.Summary.SkippedFiles, 1);
}

TEST_F(ConversionRunTest, JoinedOutputStepsOverAnExistingMerge) {
  std::ofstream(out_ + "Output_Merge.mp4") << "taken";
  Start({RowFor(two_, 2'000'000)}, true, profiles::kClassVideo, 1);
  ASSERT_EQ(encoder_.TasksCount(), 1);
  EXPECT_EQ(encoder_.Tasks[0].Output, out_ + "Output_Merge(1).mp4");
}

TEST_F(ConversionRunTest, JoinedRunWithoutAnyInputEndsAtOnceAsOneFailure) {
  encoder_.RefusedInputs = {two_};
  Start({RowFor(two_, 2'000'000)}, true, profiles::kClassVideo, 1);
  EXPECT_EQ(encoder_.TasksCount(), 0);
  EXPECT_TRUE(run_.Completed());
  EXPECT_EQ(view_.Summary.TotalFiles, 1);
  EXPECT_EQ(view_.Summary.FailedCount, 1);
}

TEST_F(ConversionRunTest, EndsFromTerminateThreadsAreCarriedOutOnTheMainThread) {
  Start({RowFor(two_), RowFor(three_)});
  view_.Threads.clear();
  // Like the encoder: the task's end on a thread of its own, the final event
  // on another one that may come before the main thread has handled it.
  for (size_t file = 1; file <= 2; ++file) {
    std::thread end([&] { encoder_.End(0, true); });
    std::thread last([&] { encoder_.EndList(); });
    while (encoder_.Started.size() == file && !run_.Completed()) mainThread_.WaitAndServe(5ms);
    end.join();
    last.join();
  }
  EXPECT_EQ(view_.Threads, std::set<std::thread::id>{std::this_thread::get_id()});
  EXPECT_EQ(view_.Summary.SucceededCount, 2);
  EXPECT_EQ(run_.EndedCount(), 2);
}

// Two lanes: two tasks at once, each lane taking the next file as its task ends.
class TwoLaneRunTest : public ConversionRunTest {
 protected:
  void SetUp() override {
    ConversionRunTest::SetUp();
    for (int lane = 0; lane < 2; ++lane) {
      lanes_[lane].Run = &run2_;
      lanes_[lane].MainThread = &mainThread_;
      lanes_[lane].Lane = lane;
    }
  }
  void Start2(const std::vector<TFileListRow>& rows) {
    options_.Choice = {profiles::kClassAudio, 1, 1, out_};
    options_.Settings = &settings_;
    run2_.Start(rows, options_);
  }

  TScriptedEncoder lanes_[2];
  TConversionRun run2_{{&lanes_[0], &lanes_[1]}, view_, mainThread_, clock_.Function()};
};

TEST_F(TwoLaneRunTest, EachLaneTakesTheNextFileAsItsTaskEnds) {
  Start2({RowFor(two_), RowFor(three_), RowFor(two_), RowFor(three_)});
  ASSERT_EQ(lanes_[0].Started.size(), 1u);
  ASSERT_EQ(lanes_[1].Started.size(), 1u);
  EXPECT_EQ(lanes_[0].Started[0].Inputs[0], two_);
  EXPECT_EQ(lanes_[1].Started[0].Inputs[0], three_);
  // Lane 1's event is about the second row.
  clock_.Now += 2s;
  lanes_[1].Progress(0, 1'500'000, 3'000'000);
  lanes_[0].Progress(0, 1'000'000, 2'000'000);
  EXPECT_EQ(view_.Rows[1].Progress, "50%");
  EXPECT_EQ(view_.Rows[0].Progress, "50%");
  EXPECT_EQ(view_.LastDisplay().TaskIndex, 0);
  // Ten seconds queued, 2.5 s converted by both lanes in two seconds.
  EXPECT_EQ(view_.LastDisplay().Times.Estimated, "0:00:08");

  // The second lane ends first and takes the third file.
  lanes_[1].Finish(true);
  ASSERT_EQ(lanes_[1].Started.size(), 2u);
  EXPECT_EQ(lanes_[1].Started[1].Output, out_ + "run_two(1).mp3");
  EXPECT_EQ(view_.Rows[1].Status, "Finish.");
  lanes_[0].Finish(false, "broken");
  ASSERT_EQ(lanes_[0].Started.size(), 2u);
  EXPECT_EQ(lanes_[0].Started[1].Inputs[0], three_);
  lanes_[1].Progress(0, 500'000, 2'000'000);
  EXPECT_EQ(view_.Rows[2].Progress, "25%");
  lanes_[0].Finish(true);
  EXPECT_FALSE(run2_.Completed());  // lane 1 still works
  lanes_[1].Finish(true);
  EXPECT_TRUE(run2_.Completed());
  EXPECT_EQ(view_.Summaries, 1);
  EXPECT_EQ(view_.Summary.TotalFiles, 4);
  EXPECT_EQ(view_.Summary.SucceededCount, 3);
  EXPECT_EQ(view_.Summary.ErrorLines, std::vector<std::string>{"File (0): broken"});
  EXPECT_EQ(run2_.DoneDuration(), 8'000'000);
}

TEST_F(TwoLaneRunTest, TheLanesOpenFilesSideBySideAndTheRunTakesThemInListOrder) {
  const std::string junk = out_ + "junk.wav";
  std::ofstream(junk) << "not a sound";
  const std::string missing = out_ + "missing.wav";
  std::mutex lock;
  std::map<std::thread::id, int> opens;
  int mostOpen = 0;
  for (TScriptedEncoder& lane : lanes_) {
    lane.RefusedOutputs = {three_};
    lane.OnAddTask = [&, encoder = &lane](const std::string&) {
      std::lock_guard hold(lock);
      ++opens[std::this_thread::get_id()];
      mostOpen = std::max(mostOpen, encoder->TasksCount() + 1);
    };
  }
  Start2({RowFor(two_), RowFor(junk), RowFor(three_), RowFor(two_), RowFor(missing), RowFor(two_)});

  // Names, rows and lines as one lane would give them.
  ASSERT_EQ(view_.Rows.size(), 3u);
  EXPECT_EQ(view_.Rows[0].OutputFile, out_ + "run_two.mp3");
  EXPECT_EQ(view_.Rows[1].OutputFile, out_ + "run_two(1).mp3");
  EXPECT_EQ(view_.Rows[2].OutputFile, out_ + "run_two(2).mp3");
  EXPECT_EQ(view_.Rows[0].Duration, "00:00:02.000");
  ASSERT_EQ(view_.Log.size(), 6u);
  EXPECT_EQ(view_.Log[0], "File has been added to convert list.");
  EXPECT_THAT(view_.Log[1], StartsWith("File load error: "));
  EXPECT_EQ(view_.Log[2], "Cannot do convert, error: no output for " + out_ + "run_three.mp3");
  EXPECT_EQ(view_.Log[3], "File has been added to convert list.");
  EXPECT_THAT(view_.Log[4], StartsWith("File load error: "));
  EXPECT_EQ(view_.Log[5], "File has been added to convert list.");
  EXPECT_EQ(run2_.TotalFiles(), 3);

  // Each lane checked on a thread of its own, one file at a time; the main
  // thread set up only the two first tasks.
  EXPECT_EQ(opens.size(), 3u);
  EXPECT_EQ(opens[std::this_thread::get_id()], 2);
  EXPECT_EQ(mostOpen, 1);
  ASSERT_EQ(lanes_[0].Started.size(), 1u);
  ASSERT_EQ(lanes_[1].Started.size(), 1u);
  lanes_[0].Finish(true);
  lanes_[1].Finish(true);
  lanes_[0].Finish(true);
  EXPECT_TRUE(run2_.Completed());
  EXPECT_EQ(view_.Summary.SucceededCount, 3);
  EXPECT_EQ(view_.Summary.SkippedFiles, 3);
  EXPECT_EQ(view_.Summary.UnwritableFiles, 1);
}

TEST_F(TwoLaneRunTest, AStopDuringTheCheckStartsNothing) {
  std::atomic<bool> stop = false;
  options_.StopRequested = [&stop] { return stop.load(); };
  lanes_[1].OnAddTask = [&stop](const std::string&) { stop = true; };
  Start2({RowFor(two_), RowFor(three_), RowFor(two_), RowFor(three_)});
  EXPECT_TRUE(run2_.Completed());
  EXPECT_TRUE(view_.Summary.Cancelled);
  EXPECT_TRUE(lanes_[0].Started.empty());
  EXPECT_TRUE(lanes_[1].Started.empty());
  // What a lane opened past the stop is cleared with the run.
  EXPECT_EQ(lanes_[0].TasksCount() + lanes_[1].TasksCount(), 0);
}

TEST_F(TwoLaneRunTest, CancelStopsBothRunningTasksAndStartsNoMore) {
  Start2({RowFor(two_), RowFor(three_), RowFor(two_), RowFor(three_)});
  run2_.Cancel();
  EXPECT_TRUE(run2_.Completed());
  EXPECT_EQ(view_.Summaries, 1);
  EXPECT_TRUE(view_.Summary.Cancelled);
  for (const TProgressRow& row : view_.Rows) EXPECT_EQ(row.Status, "Failed.");
  EXPECT_EQ(view_.Summary.FailedCount, 4);
  mainThread_.ServePending();
  EXPECT_EQ(lanes_[0].Started.size(), 1u);
  EXPECT_EQ(lanes_[1].Started.size(), 1u);
  EXPECT_EQ(lanes_[0].TasksCount() + lanes_[1].TasksCount(), 0);
}

TEST_F(TwoLaneRunTest, MoreLanesThanFilesLeaveTheRestIdle) {
  Start2({RowFor(two_)});
  EXPECT_EQ(lanes_[0].Started.size(), 1u);
  EXPECT_EQ(lanes_[1].StartThreads, -1);
  lanes_[0].Finish(true);
  EXPECT_TRUE(run2_.Completed());
  EXPECT_EQ(view_.Summary.SucceededCount, 1);
}

TEST_F(TwoLaneRunTest, AJoinedRunIsOneTaskOnTheFirstLane) {
  Start2({});
  options_.Join = true;
  run2_.Start(std::vector<TFileListRow>{RowFor(two_, 2'000'000), RowFor(three_, 3'000'000)}, options_);
  ASSERT_EQ(lanes_[0].TasksCount(), 1);
  EXPECT_EQ(lanes_[0].Tasks[0].Inputs.size(), 2u);
  EXPECT_EQ(lanes_[1].TasksCount(), 0);
  lanes_[0].Finish(true);
  EXPECT_TRUE(run2_.Completed());
  EXPECT_EQ(view_.Summary.SucceededCount, 1);
}

struct TCompletionCase {
  bool Sound;
  bool Shutdown;
  bool CountdownRunsOut;
  bool SecondFails;
  std::vector<std::string> Events;
};

class CompletionTest : public ConversionRunTest, public ::testing::WithParamInterface<TCompletionCase> {};

TEST_P(CompletionTest, SoundThenCountdownThenSummary) {
  const TCompletionCase& c = GetParam();
  Start({RowFor(two_), RowFor(three_)});
  // The options are read at the end, as the boxes may change during the run.
  settings_.PlayASoundWhenFinished = c.Sound;
  settings_.ShutDownWhenFinished = c.Shutdown;
  view_.CountdownRunsOut = c.CountdownRunsOut;
  encoder_.Finish(true);
  encoder_.Finish(!c.SecondFails);
  EXPECT_EQ(view_.Events, c.Events);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompletionTest,
    ::testing::Values(TCompletionCase{true, false, false, true, {"sound /exe/sounds/fail.wav", "summary"}},
                      TCompletionCase{true, false, false, false, {"sound /exe/sounds/done.wav", "summary"}},
                      TCompletionCase{false, false, false, true, {"summary"}},
                      TCompletionCase{
                          true, true, false, false, {"sound /exe/sounds/done.wav", "countdown", "summary"}},
                      TCompletionCase{false, true, true, true, {"countdown", "shutdown", "summary"}}));

TEST(ShutdownCountdown, CountsThirtyDownToZeroAndClosesOnTheThirtyFirstTick) {
  TShutdownCountdown countdown;
  EXPECT_EQ(countdown.LabelText(), "Time left: 30");
  for (int tick = 1; tick <= 30; ++tick) ASSERT_FALSE(countdown.Tick()) << tick;
  EXPECT_EQ(countdown.LabelText(), "Time left: 0");
  EXPECT_TRUE(countdown.Tick());
}

}  // namespace
}  // namespace mediaconv::convert::test
