#pragma once
// A scripted encoder and a recording view for the conversion run: the tests
// decide when tasks progress and end, and read what the view was told.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/QueueMainThread.h"
#include "convert/ConversionRun.h"
#include "convert/FileList.h"
#include "engine/loader/FFLoader.h"
#include "engine/prober/FFDecoder.h"
#include "support/Fixtures.h"

namespace mediaconv::convert::test {

using namespace mediaconv::test;

// Two and three seconds of stereo tone; WAV durations are exact.
inline std::string TwoSecondTone() {
  return MediaFixture("run_two.wav", "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=2 -ac 2");
}
inline std::string ThreeSecondTone() {
  return MediaFixture("run_three.wav", "-f lavfi -i sine=frequency=660:sample_rate=48000:duration=3 -ac 2");
}
inline std::string SmallClip() {
  return MediaFixture(
      "run_clip.mkv",
      "-f lavfi -i testsrc2=size=320x240:rate=25:duration=1 "
      "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=1 -ac 2 -c:v mpeg4 -c:a mp2");
}

class TScriptedEncoder : public TRunEncoder {
 public:
  struct TTask {
    std::vector<std::string> Inputs;
    std::string Output;
    engine::TOutputOptions Options;
    bool Ended = false;
  };

  int TasksCount() const override { return static_cast<int>(Tasks.size()); }
  int AddTask(const std::string& fileName, engine::TInputOptions* options) override {
    CheckWorking("AddTask");
    ++AddTaskCalls;
    if (OnAddTask) OnAddTask(fileName);
    if (RefusedInputs.count(fileName)) {
      lastErrMsg_ = "cannot open " + fileName;
      return -1;
    }
    // Like the encoder, which opens the input it is given.
    if (!taskInput_.LoadFile(fileName)) {
      lastErrMsg_ = taskInput_.LastError();
      return -1;
    }
    Tasks.push_back({{fileName}, {}, {}, false});
    if (options) InputOptions.push_back(*options);
    return TasksCount() - 1;
  }
  bool AddInputFile(int taskIndex, const std::string& fileName, engine::TInputOptions*) override {
    CheckWorking("AddInputFile");
    if (RefusedInputs.count(fileName)) {
      lastErrMsg_ = "cannot open " + fileName;
      return false;
    }
    Tasks.at(taskIndex).Inputs.push_back(fileName);
    return true;
  }
  bool SetOutputFile(int taskIndex, const std::string& fileName, engine::TOutputOptions* options) override {
    CheckWorking("SetOutputFile");
    if (RefusedOutputs.count(Tasks.at(taskIndex).Inputs.front())) {
      lastErrMsg_ = "no output for " + fileName;
      return false;
    }
    Tasks.at(taskIndex).Output = fileName;
    Tasks.at(taskIndex).Options = *options;
    return true;
  }
  void RemoveTask(int taskIndex) override {
    CheckWorking("RemoveTask");
    Tasks.erase(Tasks.begin() + taskIndex);
  }
  std::string LastErrMsg() const override { return lastErrMsg_; }
  engine::TFFDecoder& Decoder() override { return decoder_; }
  // The last input added stands for every task's.
  engine::TFFDecoder* TaskInput(int) override { return &taskInput_; }
  void StartTask(int threadCount) override {
    CheckWorking("StartTask");
    working_ = true;
    StartThreads = threadCount;
    Started.insert(Started.end(), Tasks.begin(), Tasks.end());
  }
  // Like the encoder: every task that has not ended ends unfinished, then
  // the list ends.
  void Stop(bool) override {
    inStop_ = true;
    for (int i = 0; i < TasksCount(); ++i)
      if (!Tasks[i].Ended) End(i, false);
    EndList();
    inStop_ = false;
  }
  void ClearTasks() override {
    // Like the encoder in a synchronous run: the list is done only once the
    // final event has returned.
    if (RefuseClearDuringFinalEvent && inFinalEvent_)
      throw std::runtime_error("Cannot ClearTasks while working.");
    ClearedInsideStop = ClearedInsideStop || inStop_;
    ++Clears;
    Tasks.clear();
    working_ = false;
  }
  // Like the encoder: posted to the main thread, at once unless the final
  // event is still being handed out.
  void WhenListDone(std::function<void()> fn) override {
    if (inFinalEvent_)
      listDone_.push_back(std::move(fn));
    else
      MainThread->Post(std::move(fn));
  }

  void End(int task, bool finished, const std::string& exceptionMsg = {}) {
    Tasks.at(task).Ended = true;
    engine::TTerminateInfo info;
    info.TaskIndex = task;
    info.Finished = finished;
    info.Exception = !exceptionMsg.empty();
    info.ExceptionMsg = exceptionMsg;
    Run->OnTerminate(info, Lane);
  }
  void EndList() {
    engine::TTerminateInfo info;
    info.TaskIndex = -1;
    info.Finished = true;
    inFinalEvent_ = true;
    Run->OnTerminate(info, Lane);
    inFinalEvent_ = false;
    for (auto& fn : listDone_) MainThread->Post(std::move(fn));
    listDone_.clear();
  }
  // The running list's one task ends, then the list; the run sets up its
  // next file once the main thread serves the clear it waits for.
  void Finish(bool finished, const std::string& exceptionMsg = {}) {
    End(0, finished, exceptionMsg);
    EndList();
    MainThread->ServePending();
  }
  void Progress(int task, int64_t current, int64_t total) {
    engine::TProgressInfo info;
    info.TaskIndex = task;
    info.CurrentDuration = current;
    info.TotalDuration = total;
    Run->OnProgress(info, Lane);
  }

  TConversionRun* Run = nullptr;
  int Lane = 0;
  app::TMainThread* MainThread = nullptr;
  std::vector<TTask> Tasks;
  // Every task the run started, in order.
  std::vector<TTask> Started;
  int AddTaskCalls = 0;
  std::function<void(const std::string&)> OnAddTask;
  std::vector<engine::TInputOptions> InputOptions;
  std::set<std::string> RefusedInputs;
  std::set<std::string> RefusedOutputs;
  int StartThreads = -1;
  int Clears = 0;
  bool ClearedInsideStop = false;
  bool RefuseClearDuringFinalEvent = false;

 private:
  void CheckWorking(const char* operation) const {
    if (working_) throw std::runtime_error(std::string("Cannot ") + operation + " while working.");
  }

  engine::TFFDecoder decoder_;
  engine::TFFDecoder taskInput_;
  std::string lastErrMsg_;
  bool working_ = false;
  bool inStop_ = false;
  bool inFinalEvent_ = false;
  std::vector<std::function<void()>> listDone_;
};

// Records what the run shows, with the thread each call came on.
class TRecordingView : public TRunView, public TFileListView {
 public:
  void AppendLog(const std::string& line) override { Log.push_back(line); }
  void ShowFailedFiles(const std::vector<std::string>& errors) override { FailedShown.push_back(errors); }
  int TextWidth(const std::string& text) override { return static_cast<int>(text.size()); }

  void ShowRunLayout(const TRunLayout& layout) override { Layout = layout; }
  void ProgressListCleared() override {
    Rows.clear();
    ++ListClears;
  }
  void ProgressRowAdded(int index, const TProgressRow& row) override {
    Note();
    ASSERT_EQ(index, static_cast<int>(Rows.size()));
    Rows.push_back(row);
  }
  void ProgressRowChanged(int index, const TProgressRow& row) override {
    Note();
    Rows.at(index) = row;
  }
  void ShowCurrentFile(const std::string& text) override { CurrentFile = text; }
  void ShowProgress(const TProgressDisplay& display) override {
    Note();
    Displays.push_back(display);
  }
  void PlaySound(const std::string& path) override { Events.push_back("sound " + path); }
  bool RunShutdownCountdown() override {
    Events.push_back("countdown");
    return CountdownRunsOut;
  }
  void Shutdown() override { Events.push_back("shutdown"); }
  void ShowSummary(const TSummary& summary) override {
    Note();
    Events.push_back("summary");
    Summary = summary;
    ++Summaries;
  }

  const TProgressDisplay& LastDisplay() const { return Displays.back(); }

  std::vector<std::string> Log;
  std::vector<std::vector<std::string>> FailedShown;
  TRunLayout Layout;
  std::vector<TProgressRow> Rows;
  std::string CurrentFile;
  std::vector<TProgressDisplay> Displays;
  std::vector<std::string> Events;
  TSummary Summary;
  int Summaries = 0;
  int ListClears = 0;
  bool CountdownRunsOut = false;
  std::set<std::thread::id> Threads;

 private:
  void Note() { Threads.insert(std::this_thread::get_id()); }
};

// A clock the test moves.
struct TManualClock {
  std::chrono::steady_clock::time_point Now{std::chrono::seconds(1000)};
  TConversionRun::TClock Function() {
    return [this] { return Now; };
  }
};

// A file-list row as AddFiles makes it, for a file that need not exist.
inline TFileListRow RowFor(const std::string& path, int64_t duration = -1, int width = -1, int height = -1) {
  TFileListRow row;
  row.Facts.FileName = path;
  row.Facts.Duration = duration;
  row.Facts.Width = width;
  row.Facts.Height = height;
  row.Facts.AspectRatio = width > 0 ? static_cast<double>(width) / height : -1.0;
  row.Cells = FileListCells(row.Facts, path);
  return row;
}

}  // namespace mediaconv::convert::test
