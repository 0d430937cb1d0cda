#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "app/AppSettings.h"
#include "app/MainThread.h"
#include "convert/FileList.h"
#include "convert/ProgressTexts.h"
#include "convert/RunEncoder.h"
#include "engine/tasks/EncoderEvents.h"
#include "profiles/SelectionState.h"

namespace mediaconv::convert {

// Status and progress texts of a progress-list row.
inline constexpr const char* kStatusWaiting = "Waiting...";
inline constexpr const char* kStatusConverting = "Converting...";
inline constexpr const char* kStatusFinished = "Finish.";
inline constexpr const char* kStatusFailed = "Failed.";
inline constexpr const char* kProgressNotAvailable = "N/A";

// Labels of the summary page.
inline constexpr const char* kTotalFilesLabel = "Total files:";
inline constexpr const char* kSucceededLabel = "Successed:";
inline constexpr const char* kFailedLabel = "Failed:";

// One row of the progress list: one per task, in task order (a joined run:
// one per input, all of task 0). In a joined run the Status and Progress
// columns hold the picture size and the aspect ratio until the task ends.
struct TProgressRow {
  std::string Caption;  // input file name without its folder
  std::string Duration;
  std::string Status;
  std::string Progress;
  std::string Path;          // the input's folder; in a joined run the output path
  int64_t FileDuration = 0;  // microseconds; 0 when not known
  std::string OutputFile;    // where the task writes
  // Once the task has ended: the file it left (a stopped task keeps what it
  // wrote); empty when it left none.
  std::string WrittenFile;
  std::string Error;  // why the task failed, when it says
};

// Column titles and the first status label, which differ for a joined run.
struct TRunLayout {
  bool Joined = false;
  std::string StatusTitle;       // "Status" / "Width x Height"
  std::string ProgressTitle;     // "Progress" / "Aspect Ratio"
  std::string CurrentFileLabel;  // "Current file:" / "Output file:"
};

// The status box: bar, percentage label and the time labels.
struct TProgressDisplay {
  int TaskIndex = -1;
  int BarPosition = 0;      // 0..100
  std::string PercentText;  // the bar's position followed by "%"
  TTimeTexts Times;
};

// The error of one task, for front ends that word the summary line themselves.
struct TTaskError {
  int TaskIndex = -1;
  std::string Message;
};

struct TSummary {
  int TotalFiles = 0;
  int SucceededCount = 0;
  int FailedCount = 0;  // TotalFiles - SucceededCount
  // Files that never became tasks (unreadable, refused): not in the counts
  // above; their reasons are in the log.
  int SkippedFiles = 0;
  // Of those, the files whose output could not be set up (read-only or
  // missing folder, no permission).
  int UnwritableFiles = 0;
  bool Cancelled = false;
  std::vector<std::string> ErrorLines;  // "File (%d): message", with the 0-based task index
  std::vector<TTaskError> Errors;       // the same, one per line
};

// What the progress and summary pages show; called on the main thread.
class TRunView {
 public:
  virtual ~TRunView() = default;
  virtual void AppendLog(const std::string& line) = 0;
  // A file that does not become a task; the reason is also in the log.
  virtual void FileSkipped(const std::string& /*file*/, const std::string& /*reason*/) {}
  virtual void ShowRunLayout(const TRunLayout& layout) = 0;
  // A new run begins: the progress list is empty again.
  virtual void ProgressListCleared() = 0;
  virtual void ProgressRowAdded(int index, const TProgressRow& row) = 0;
  virtual void ProgressRowChanged(int index, const TProgressRow& row) = 0;
  virtual void ShowCurrentFile(const std::string& text) = 0;
  virtual void ShowProgress(const TProgressDisplay& display) = 0;
  virtual void PlaySound(const std::string& path) = 0;
  // The modal shutdown countdown; true when it ran out (shut down), false
  // when the user cancelled it.
  virtual bool RunShutdownCountdown() = 0;
  virtual void Shutdown() = 0;
  virtual void ShowSummary(const TSummary& summary) = 0;
};

struct TRunOptions {
  profiles::TOutputChoice Choice;
  bool Join = false;  // the edition's Merge: one task with every file as an input
  // Read when the run ends: the completion options may change while it runs.
  const app::AppSettings* Settings = nullptr;
  std::string SoundFolder;  // folder of "sounds/", with a trailing separator
  // Asked between the files while the tasks are set up (which may wait on a
  // slow input): a stop that arrived meanwhile starts nothing.
  std::function<bool()> StopRequested;
};

// One conversion run: checks every file of the list with the option builder's
// options, then sets each up as a task just before it starts, so a queued
// file holds no descriptor and next to no memory. Each encoder given is a
// lane that runs one task at a time; with several lanes as many tasks run at
// once, each lane taking the next file as its task ends. The run follows the
// progress and ends, and hands over to the completion actions and the summary.
// A joined run is one task on the first lane.
//
// Start, OnProgress, Cancel and Close are called on the main thread;
// OnTerminate on any thread (the encoder's terminate threads): its effects
// are carried out on the main thread, one at a time. The handlers given to
// the encoders hold no reference to the run itself, so a handler that a
// terminate thread already holds does nothing once the run is closed or gone.
class TConversionRun {
 public:
  using TClock = std::function<std::chrono::steady_clock::time_point()>;
  using TTerminateHandler = std::function<void(const engine::TTerminateInfo&)>;
  using TProgressHandler = std::function<void(const engine::TProgressInfo&)>;

  TConversionRun(TRunEncoder& encoder, TRunView& view, app::TMainThread& mainThread, TClock clock = {});
  // One lane per encoder; the first also probes the files.
  TConversionRun(std::vector<TRunEncoder*> lanes, TRunView& view, app::TMainThread& mainThread,
                 TClock clock = {});
  ~TConversionRun();
  TConversionRun(const TConversionRun&) = delete;
  TConversionRun& operator=(const TConversionRun&) = delete;

  // Checks the files and starts the first tasks. A run in which no file could
  // be set up ends at once (the encoder would send no event). A closed run
  // does not start again.
  void Start(std::span<const TFileListRow> files, const TRunOptions& options);
  // The events of a lane's encoder; a task index is the index in the lane's
  // list of one task.
  void OnProgress(const engine::TProgressInfo& info, int lane = 0);
  void OnTerminate(const engine::TTerminateInfo& info, int lane = 0);
  // What each lane's encoder events are bound to.
  TTerminateHandler TerminateHandler(int lane = 0) const;
  TProgressHandler ProgressHandler(int lane = 0) const;
  int LaneCount() const { return static_cast<int>(lanes_.size()); }
  // Stops the run; every unfinished task ends as failed and the run then ends
  // as usual.
  void Cancel();
  // The window is closing: stops the run without its completion actions or
  // summary, clears the tasks, and turns every hand-off still on its way
  // into nothing. Call it before the encoder goes.
  void Close();

  // The summary has been shown.
  bool Completed() const { return completed_.load(); }
  bool Cancelled() const { return cancelled_.load(); }
  bool Closed() const;
  bool Running() const { return running_.load(); }

  int TotalFiles() const { return totalFiles_; }
  int SucceededCount() const { return succeededCount_; }
  int EndedCount() const { return endedCount_; }
  int SkippedFiles() const { return skippedFiles_; }
  int64_t QueuedDuration() const { return queuedDuration_; }
  int64_t DoneDuration() const { return doneDuration_; }
  const std::vector<std::string>& ErrorLines() const { return errorLines_; }
  const std::vector<TProgressRow>& Rows() const { return rows_; }
  const TRunLayout& Layout() const { return layout_; }
  const TSummary& Summary() const { return summary_; }

 private:
  // What the hand-offs share with the run; outlives it.
  struct TLink;
  // A checked file waiting for its turn: what its task is set up with.
  struct TQueuedTask {
    int Row = -1;
    engine::TInputOptions Input;
    engine::TOutputOptions Output;
  };
  // One encoder and the row of the task it runs.
  struct TLane {
    TRunEncoder* Encoder = nullptr;
    int Row = -1;
    bool Running = false;
    int64_t Position = 0;  // microseconds into the running task
  };

  static void Terminate(const std::shared_ptr<TLink>& link, int lane, const engine::TTerminateInfo& info);
  TRunEncoder& FirstEncoder() const { return *lanes_.front().Encoder; }
  void ResetCounters();
  // A stored preset index outside the format's list becomes its default.
  void CheckPresetIndex();
  void CheckFiles(std::span<const TFileListRow> files);
  bool StopRequested() const { return options_.StopRequested && options_.StopRequested(); }
  void EndUnstarted();
  void CreateJoinedTask(std::span<const TFileListRow> files);
  enum TTaskSetup { tsCreated, tsInputFailed, tsOutputFailed };
  // What the check learns of a file from its open input.
  struct TDescribedInput {
    profiles::TInputFacts Facts;
    int64_t Duration = -1;
  };
  // A file opened as a task to be checked; Task is -1 when it could not be.
  struct TOpenedFile {
    engine::TInputOptions Input;
    int Task = -1;
    std::string Error;
    TDescribedInput Described;
    std::exception_ptr Failure;
  };
  static TOpenedFile OpenForCheck(TRunEncoder& encoder, const std::string& fileName);
  static TDescribedInput DescribeInput(engine::TFFDecoder& input);
  TTaskSetup FinishCheck(TRunEncoder& encoder, const TFileListRow& file, const TOpenedFile& opened,
                         profiles::TOutputNames& names);
  void CountCheck(TTaskSetup setup);
  void SkipUnopened(const std::string& file, TRunEncoder& encoder, const std::string& encoderError);
  void Skip(const std::string& file, const std::string& reason);
  // Sets the queued task up on the encoder; false with its error when it no
  // longer can be.
  bool SetUpTask(TRunEncoder& encoder, TQueuedTask& task, std::string& error);
  bool ClearLeftOverTasks();
  void StartLanes();
  // The lane's list has ended: its next file, or the end of the run.
  void StartNext(int lane);
  // The row of a lane's task, or -1.
  int RowOfTask(int lane, int taskIndex) const;
  void TaskEnded(int lane, const engine::TTerminateInfo& info);
  void EndRow(int row, bool finished, const std::string& outputFile, const std::string& error);
  void ListEnded(int lane);
  void LaneIdle(int lane);
  bool AnyLaneRunning() const;
  // Ends the run once no lane works; files still queued end as failed.
  void FinishIfIdle();
  void Complete();
  // Clears the encoders' lists now, or once each is done.
  void ClearEncoderTasks();
  void ShowSummary();
  double ElapsedSeconds() const;

  std::vector<TLane> lanes_;
  TRunView& view_;
  TClock clock_;
  TRunOptions options_;
  TRunLayout layout_;

  std::vector<TProgressRow> rows_;
  std::deque<TQueuedTask> queue_;
  int endedCount_ = 0;
  int totalFiles_ = 0;
  int succeededCount_ = 0;
  int skippedFiles_ = 0;
  int unwritableFiles_ = 0;
  std::vector<TTaskError> errors_;
  int barPosition_ = 0;
  TTimeTexts lastTimes_;
  std::chrono::steady_clock::time_point runStart_{};
  int64_t queuedDuration_ = 0;
  int64_t doneDuration_ = 0;
  std::vector<std::string> errorLines_;
  TSummary summary_;
  std::atomic<bool> running_{false};
  std::atomic<bool> cancelled_{false};
  std::atomic<bool> completed_{false};
  bool stopping_ = false;  // inside Stop (main thread only)
  std::shared_ptr<TLink> link_;
};

}  // namespace mediaconv::convert
