#include "engine/tasks/FFEncoder.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "EncoderTestSupport.h"
#include "engine/loader/Av.h"

namespace mediaconv::test {
namespace {

using namespace engine;
namespace fs = std::filesystem;

// The message of the EEncoderError that fn raises, or "(no exception)".
template <typename F>
std::string RefusalOf(F&& fn) {
  try {
    fn();
  } catch (const EEncoderError& error) {
    return error.what();
  }
  return "(no exception)";
}

int64_t TemplateBitrate(TFFmpeg& task, AVMediaType type) {
  int64_t bitrate = -1;
  EXPECT_GE(av::av_opt_get_int(task.OptionStore().CodecTemplate(type), "b", 0, &bitrate), 0);
  return bitrate;
}

using FFEncoderProperties = TEncoderTest;

TEST_F(FFEncoderProperties, DefaultsOfANewEncoder) {
  TFFEncoder encoder;
  EXPECT_FALSE(encoder.Preview());
  EXPECT_FALSE(encoder.PreviewBitmap());
  EXPECT_EQ(encoder.ProgressInterval(), 500);
  EXPECT_EQ(encoder.ThreadPriority(), tpNormal);
  EXPECT_TRUE(encoder.TriggerEventInMainThread());
  EXPECT_EQ(encoder.TasksCount(), 0);
  EXPECT_EQ(encoder.LastErrMsg(), "");
  EXPECT_FALSE(encoder.OnProgress);
  EXPECT_FALSE(encoder.OnTerminate);
}

TEST_F(FFEncoderProperties, ProgressIntervalOf100OrLessStores100) {
  const struct {
    int set, stored;
  } cases[] = {{50, 100}, {100, 100}, {101, 101}, {0, 100}, {-5, 100}, {2000, 2000}};
  for (const auto& c : cases) {
    encoder_.SetProgressInterval(c.set);
    EXPECT_EQ(encoder_.ProgressInterval(), c.stored) << c.set;
  }
}

TEST_F(FFEncoderProperties, PreviewFlagsReachTasksInTheListAndLaterOnes) {
  ASSERT_EQ(encoder_.AddTask(EncoderAudioFile()), 0);
  encoder_.SetPreview(true);
  encoder_.SetPreviewBitmap(true);
  EXPECT_TRUE(encoder_.Tasks(0).Settings().preview);
  EXPECT_TRUE(encoder_.Tasks(0).Settings().previewBitmap);
  ASSERT_EQ(encoder_.AddTask(EncoderAudioFile()), 1);
  EXPECT_TRUE(encoder_.Tasks(1).Settings().preview);
  encoder_.SetPreview(false);
  EXPECT_FALSE(encoder_.Tasks(0).Settings().preview);
  EXPECT_FALSE(encoder_.Tasks(1).Settings().preview);
  EXPECT_TRUE(encoder_.Tasks(1).Settings().previewBitmap);
}

TEST_F(FFEncoderProperties, LibrariesLoadThroughTheLoaderAndTheProberReadsFiles) {
  EXPECT_TRUE(encoder_.LoadLibraries(folder_)) << encoder_.LastErrMsg();
  EXPECT_TRUE(encoder_.LibrariesLoaded());
  ASSERT_TRUE(encoder_.Decoder().LoadFile(EncoderAvFile())) << encoder_.Decoder().LastError();
  EXPECT_EQ(encoder_.Decoder().VideoStreamCount(), 1);
}

using FFEncoderTasks = TEncoderTest;

TEST_F(FFEncoderTasks, AddTaskOfAMissingFileFailsWithTheReason) {
  ASSERT_EQ(encoder_.AddTask(EncoderAudioFile()), 0);
  EXPECT_EQ(encoder_.AddTask(folder_ + "/missing.wav"), -1);
  EXPECT_EQ(encoder_.TasksCount(), 1);
  EXPECT_NE(encoder_.LastErrMsg().find("missing.wav"), std::string::npos) << encoder_.LastErrMsg();
}

TEST_F(FFEncoderTasks, AddTaskFillsAnEmptyFileNameAndKeepsACopyWithAProber) {
  TInputOptions options;
  options.ExtOptions = "v=1";
  ASSERT_EQ(encoder_.AddTask(EncoderAvFile(), &options), 0);
  EXPECT_EQ(options.FileName, EncoderAvFile());
  EXPECT_EQ(encoder_.Tasks(0).InputOptions(0), options);

  TFFDecoder* prober = encoder_.Tasks(0).Decoders(0);
  ASSERT_NE(prober, nullptr);
  EXPECT_EQ(prober->VideoStreamCount(), 1);
  EXPECT_EQ(prober->AudioStreamCount(), 1);
  EXPECT_FALSE(prober->OwnsContext());
  EXPECT_EQ(encoder_.Tasks(0).Decoders(1), nullptr);

  // A name given in the record is kept as it is.
  TInputOptions named;
  named.FileName = "given";
  ASSERT_EQ(encoder_.AddTask(EncoderAudioFile(), &named), 1);
  EXPECT_EQ(named.FileName, "given");
}

TEST_F(FFEncoderTasks, AnInputOptionErrorFailsAddTask) {
  TInputOptions options;
  options.ExtOptions = "ss=not a time";
  EXPECT_EQ(encoder_.AddTask(EncoderAudioFile(), &options), -1);
  EXPECT_EQ(encoder_.TasksCount(), 0);
  EXPECT_EQ(encoder_.LastErrMsg(), "Invalid duration specification for ss: not a time");
}

TEST_F(FFEncoderTasks, TwentyInputsAndTwentyOutputsAtMost) {
  const std::string input = EncoderAudioFile();
  ASSERT_EQ(encoder_.AddTask(input), 0);
  for (int i = 1; i < 20; ++i) ASSERT_TRUE(encoder_.AddInputFile(0, input)) << i << encoder_.LastErrMsg();
  TInputOptions options;
  EXPECT_FALSE(encoder_.AddInputFile(0, input, &options));
  EXPECT_EQ(encoder_.LastErrMsg(), "max input files 20 reached");
  EXPECT_EQ(encoder_.Tasks(0).InputFileCount(), 20);
  EXPECT_EQ(options.FileName, "");  // refused before anything was touched

  for (int i = 0; i < 20; ++i)
    ASSERT_TRUE(encoder_.SetOutputFile(0, Out("out" + std::to_string(i) + ".wav")))
        << i << encoder_.LastErrMsg();
  EXPECT_FALSE(encoder_.SetOutputFile(0, Out("out20.wav")));
  EXPECT_EQ(encoder_.LastErrMsg(), "max output files 20 reached");
  EXPECT_EQ(encoder_.Tasks(0).OutputFileCount(), 20);
}

TEST_F(FFEncoderTasks, AFailedInputOrOutputLeavesTheTaskAsItWas) {
  TInputOptions first;
  first.ExtOptions = "v=1";
  ASSERT_EQ(encoder_.AddTask(EncoderAudioFile(), &first), 0);

  TInputOptions second;
  second.ProgramID = 3;
  EXPECT_FALSE(encoder_.AddInputFile(0, folder_ + "/missing.wav", &second));
  EXPECT_NE(encoder_.LastErrMsg(), "");
  EXPECT_EQ(encoder_.Tasks(0).InputFileCount(), 1);
  EXPECT_EQ(encoder_.Tasks(0).InputOptions(1), TInputOptions{});

  TOutputOptions output;
  output.FileFormat = "no_such_muxer";
  EXPECT_FALSE(encoder_.SetOutputFile(0, Out("bad.out"), &output));
  EXPECT_NE(encoder_.LastErrMsg(), "");
  EXPECT_EQ(encoder_.TasksCount(), 1);
  EXPECT_EQ(encoder_.Tasks(0).OutputFileCount(), 0);
  EXPECT_EQ(encoder_.Tasks(0).OutputOptions(0), TOutputOptions{});
  EXPECT_EQ(encoder_.Tasks(0).InputOptions(0), first);

  // The task still takes a good output.
  TOutputOptions good;
  ASSERT_TRUE(encoder_.SetOutputFile(0, Out("good.wav"), &good)) << encoder_.LastErrMsg();
  EXPECT_EQ(good.FileName, Out("good.wav"));
  EXPECT_EQ(encoder_.Tasks(0).OutputOptions(0), good);
}

TEST_F(FFEncoderTasks, RemoveTaskMovesLaterTasksDown) {
  for (const char* name : {"a", "b", "c"}) {
    TInputOptions options;
    options.FileName = name;
    ASSERT_GE(encoder_.AddTask(EncoderAudioFile(), &options), 0);
  }
  encoder_.RemoveTask(1);
  ASSERT_EQ(encoder_.TasksCount(), 2);
  EXPECT_EQ(encoder_.Tasks(0).InputOptions(0).FileName, "a");
  EXPECT_EQ(encoder_.Tasks(1).InputOptions(0).FileName, "c");
}

TEST_F(FFEncoderTasks, EditsAreRefusedFromStartTaskUntilClearTasks) {
  ASSERT_EQ(AddAvTask("refused.mkv"), 0);
  encoder_.StartTask(1);
  ASSERT_TRUE(ServeUntilFinal());

  const struct {
    const char* name;
    std::function<void()> call;
  } cases[] = {
      {"AddTask", [&] { encoder_.AddTask(EncoderAudioFile()); }},
      {"AddInputFile", [&] { encoder_.AddInputFile(0, EncoderAudioFile()); }},
      {"SetOutputFile", [&] { encoder_.SetOutputFile(0, Out("late.wav")); }},
      {"RemoveTask", [&] { encoder_.RemoveTask(0); }},
      {"StartTask", [&] { encoder_.StartTask(1); }},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RefusalOf(c.call), std::string("Cannot ") + c.name + " while working.") << c.name;
  EXPECT_EQ(encoder_.TasksCount(), 1);

  encoder_.ClearTasks();
  EXPECT_EQ(encoder_.TasksCount(), 0);
  EXPECT_EQ(encoder_.LastErrMsg(), "");
  EXPECT_EQ(encoder_.AddTask(EncoderAudioFile()), 0);
}

using FFEncoderRun = TEncoderTest;

TEST_F(FFEncoderRun, ThreeTasksOneAtATimeEndInOrderThenTheFinalEvent) {
  for (int i = 0; i < 3; ++i) ASSERT_EQ(AddAvTask("three" + std::to_string(i) + ".mkv"), i);
  RecordProgress();

  encoder_.StartTask(1);
  ASSERT_TRUE(ServeUntilFinal());

  const auto events = Terminates();
  ASSERT_EQ(events.size(), 4u);
  std::set<std::thread::id> deliveryThreads;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(events[i].info.TaskIndex, i);
    EXPECT_TRUE(events[i].info.Finished) << events[i].info.ExceptionMsg;
    EXPECT_FALSE(events[i].info.Exception) << events[i].info.ExceptionMsg;
    EXPECT_NE(events[i].thread, std::this_thread::get_id());
    deliveryThreads.insert(events[i].thread);
  }
  EXPECT_EQ(deliveryThreads.size(), 3u);
  EXPECT_EQ(events[3].info.TaskIndex, -1);
  EXPECT_TRUE(events[3].info.Finished);
  EXPECT_FALSE(events[3].info.Exception);
  EXPECT_EQ(events[3].info.ExceptionMsg, "");

  // Progress came on the main thread only, task after task.
  const auto progressTasks = ProgressTasks();
  ASSERT_FALSE(progressTasks.empty());
  EXPECT_TRUE(std::is_sorted(progressTasks.begin(), progressTasks.end()));
  EXPECT_EQ(progressTasks.back(), 2);
  EXPECT_EQ(ProgressThreads(), std::set<std::thread::id>{std::this_thread::get_id()});
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(ProbeStream(Out("three" + std::to_string(i) + ".mkv"), "v:0")["codec_name"], "mpeg4");
}

TEST_F(FFEncoderRun, SynchronousRunDeliversEverythingInTheCallingThread) {
  for (int i = 0; i < 2; ++i) ASSERT_EQ(AddAvTask("sync" + std::to_string(i) + ".mkv"), i);
  RecordProgress();

  encoder_.StartTask(0);

  const auto events = Terminates();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].info.TaskIndex, 0);
  EXPECT_EQ(events[1].info.TaskIndex, 1);
  EXPECT_EQ(events[2].info.TaskIndex, -1);
  for (const auto& event : events) {
    EXPECT_TRUE(event.info.Finished);
    EXPECT_EQ(event.thread, std::this_thread::get_id());
  }
  EXPECT_EQ(ProgressThreads(), std::set<std::thread::id>{std::this_thread::get_id()});
  ASSERT_FALSE(ProgressTasks().empty());
  EXPECT_EQ(ProgressTasks().back(), 1);
  encoder_.ClearTasks();
}

TEST_F(FFEncoderRun, OutputsAppearOnlyFinishedAndNeverReplaceAFile) {
  // A user's file of the same name, made after the task was set up.
  ASSERT_EQ(AddAvTask("taken.mkv"), 0);
  std::ofstream(Out("taken.mkv")) << "user's";
  // Set up but never started: nothing is left behind.
  ASSERT_EQ(AddAvTask("never.mkv"), 1);
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder_))
    names.push_back(entry.path().filename());
  // Queued tasks hold nothing of their outputs yet.
  EXPECT_EQ(names, std::vector<std::string>{"taken.mkv"});
  EXPECT_FALSE(std::filesystem::exists(Out("never.mkv")));
  encoder_.RemoveTask(1);

  encoder_.StartTask(0);
  const auto events = Terminates();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_TRUE(events[0].info.Finished);
  EXPECT_EQ(events[0].info.OutputFileName, Out("taken(1).mkv"));
  encoder_.ClearTasks();
  std::string kept;
  std::getline(std::ifstream(Out("taken.mkv")), kept);
  EXPECT_EQ(kept, "user's");
  EXPECT_EQ(ProbeStream(Out("taken(1).mkv"), "v:0")["codec_name"], "mpeg4");
  names.clear();
  for (const auto& entry : std::filesystem::directory_iterator(folder_))
    names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"taken(1).mkv", "taken.mkv"}));
}

TEST_F(FFEncoderRun, AnEmptyListSendsNothingAndCanBeCleared) {
  for (int threadCount : {1, 0}) {
    encoder_.StartTask(threadCount);
    ServeUntil([] { return false; }, 100ms);  // time for a stray event
    EXPECT_TRUE(Terminates().empty()) << threadCount;
    EXPECT_EQ(RefusalOf([&] { encoder_.AddTask(EncoderAudioFile()); }), "Cannot AddTask while working.");
    EXPECT_EQ(RefusalOf([&] { encoder_.ClearTasks(); }), "(no exception)");
  }
}

TEST_F(FFEncoderRun, ATaskThatCannotStartEndsWithItsErrorAndTheNextRuns) {
  ASSERT_EQ(encoder_.AddTask(EncoderAudioFile()), 0);  // no output
  ASSERT_EQ(AddAvTask("after.mkv"), 1);

  encoder_.StartTask(1);
  ASSERT_TRUE(ServeUntilFinal());

  const auto events = Terminates();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].info.TaskIndex, 0);
  EXPECT_FALSE(events[0].info.Finished);
  EXPECT_TRUE(events[0].info.Exception);
  EXPECT_EQ(events[0].info.ExceptionMsg, "At least one output file must be specified");
  EXPECT_EQ(events[1].info.TaskIndex, 1);
  EXPECT_TRUE(events[1].info.Finished) << events[1].info.ExceptionMsg;
  EXPECT_EQ(events[2].info.TaskIndex, -1);
  EXPECT_TRUE(fs::exists(Out("after.mkv")));
}

// The worker of the first task waits to hand a progress event to the main
// thread, which serves nothing until it calls Stop(true).
TEST_F(FFEncoderRun, StopWithWaitInTheFirstOfThreeTasksServesTheWaitingWorker) {
  for (int i = 0; i < 3; ++i) ASSERT_EQ(AddAvTask("stop" + std::to_string(i) + ".mkv"), i);
  RecordProgress();

  encoder_.StartTask(1);
  ASSERT_TRUE(WaitForBlockedWorker());
  EXPECT_EQ(RefusalOf([&] { encoder_.ClearTasks(); }), "Cannot ClearTasks while working.");
  encoder_.Stop(true);  // returns only when served: a deadlock hangs here
  EXPECT_EQ(main_.waiting.load(), 0);
  ASSERT_TRUE(ServeUntilFinal());

  const auto events = Terminates();
  ASSERT_EQ(events.size(), 4u);
  std::set<int> ended;
  for (int i = 0; i < 3; ++i) {
    ended.insert(events[i].info.TaskIndex);
    EXPECT_FALSE(events[i].info.Finished) << events[i].info.TaskIndex;
    EXPECT_FALSE(events[i].info.Exception) << events[i].info.ExceptionMsg;
  }
  EXPECT_EQ(ended, (std::set<int>{0, 1, 2}));
  EXPECT_EQ(events[3].info.TaskIndex, -1);
  EXPECT_TRUE(events[3].info.Finished);
  const auto progressTasks = ProgressTasks();
  EXPECT_EQ(std::set<int>(progressTasks.begin(), progressTasks.end()),
            std::set<int>{0});  // no further task started
  encoder_.ClearTasks();
  EXPECT_EQ(encoder_.TasksCount(), 0);
}

TEST_F(FFEncoderRun, TheFinalEventWaitsForEveryPerTaskDelivery) {
  for (int i = 0; i < 2; ++i) ASSERT_EQ(AddAvTask("slow" + std::to_string(i) + ".mkv"), i);
  encoder_.OnTerminate = [this](TCustomEncoder&, const TTerminateInfo& info) {
    const std::string index = std::to_string(info.TaskIndex);
    Log("begin " + index);
    // The first task's handler is slow; the second task's overlaps it.
    if (info.TaskIndex == 0) std::this_thread::sleep_for(300ms);
    Log("end " + index);
  };

  encoder_.StartTask(2);
  ASSERT_TRUE(ServeUntil([&] {
    const auto lines = LogLines();
    return std::find(lines.begin(), lines.end(), "end -1") != lines.end();
  }));

  const auto order = LogLines();
  ASSERT_EQ(order.size(), 6u);
  const auto at = [&](const std::string& entry) {
    return std::find(order.begin(), order.end(), entry) - order.begin();
  };
  EXPECT_GT(at("begin -1"), at("end 0"));
  EXPECT_GT(at("begin -1"), at("end 1"));
}

TEST_F(FFEncoderRun, AThrowingTerminateHandlerStillLetsTheFinalEventCome) {
  ASSERT_EQ(AddAvTask("throwing.mkv"), 0);
  encoder_.OnTerminate = [this](TCustomEncoder&, const TTerminateInfo& info) {
    {
      std::scoped_lock lock(mutex_);
      terminates_.push_back({info, std::this_thread::get_id()});
    }
    throw std::runtime_error("handler failed");
  };
  encoder_.StartTask(1);
  EXPECT_TRUE(ServeUntilFinal());
  EXPECT_EQ(Terminates().size(), 2u);
}

TEST_F(FFEncoderRun, DestroyingAWorkingEncoderStopsItsTasksAndServesTheirHandOffs) {
  bool progressed = false;
  {
    TFFEncoder encoder;
    encoder.SetMainThread(&main_);
    encoder.SetProgressInterval(100);
    encoder.OnProgress = [&](TCustomEncoder&, TProgressInfo*) { progressed = true; };
    encoder.OnTerminate = [](TCustomEncoder&, const TTerminateInfo&) {};
    ASSERT_EQ(encoder.AddTask(EncoderAvFile()), 0);
    TOutputOptions options = AvOptions();
    ASSERT_TRUE(encoder.SetOutputFile(0, Out("destroyed.mkv"), &options)) << encoder.LastErrMsg();
    ASSERT_EQ(encoder.AddTask(EncoderAvFile()), 1);
    encoder.StartTask(1);
    ASSERT_TRUE(WaitForBlockedWorker());
  }
  EXPECT_EQ(main_.waiting.load(), 0);
  EXPECT_FALSE(progressed);  // the handler was removed before the hand-off ran
}

TEST_F(FFEncoderRun, StopInsideASynchronousRunEndsEveryTaskBeforeStartTaskReturns) {
  for (int i = 0; i < 3; ++i) ASSERT_EQ(AddAvTask("syncstop" + std::to_string(i) + ".mkv"), i);
  std::atomic<bool> stopped{false};
  encoder_.OnProgress = [&stopped](TCustomEncoder& sender, TProgressInfo*) {
    if (!stopped.exchange(true)) sender.Stop(true);  // cannot wait for its own run: must not hang
  };

  encoder_.StartTask(0);

  const auto events = Terminates();
  ASSERT_EQ(events.size(), 4u);
  std::set<int> ended;
  for (int i = 0; i < 3; ++i) {
    ended.insert(events[i].info.TaskIndex);
    EXPECT_FALSE(events[i].info.Finished);
  }
  EXPECT_EQ(ended, (std::set<int>{0, 1, 2}));
  EXPECT_EQ(events[3].info.TaskIndex, -1);
  encoder_.ClearTasks();
}

TEST_F(FFEncoderRun, TheFinalHandlerMayClearTheList) {
  for (int i = 0; i < 2; ++i) ASSERT_EQ(AddAvTask("cleared" + std::to_string(i) + ".mkv"), i);
  encoder_.OnTerminate = [this](TCustomEncoder& sender, const TTerminateInfo& info) {
    if (info.TaskIndex == -1) sender.ClearTasks();
    std::scoped_lock lock(mutex_);
    terminates_.push_back({info, std::this_thread::get_id()});
  };
  encoder_.StartTask(1);
  ASSERT_TRUE(ServeUntilFinal());
  EXPECT_EQ(encoder_.TasksCount(), 0);
  EXPECT_EQ(encoder_.AddTask(EncoderAudioFile()), 0);
}

TEST_F(FFEncoderRun, ListDoneCallbackComesAfterTheFinalEventOfASynchronousRun) {
  ASSERT_EQ(AddAvTask("done0.mkv"), 0);
  std::vector<std::string> order;
  encoder_.OnTerminate = [&](TCustomEncoder& sender, const TTerminateInfo& info) {
    if (info.TaskIndex != -1) return;
    // Refused here: the list is done only once this handler has returned.
    order.push_back(RefusalOf([&] { sender.ClearTasks(); }));
    sender.WhenListDone([&] {
      encoder_.ClearTasks();
      order.push_back("cleared");
    });
  };
  encoder_.StartTask(0);
  EXPECT_EQ(order, std::vector<std::string>{"Cannot ClearTasks while working."});
  main_.ServePending();
  EXPECT_EQ(order, (std::vector<std::string>{"Cannot ClearTasks while working.", "cleared"}));
  EXPECT_EQ(encoder_.TasksCount(), 0);

  // An idle list hands over at once, still through the main loop.
  bool idle = false;
  encoder_.WhenListDone([&] { idle = true; });
  EXPECT_FALSE(idle);
  main_.ServePending();
  EXPECT_TRUE(idle);
}

TEST_F(FFEncoderRun, ListDoneCallbackOfAGoneEncoderDoesNothing) {
  bool called = false;
  {
    TFFEncoder encoder;
    encoder.SetMainThread(&main_);
    encoder.WhenListDone([&] { called = true; });
  }
  main_.ServePending();
  EXPECT_FALSE(called);
}

TEST_F(FFEncoderRun, WorkersRunWithTheThreadPriority) {
  const struct {
    TThreadPriority priority;
    int policy;
  } cases[] = {
      {tpIdle, SCHED_IDLE}, {tpLower, SCHED_BATCH}, {tpNormal, SCHED_OTHER}, {tpTimeCritical, SCHED_OTHER}};
  encoder_.SetTriggerEventInMainThread(false);  // progress on the worker itself
  encoder_.OnProgress = [this](TCustomEncoder&, TProgressInfo*) {
    int policy = -1;
    sched_param param{};
    pthread_getschedparam(pthread_self(), &policy, &param);
    Log(std::to_string(policy));
  };
  for (const auto& c : cases) {
    ClearRecords();
    ASSERT_EQ(AddAvTask("priority.mkv"), 0);
    encoder_.SetThreadPriority(c.priority);
    encoder_.StartTask(1);
    ASSERT_TRUE(ServeUntilFinal());
    const auto policies = LogLines();
    ASSERT_FALSE(policies.empty());
    for (const auto& policy : policies) EXPECT_EQ(policy, std::to_string(c.policy)) << c.priority;
    encoder_.ClearTasks();
  }
}

using FFEncoderOutputOptions = TEncoderTest;

struct TCodecCase {
  const char* name;
  const char* recordCodec;
  const char* extOptions;
  std::vector<std::string> codecs;  // of a:0, a:1, ...
};

TEST_F(FFEncoderOutputOptions, CodecsOfTheRecordAndTheOptionText) {
  const TCodecCase cases[] = {
      {"text codec fills an empty record", "", "acodec=mp2", {"mp2"}},
      {"record codec wins for the first stream", "pcm_s16le", "acodec=mp2", {"pcm_s16le"}},
      {"added stream takes the queued value", "", "newaudio=\r\nacodec=mp2", {"mp2", "mp2"}},
      {"second value goes to the second added stream",
       "",
       "acodec=mp2<CRLF>newaudio<CRLF>acodec=flac<CRLF>newaudio",
       {"mp2", "mp2", "flac"}},
      {"record codec and queued text values", "flac", "newaudio\nacodec=mp2", {"flac", "mp2"}},
  };
  int index = 0;
  for (const auto& c : cases) {
    TOutputOptions options;
    options.AudioCodec = c.recordCodec;
    options.ExtOptions = c.extOptions;
    ASSERT_EQ(AddTask(EncoderAudioFile(), "codec" + std::to_string(index) + ".mka", options), index)
        << c.name;
    ++index;
  }
  encoder_.StartTask(1);
  ASSERT_TRUE(ServeUntilFinal());
  for (const auto& event : Terminates()) EXPECT_TRUE(event.info.Finished) << event.info.ExceptionMsg;

  index = 0;
  for (const auto& c : cases) {
    const std::string output = Out("codec" + std::to_string(index++) + ".mka");
    for (std::size_t i = 0; i < c.codecs.size(); ++i)
      EXPECT_EQ(ProbeStream(output, "a:" + std::to_string(i))["codec_name"], c.codecs[i])
          << c.name << " a:" << i;
    EXPECT_TRUE(ProbeStream(output, "a:" + std::to_string(c.codecs.size())).empty()) << c.name;
  }
}

TEST_F(FFEncoderOutputOptions, RecordBitratesOverrideTheTextUnlessATargetIsSet) {
  const struct {
    const char* name;
    int audioBitrate, videoBitrate, target;
    const char* extOptions;
    int64_t audio, video;
  } cases[] = {
      {"record over text", 128000, 300000, kTargetNone, "ab=64000\nb=200000", 128000, 300000},
      {"text without record", -1, -1, kTargetNone, "ab=64000\nvb=200000", 64000, 200000},
      {"target suppresses both", 128000, 300000, kTargetVcd, "", 224000, 1150000},
  };
  int index = 0;
  for (const auto& c : cases) {
    TOutputOptions options = AvOptions();
    options.AudioBitrate = c.audioBitrate;
    options.VideoBitrate = c.videoBitrate;
    options.Target = c.target;
    if (c.target != kTargetNone) options.VideoCodec = options.AudioCodec = "";
    options.TargetNorm = kTargetNormPal;
    options.ExtOptions = c.extOptions;
    ASSERT_EQ(AddTask(EncoderAvFile(), "rate" + std::to_string(index) + ".mpg", options), index) << c.name;
    EXPECT_EQ(TemplateBitrate(encoder_.Tasks(index), AVMEDIA_TYPE_AUDIO), c.audio) << c.name;
    EXPECT_EQ(TemplateBitrate(encoder_.Tasks(index), AVMEDIA_TYPE_VIDEO), c.video) << c.name;
    ++index;
  }
}

// A target's audio rate belongs to its own audio codec; a record naming
// another codec keeps its own audio rate (the DVD's 448 kb/s is more than MP2
// takes). The video rate stays the target's.
TEST_F(FFEncoderOutputOptions, ATargetWithAnotherAudioCodecKeepsTheRecordsAudioRate) {
  const struct {
    const char* name;
    int target;
    const char* audioCodec;
    int audioBitrate;
    int64_t audio, video;
  } cases[] = {
      {"dvd with mp2", kTargetDvd, "mp2", 224000, 224000, 6000000},
      {"dvd with its own ac3", kTargetDvd, "ac3", 224000, 448000, 6000000},
      {"dvd without a codec", kTargetDvd, "", 224000, 448000, 6000000},
      {"dvd with mp2 but no rate", kTargetDvd, "mp2", -1, 448000, 6000000},
      {"svcd with its own mp2", kTargetSvcd, "mp2", 128000, 224000, 2040000},
  };
  int index = 0;
  for (const auto& c : cases) {
    TOutputOptions options;
    options.Target = c.target;
    options.TargetNorm = kTargetNormPal;
    options.AudioCodec = c.audioCodec;
    options.AudioBitrate = c.audioBitrate;
    options.VideoBitrate = 4000000;
    ASSERT_EQ(AddTask(EncoderAvFile(), "target" + std::to_string(index) + ".mpg", options), index) << c.name;
    EXPECT_EQ(TemplateBitrate(encoder_.Tasks(index), AVMEDIA_TYPE_AUDIO), c.audio) << c.name;
    EXPECT_EQ(TemplateBitrate(encoder_.Tasks(index), AVMEDIA_TYPE_VIDEO), c.video) << c.name;
    ++index;
  }
}

TEST_F(FFEncoderOutputOptions, DvdTargetWithMp2Converts) {
  TOutputOptions options;
  options.Target = kTargetDvd;
  options.TargetNorm = kTargetNormNtsc;
  options.AudioCodec = "mp2";
  options.AudioBitrate = 224000;
  options.AudioSampleRate = 48000;
  ASSERT_EQ(AddTask(EncoderAvFile(), "dvd.mpg", options), 0);
  encoder_.StartTask(1);
  ASSERT_TRUE(ServeUntilFinal());
  ASSERT_FALSE(Terminates().empty());
  EXPECT_TRUE(Terminates()[0].info.Finished) << Terminates()[0].info.ExceptionMsg;
  EXPECT_FALSE(Terminates()[0].info.Exception) << Terminates()[0].info.ExceptionMsg;
  auto audio = ProbeStream(Out("dvd.mpg"), "a:0");
  EXPECT_EQ(audio["codec_name"], "mp2");
  EXPECT_EQ(audio["bit_rate"], "224000");
  auto video = ProbeStream(Out("dvd.mpg"), "v:0");
  EXPECT_EQ(video["width"] + "x" + video["height"], "720x480");
}

TEST_F(FFEncoderOutputOptions, AudioBitrateOfTheRecordReachesTheFile) {
  TOutputOptions options;
  options.AudioCodec = "mp2";
  options.AudioBitrate = 128000;
  options.ExtOptions = "ab=64000";
  ASSERT_EQ(AddTask(EncoderAudioFile(), "bitrate.mka", options), 0);
  encoder_.StartTask(1);
  ASSERT_TRUE(ServeUntilFinal());
  EXPECT_EQ(ProbeStream(Out("bitrate.mka"), "a:0")["bit_rate"], "128000");
}

TEST_F(FFEncoderOutputOptions, RecordFieldsReachTheTranscoderSettings) {
  TOutputOptions options;
  options.AudioCodec = "pcm_s16le";
  options.AudioChannels = 1;
  options.AudioSampleRate = 22050;
  options.AudioVolume = 512;
  options.AudioSync = 1;
  options.VideoSync = 2;
  options.AudioLanguage = "eng";
  options.InputSync = true;
  options.RecordingTime = 500000;
  options.HookBitsPerPixel = 32;
  // Fields the record always assigns override the text.
  options.ExtOptions = "async=0\nalang=ger\nvsync=0\nvol=100\nar=8000";
  ASSERT_EQ(encoder_.AddTask(EncoderAudioFile()), 0);
  ASSERT_TRUE(encoder_.SetOutputFile(0, Out("fields.mka"), &options)) << encoder_.LastErrMsg();
  const TTranscoderSettings& settings = encoder_.Tasks(0).Settings();
  EXPECT_EQ(settings.audioSyncMethod, 1);
  EXPECT_EQ(settings.videoSyncMethod, 2);
  EXPECT_EQ(settings.audioVolume, 512);
  EXPECT_TRUE(settings.inputSync);
  EXPECT_EQ(settings.recordingTime, 500000);
  EXPECT_EQ(settings.expectedDuration, 500000);
  EXPECT_EQ(settings.hookBitsPerPixel, 32);

  encoder_.StartTask(1);
  ASSERT_TRUE(ServeUntilFinal());
  auto stream = ProbeStream(Out("fields.mka"), "a:0");
  EXPECT_EQ(stream["channels"], "1");
  EXPECT_EQ(stream["sample_rate"], "22050");
  EXPECT_EQ(stream["TAG:language"], "eng");
  EXPECT_NEAR(std::stod(ProbeFormat(Out("fields.mka"))["duration"]), 0.5, 0.1);
}

TEST_F(FFEncoderOutputOptions, MetadataOfTheRecordReachesTheFile) {
  TOutputOptions options;
  options.Metadata.Title = "Encoder title";
  options.Metadata.Album = "Album";
  options.Metadata.Year = 2009;
  options.Metadata.Track = 0;  // not set
  ASSERT_EQ(AddTask(EncoderAudioFile(), "tags.mp3", options), 0);
  encoder_.StartTask(1);
  ASSERT_TRUE(ServeUntilFinal());
  auto format = ProbeFormat(Out("tags.mp3"));
  EXPECT_EQ(format["TAG:title"], "Encoder title");
  EXPECT_EQ(format["TAG:album"], "Album");
  EXPECT_EQ(format["TAG:year"], "2009");
  EXPECT_EQ(format.count("TAG:track"), 0u);
}

class TZone {
 public:
  explicit TZone(const char* zone) {
    if (const char* saved = std::getenv("TZ")) saved_ = saved, hadZone_ = true;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~TZone() {
    if (hadZone_)
      setenv("TZ", saved_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::string saved_;
  bool hadZone_ = false;
};

TEST(EncoderTimestamp, LocalDateTimesBecomeSecondsSince1970) {
  const struct {
    const char* zone;
    double dateTime;
    int64_t seconds;
  } cases[] = {
      {"UTC0", 25569.0, 0},
      {"UTC0", 25569.5, 43200},
      {"UTC0", 25569.0 + 1.0 / 86400 * 0.6, 1},  // rounded to the whole second
      {"EST5", 25569.5, 61200},
      {"CET-1CEST,M3.5.0,M10.5.0/3", 43845.5, 1579086000},  // 15 Jan 2020 12:00, winter
      {"CET-1CEST,M3.5.0,M10.5.0/3", 44013.5, 1593597600},  // 1 Jul 2020 12:00, summer time
  };
  for (const auto& c : cases) {
    TZone zone(c.zone);
    EXPECT_EQ(DateTimeToUnixTime(c.dateTime), c.seconds) << c.zone << " " << c.dateTime;
  }
}

TEST_F(FFEncoderOutputOptions, MetadataTimestampZeroIsNowAndNegativeSetsNothing) {
  const int64_t before = std::time(nullptr);
  const struct {
    double timestamp;
    bool now;
  } cases[] = {{0.0, true}, {-1.0, false}};
  int index = 0;
  for (const auto& c : cases) {
    TOutputOptions options;
    options.Metadata.Timestamp = c.timestamp;
    ASSERT_EQ(encoder_.AddTask(EncoderAudioFile()), index);
    ASSERT_TRUE(encoder_.SetOutputFile(index, Out("stamp" + std::to_string(index) + ".wav"), &options));
    const int64_t stamp = encoder_.Tasks(index).Settings().recordingTimestamp;
    if (c.now) {
      EXPECT_GE(stamp, before);
      EXPECT_LE(stamp, int64_t(std::time(nullptr)));
    } else {
      EXPECT_EQ(stamp, 0);
    }
    ++index;
  }
}

using FFEncoderHooks = TEncoderTest;

TEST_F(FFEncoderHooks, HooksAreInstalledPerOutputFlag) {
  TOutputOptions options;
  options.AudioHook = true;
  options.VideoOutputHook = true;
  ASSERT_EQ(encoder_.AddTask(EncoderAvFile()), 0);
  TFFmpeg& task = encoder_.Tasks(0);
  EXPECT_TRUE(task.Hooks.previewBitmap);  // always there
  EXPECT_FALSE(task.Hooks.audio);
  ASSERT_TRUE(encoder_.SetOutputFile(0, Out("hooks.mkv"), &options)) << encoder_.LastErrMsg();
  EXPECT_TRUE(task.Hooks.audio);
  EXPECT_FALSE(task.Hooks.videoInput);
  EXPECT_TRUE(task.Hooks.videoOutput);
}

// The run calls the hooks on its worker: here a thread plays the worker.
TEST_F(FFEncoderHooks, VideoHooksRunOnTheWorkerAndReturnTheHandlersFlags) {
  TOutputOptions options;
  options.VideoInputHook = true;
  ASSERT_EQ(encoder_.AddTask(EncoderAvFile()), 0);
  ASSERT_EQ(encoder_.AddTask(EncoderAvFile()), 1);
  ASSERT_TRUE(encoder_.SetOutputFile(1, Out("hook.mkv"), &options)) << encoder_.LastErrMsg();
  TFFmpeg& task = encoder_.Tasks(1);

  THookInfo seen;
  std::thread::id handlerThread;
  encoder_.OnVideoInputHook = [&](TCustomEncoder& sender, THookInfo* info) {
    EXPECT_EQ(&sender, &encoder_);
    seen = *info;
    handlerThread = std::this_thread::get_id();
    info->Bitmap->Bits[0] = 7;
    info->Update = false;
    info->StopHook = true;
  };
  TBitmap bitmap;
  bitmap.Bits.assign(4, 0);
  TVideoHookValues values;
  values.bitmap = &bitmap;
  values.frameNumber = 12;
  values.pts = 480000;
  std::thread::id workerThread;
  std::thread worker([&] {
    workerThread = std::this_thread::get_id();
    task.Hooks.videoInput(task, values);
  });
  worker.join();

  EXPECT_EQ(handlerThread, workerThread);
  EXPECT_EQ(seen.TaskIndex, 1);
  EXPECT_EQ(seen.FrameNumber, 12);
  EXPECT_EQ(seen.PTS, 480000);
  EXPECT_TRUE(seen.Update);  // as the handler found it
  EXPECT_FALSE(seen.StopHook);
  EXPECT_FALSE(values.update);
  EXPECT_TRUE(values.stopHook);
  EXPECT_EQ(bitmap.Bits[0], 7);
}

TEST_F(FFEncoderHooks, AudioHookCarriesTheTasksSamples) {
  TOutputOptions options;
  options.AudioHook = true;
  ASSERT_EQ(encoder_.AddTask(EncoderAudioFile()), 0);
  ASSERT_TRUE(encoder_.SetOutputFile(0, Out("audiohook.wav"), &options)) << encoder_.LastErrMsg();
  TFFmpeg& task = encoder_.Tasks(0);
  std::vector<uint8_t> samples(64, 1);
  int calls = 0;
  encoder_.OnAudioHook = [&](TCustomEncoder&, int taskIndex, int64_t pts, uint8_t* sample, int size,
                             int sampleRate, int channels, AVSampleFormat format) {
    ++calls;
    EXPECT_EQ(taskIndex, 0);
    EXPECT_EQ(pts, 1000);
    EXPECT_EQ(sample, samples.data());
    EXPECT_EQ(size, 64);
    EXPECT_EQ(sampleRate, 44100);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(format, AV_SAMPLE_FMT_S16);
  };
  std::thread([&] { task.Hooks.audio(task, 1000, samples.data(), 64, 44100, 2, AV_SAMPLE_FMT_S16); }).join();
  EXPECT_EQ(calls, 1);
  encoder_.OnAudioHook = nullptr;
  std::thread([&] { task.Hooks.audio(task, 1000, samples.data(), 64, 44100, 2, AV_SAMPLE_FMT_S16); }).join();
  EXPECT_EQ(calls, 1);
}

TEST_F(FFEncoderHooks, PreviewBitmapsGoToTheMainThreadWhenAsked) {
  ASSERT_EQ(encoder_.AddTask(EncoderAvFile()), 0);
  TFFmpeg& task = encoder_.Tasks(0);
  for (bool inMainThread : {true, false}) {
    encoder_.SetTriggerEventInMainThread(inMainThread);
    std::atomic<bool> called{false};
    std::thread::id handlerThread;
    TPreviewInfo seen;
    encoder_.OnPreviewBitmap = [&](TCustomEncoder&, const TPreviewInfo& info) {
      seen = info;
      handlerThread = std::this_thread::get_id();
      called = true;
    };
    TBitmap bitmap;
    std::thread::id workerThread;
    std::thread worker([&] {
      workerThread = std::this_thread::get_id();
      task.Hooks.previewBitmap(task, bitmap, 3, 120000);
    });
    ASSERT_TRUE(ServeUntil([&] { return called.load(); }));
    worker.join();
    EXPECT_EQ(handlerThread, inMainThread ? std::this_thread::get_id() : workerThread);
    EXPECT_EQ(seen.TaskIndex, 0);
    EXPECT_EQ(seen.Bitmap, &bitmap);
    EXPECT_EQ(seen.FrameNumber, 3);
    EXPECT_EQ(seen.PTS, 120000);
  }
}

}  // namespace
}  // namespace mediaconv::test

namespace mediaconv::test {
namespace {

// A handler that destroys the encoder destroys the thread it runs on: that
// thread is let go, not joined by itself (which would end the process).
TEST(FFEncoderOwnHandlerTest, AFinalEventHandlerMayDestroyTheEncoder) {
  app::TQueueMainThread main;
  auto encoder = std::make_unique<engine::TFFEncoder>();
  encoder->SetMainThread(&main);
  const std::string out = TempFolder("own-handler") + "/out.mkv";
  const int task = encoder->AddTask(EncoderAvFile());
  ASSERT_EQ(task, 0) << encoder->LastErrMsg();
  engine::TOutputOptions options;
  options.VideoCodec = "mpeg4";
  options.AudioCodec = "mp2";
  ASSERT_TRUE(encoder->SetOutputFile(task, out, &options)) << encoder->LastErrMsg();
  std::atomic<bool> destroyed{false};
  encoder->OnTerminate = [&](engine::TCustomEncoder&, const engine::TTerminateInfo& info) {
    if (info.TaskIndex >= 0) return;
    encoder.reset();
    destroyed = true;
  };
  encoder->StartTask(1);
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  while (!destroyed && std::chrono::steady_clock::now() < deadline) main.WaitAndServe(10ms);
  EXPECT_TRUE(destroyed);
  EXPECT_TRUE(std::filesystem::exists(out));
  // The let-go thread finishes on its own; give it the moment it needs.
  std::this_thread::sleep_for(50ms);
}

}  // namespace
}  // namespace mediaconv::test
