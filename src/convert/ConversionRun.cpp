#include "convert/ConversionRun.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "app/FileNameHelpers.h"
#include "app/TimeText.h"
#include "convert/CheckPipeline.h"
#include "convert/Completion.h"
#include "engine/prober/FFDecoder.h"
#include "profiles/FormatCatalogue.h"

namespace mediaconv::convert {
namespace {

std::string NameWithoutFolder(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Up to and including the last separator; empty for a bare name.
std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

struct TConversionRun::TLink {
  TLink(TConversionRun* run, app::TMainThread& mainThread, size_t lanes)
      : Run(run), MainThread(mainThread), Lanes(lanes) {}

  // Read and written on the main thread only.
  TConversionRun* Run;
  int Generation = 0;
  app::TMainThread& MainThread;
  // Set on the main thread; terminate threads stop waiting on it.
  std::atomic<bool> Closed{false};
  // The tasks of each lane's current list and how many of them have ended:
  // the list's final event waits for every task's end.
  struct TListCounts {
    std::atomic<int> Tasks{0};
    std::atomic<int> Ended{0};
  };
  std::vector<TListCounts> Lanes;
};

TConversionRun::TConversionRun(TRunEncoder& encoder, TRunView& view, app::TMainThread& mainThread,
                               TClock clock)
    : TConversionRun(std::vector<TRunEncoder*>{&encoder}, view, mainThread, std::move(clock)) {}

TConversionRun::TConversionRun(std::vector<TRunEncoder*> lanes, TRunView& view, app::TMainThread& mainThread,
                               TClock clock)
    : view_(view), clock_(std::move(clock)) {
  if (lanes.empty()) throw std::invalid_argument("a conversion run needs an encoder");
  for (TRunEncoder* encoder : lanes) lanes_.push_back(TLane{encoder});
  link_ = std::make_shared<TLink>(this, mainThread, lanes_.size());
  if (!clock_) clock_ = [] { return std::chrono::steady_clock::now(); };
}

TConversionRun::~TConversionRun() {
  link_->Closed = true;
  link_->Run = nullptr;
}

bool TConversionRun::Closed() const { return link_->Closed.load(); }

TConversionRun::TTerminateHandler TConversionRun::TerminateHandler(int lane) const {
  return [link = link_, lane](const engine::TTerminateInfo& info) { Terminate(link, lane, info); };
}

TConversionRun::TProgressHandler TConversionRun::ProgressHandler(int lane) const {
  // Progress is handed to the main thread by the encoder.
  return [link = link_, lane](const engine::TProgressInfo& info) {
    if (link->Run) link->Run->OnProgress(info, lane);
  };
}

void TConversionRun::ResetCounters() {
  rows_.clear();
  queue_.clear();
  errorLines_.clear();
  summary_ = {};
  succeededCount_ = 0;
  endedCount_ = 0;
  skippedFiles_ = 0;
  unwritableFiles_ = 0;
  errors_.clear();
  queuedDuration_ = 0;
  doneDuration_ = 0;
  barPosition_ = 0;
  lastTimes_ = {};
  cancelled_ = false;
  completed_ = false;
  stopping_ = false;
  for (size_t i = 0; i < lanes_.size(); ++i) {
    lanes_[i].Row = -1;
    lanes_[i].Running = false;
    lanes_[i].Position = 0;
    link_->Lanes[i].Tasks = 0;
    link_->Lanes[i].Ended = 0;
  }
}

void TConversionRun::Start(std::span<const TFileListRow> files, const TRunOptions& options) {
  if (link_->Closed) return;
  ++link_->Generation;
  options_ = options;
  ResetCounters();

  layout_.Joined = options.Join;
  layout_.StatusTitle = options.Join ? "Width x Height" : "Status";
  layout_.ProgressTitle = options.Join ? "Aspect Ratio" : "Progress";
  layout_.CurrentFileLabel = options.Join ? "Output file:" : "Current file:";
  view_.ProgressListCleared();
  view_.ShowRunLayout(layout_);
  CheckPresetIndex();

  if (!ClearLeftOverTasks()) {
    runStart_ = clock_();
    Complete();
    return;
  }
  if (options.Join) {
    CreateJoinedTask(files);
    totalFiles_ = 1;
  } else {
    CheckFiles(files);
    totalFiles_ = static_cast<int>(rows_.size());
  }
  runStart_ = clock_();
  // Also a stop that came before any file was checked ends the run as stopped.
  if (StopRequested()) {
    EndUnstarted();
    return;
  }
  const bool nothingToRun = options.Join ? FirstEncoder().TasksCount() == 0 : queue_.empty();
  if (nothingToRun) {
    Complete();
    return;
  }
  running_ = true;
  if (options.Join) {
    TLane& lane = lanes_.front();
    lane.Row = 0;
    lane.Running = true;
    link_->Lanes[0].Tasks = FirstEncoder().TasksCount();
    FirstEncoder().StartTask(1);
  } else {
    StartLanes();
  }
}

bool TConversionRun::ClearLeftOverTasks() {
  // The last run's clear may still be on its way to the main loop.
  for (TLane& lane : lanes_) {
    if (lane.Encoder->TasksCount() == 0) continue;
    try {
      lane.Encoder->ClearTasks();
    } catch (const std::exception& error) {
      view_.AppendLog(error.what());
      return false;
    }
  }
  return true;
}

void TConversionRun::EndUnstarted() {
  cancelled_ = true;
  queue_.clear();
  for (size_t i = 0; i < rows_.size(); ++i) {
    rows_[i].Status = kStatusFailed;
    view_.ProgressRowChanged(static_cast<int>(i), rows_[i]);
  }
  endedCount_ = static_cast<int>(rows_.size());
  Complete();
}

void TConversionRun::CheckPresetIndex() {
  profiles::TOutputChoice& choice = options_.Choice;
  const profiles::TFormatInfo* format = profiles::FindFormat(choice.ClassId, choice.FormatId);
  if (!format ||
      (choice.PresetIndex >= 0 && choice.PresetIndex < static_cast<int32_t>(format->Captions.size())))
    return;
  // A hand-edited or damaged settings file: without this the builder applies
  // no preset at all and the output gets the libraries' defaults.
  view_.AppendLog("Warning: preset " + std::to_string(choice.PresetIndex) + " is not one of the " +
                  std::string(format->Name) + " presets; the default preset " +
                  std::to_string(format->DefaultPreset) + " is used.");
  choice.PresetIndex = format->DefaultPreset;
}

void TConversionRun::CheckFiles(std::span<const TFileListRow> files) {
  profiles::TOutputNames names;
  if (lanes_.size() == 1 || files.size() < 2) {
    TRunEncoder& encoder = FirstEncoder();
    for (const TFileListRow& file : files) {
      if (StopRequested()) break;
      CountCheck(FinishCheck(encoder, file, OpenForCheck(encoder, file.FullName()), names));
    }
    return;
  }
  // Opening is most of a check: the lanes open side by side, and the files
  // are finished in list order, so names, rows and log lines stay as one
  // lane would give them.
  std::vector<TOpenedFile> opened(files.size());
  TCheckPipeline pipeline(
      std::min(lanes_.size(), files.size()), files.size(),
      [&](size_t lane, size_t item) {
        opened[item] = OpenForCheck(*lanes_[lane].Encoder, files[item].FullName());
      },
      link_->MainThread);
  for (size_t item = 0; item < files.size(); ++item) {
    if (StopRequested()) break;
    pipeline.WaitOpened(item);
    CountCheck(FinishCheck(*lanes_[pipeline.LaneOf(item)].Encoder, files[item], opened[item], names));
    pipeline.Done(item);
  }
  // A file opened past a stop stays with its lane until the run clears it.
}

void TConversionRun::CountCheck(TTaskSetup setup) {
  if (setup == tsCreated) return;
  ++skippedFiles_;
  if (setup == tsOutputFailed) ++unwritableFiles_;
}

// The file is set up as a task once to learn whether it can be, and freed at
// once: a queued task would hold its input open until its turn. The task's
// own open input describes the file, so the check opens it only once.
// Touches only the encoder: lanes open on their own threads.
TConversionRun::TOpenedFile TConversionRun::OpenForCheck(TRunEncoder& encoder, const std::string& fileName) {
  TOpenedFile opened;
  opened.Input.FileName = fileName;
  try {
    opened.Task = encoder.AddTask(fileName, &opened.Input);
    if (opened.Task < 0) {
      opened.Error = encoder.LastErrMsg();
      return opened;
    }
    if (engine::TFFDecoder* input = encoder.TaskInput(opened.Task)) opened.Described = DescribeInput(*input);
  } catch (...) {
    opened.Failure = std::current_exception();
  }
  return opened;
}

TConversionRun::TTaskSetup TConversionRun::FinishCheck(TRunEncoder& encoder, const TFileListRow& file,
                                                       const TOpenedFile& opened,
                                                       profiles::TOutputNames& names) {
  if (opened.Failure) std::rethrow_exception(opened.Failure);
  if (opened.Task < 0) {
    SkipUnopened(file.FullName(), encoder, opened.Error);
    return tsInputFailed;
  }
  TQueuedTask queued;
  queued.Input = opened.Input;
  queued.Output = profiles::BuildOutputOptions(options_.Choice, opened.Described.Facts, &names);

  TTaskSetup setup = tsOutputFailed;
  if (encoder.SetOutputFile(opened.Task, queued.Output.FileName, &queued.Output)) {
    const TDescribedInput& facts = opened.Described;
    const std::string& name = facts.Facts.FileName.empty() ? queued.Input.FileName : facts.Facts.FileName;
    TProgressRow row;
    row.Caption = NameWithoutFolder(name);
    row.Duration = DurationText(facts.Duration);
    row.Status = kStatusWaiting;
    row.Path = FolderOf(name);
    row.FileDuration = facts.Duration > 0 ? facts.Duration : 0;
    row.OutputFile = queued.Output.FileName;
    queuedDuration_ += row.FileDuration;
    rows_.push_back(row);
    queued.Row = static_cast<int>(rows_.size()) - 1;
    queue_.push_back(std::move(queued));
    view_.ProgressRowAdded(static_cast<int>(rows_.size()) - 1, row);
    view_.AppendLog("File has been added to convert list.");
    setup = tsCreated;
  } else {
    Skip(file.FullName(), "Cannot do convert, error: " + encoder.LastErrMsg());
  }
  encoder.RemoveTask(opened.Task);
  return setup;
}

TConversionRun::TDescribedInput TConversionRun::DescribeInput(engine::TFFDecoder& input) {
  TDescribedInput described;
  described.Facts.FileName = input.GetFileName();
  engine::TAudioStreamInfo audio;
  if (input.GetAudioStreamInfo(-1, audio)) described.Facts.AudioBitrate = audio.BitRate;
  engine::TFileStreamInfo info;
  described.Duration = input.GetFileStreamInfo(info) ? info.Duration : -1;
  return described;
}

// A file the prober cannot load says so in the prober's words; one it can,
// in the encoder's.
void TConversionRun::SkipUnopened(const std::string& file, TRunEncoder& encoder,
                                  const std::string& encoderError) {
  engine::TFFDecoder& prober = encoder.Decoder();
  if (!prober.LoadFile(file)) {
    Skip(file, "File load error: " + prober.LastError());
    return;
  }
  prober.CloseFile();
  Skip(file, "Adding file error: " + encoderError);
}

void TConversionRun::Skip(const std::string& file, const std::string& reason) {
  view_.AppendLog(reason);
  view_.FileSkipped(file, reason);
}

bool TConversionRun::SetUpTask(TRunEncoder& encoder, TQueuedTask& queued, std::string& error) {
  const int task = encoder.AddTask(queued.Input.FileName, &queued.Input);
  if (task < 0) {
    error = "Adding file error: " + encoder.LastErrMsg();
    return false;
  }
  if (!encoder.SetOutputFile(task, queued.Output.FileName, &queued.Output)) {
    error = "Cannot do convert, error: " + encoder.LastErrMsg();
    encoder.RemoveTask(task);
    return false;
  }
  return true;
}

void TConversionRun::StartLanes() {
  for (size_t lane = 0; lane < lanes_.size() && running_; ++lane) StartNext(static_cast<int>(lane));
}

void TConversionRun::StartNext(int laneIndex) {
  if (!running_ || link_->Closed) return;
  TLane& lane = lanes_[laneIndex];
  TRunEncoder& encoder = *lane.Encoder;
  lane.Running = false;
  lane.Row = -1;
  lane.Position = 0;
  if (encoder.TasksCount() > 0) encoder.ClearTasks();
  while (!queue_.empty()) {
    // A stop that came while the last task was set up (a slow input) starts nothing.
    if (cancelled_ || StopRequested()) {
      cancelled_ = true;
      break;
    }
    TQueuedTask queued = std::move(queue_.front());
    queue_.pop_front();
    std::string error;
    // The input may have gone, or its folder become read-only, since it was checked.
    if (!SetUpTask(encoder, queued, error)) {
      view_.AppendLog(error);
      EndRow(queued.Row, false, {}, error);
      continue;
    }
    if (StopRequested()) {
      // The stop came while the input was opened: the file is not started.
      cancelled_ = true;
      encoder.ClearTasks();
      EndRow(queued.Row, false, {}, {});
      break;
    }
    lane.Row = queued.Row;
    lane.Running = true;
    link_->Lanes[laneIndex].Tasks = encoder.TasksCount();
    link_->Lanes[laneIndex].Ended = 0;
    encoder.StartTask(1);
    return;
  }
  FinishIfIdle();
}

void TConversionRun::CreateJoinedTask(std::span<const TFileListRow> files) {
  std::vector<profiles::TJoinInput> inputs;
  inputs.reserve(files.size());
  for (const TFileListRow& file : files) {
    profiles::TJoinInput input;
    input.FileName = file.FullName();
    input.RealDuration = file.RealDuration();
    input.Width = file.Facts.Width;
    input.Height = file.Facts.Height;
    input.AspectRatio = file.Facts.AspectRatio;
    inputs.push_back(std::move(input));
  }
  const profiles::TJoinedTask joined = profiles::BuildJoinedTask(
      options_.Choice, inputs, FirstEncoder(), [this](const std::string& line) { view_.AppendLog(line); });
  // Inputs that were left out, and all of them when the output could not be set.
  skippedFiles_ =
      static_cast<int>(files.size()) - (joined.Created ? static_cast<int>(joined.Rows.size()) : 0);
  if (!joined.Created) return;
  queuedDuration_ = joined.QueuedDuration;
  for (const profiles::TJoinProgressRow& joinedRow : joined.Rows) {
    TProgressRow row;
    row.Caption = joinedRow.Caption;
    row.Duration = joinedRow.DurationText;
    row.Status = joinedRow.PictureSize;
    row.Progress = joinedRow.AspectRatio;
    row.Path = joinedRow.OutputPath;
    row.FileDuration = joinedRow.Duration;
    row.OutputFile = joined.OutputFileName;
    rows_.push_back(row);
    view_.ProgressRowAdded(static_cast<int>(rows_.size()) - 1, row);
  }
}

double TConversionRun::ElapsedSeconds() const {
  return std::chrono::duration<double>(clock_() - runStart_).count();
}

int TConversionRun::RowOfTask(int lane, int taskIndex) const {
  if (taskIndex < 0 || lane < 0 || lane >= static_cast<int>(lanes_.size())) return -1;
  // A joined run is one task whose rows are its inputs; the first stands for it.
  const int row = layout_.Joined ? taskIndex : lanes_[lane].Row;
  return row < static_cast<int>(rows_.size()) ? row : -1;
}

void TConversionRun::OnProgress(const engine::TProgressInfo& info, int lane) {
  if (link_->Closed) return;
  const int index = RowOfTask(lane, info.TaskIndex);
  if (index < 0) return;
  TProgressRow& row = rows_[index];
  view_.ShowCurrentFile(layout_.Joined ? row.Path : app::WithTrailingSeparator(row.Path) + row.Caption);
  if (info.TotalDuration > 0) {
    barPosition_ = TaskPercent(info.CurrentDuration, info.TotalDuration);
    if (!layout_.Joined) {
      row.Progress = std::to_string(barPosition_) + "%";
      row.Status = kStatusConverting;
      view_.ProgressRowChanged(index, row);
    }
  } else if (!layout_.Joined) {
    row.Progress = kProgressNotAvailable;
    view_.ProgressRowChanged(index, row);
  }
  lanes_[lane].Position = info.CurrentDuration;
  int64_t position = 0;
  for (const TLane& each : lanes_) position += each.Position;
  lastTimes_ = RunTimeTexts(queuedDuration_, doneDuration_, position, ElapsedSeconds());
  TProgressDisplay display;
  display.TaskIndex = index;
  display.BarPosition = barPosition_;
  display.PercentText = std::to_string(barPosition_) + "%";
  display.Times = lastTimes_;
  view_.ShowProgress(display);
}

void TConversionRun::OnTerminate(const engine::TTerminateInfo& info, int lane) {
  Terminate(link_, lane, info);
}

void TConversionRun::Terminate(const std::shared_ptr<TLink>& link, int lane,
                               const engine::TTerminateInfo& info) {
  TLink::TListCounts& counts = link->Lanes.at(lane);
  if (info.TaskIndex >= 0) {
    // The record belongs to the caller and lives until this returns.
    link->MainThread.InvokeAndWait([link, lane, &counts, &info] {
      if (link->Run && !link->Closed) link->Run->TaskEnded(lane, info);
      ++counts.Ended;
      link->MainThread.Notify();
    });
    return;
  }
  // Terminate deliveries of one list may overlap; wait for every task's.
  link->MainThread.ServeUntil(
      [link, &counts] { return counts.Ended.load() >= counts.Tasks.load() || link->Closed; });
  link->MainThread.InvokeAndWait([link, lane] {
    if (link->Run && !link->Closed) link->Run->ListEnded(lane);
  });
}

void TConversionRun::TaskEnded(int lane, const engine::TTerminateInfo& info) {
  const int row = RowOfTask(lane, info.TaskIndex);
  lanes_[lane].Position = 0;
  if (info.Finished) {
    ++succeededCount_;
    if (row >= 0) doneDuration_ += layout_.Joined ? queuedDuration_ : rows_[row].FileDuration;
    barPosition_ = 100;
    TProgressDisplay display;
    display.TaskIndex = row >= 0 ? row : info.TaskIndex;
    display.BarPosition = 100;
    display.PercentText = "100%";
    display.Times = lastTimes_;
    view_.ShowProgress(display);
  }
  EndRow(row >= 0 ? row : info.TaskIndex, info.Finished, info.OutputFileName,
         info.Exception ? info.ExceptionMsg : std::string());
}

// Numbers the error by the row: the rows are the tasks of the run, in order.
void TConversionRun::EndRow(int index, bool finished, const std::string& outputFile,
                            const std::string& error) {
  if (index >= 0 && index < static_cast<int>(rows_.size())) {
    TProgressRow& row = rows_[index];
    // The name may have been taken while the file was written.
    if (!outputFile.empty()) row.OutputFile = outputFile;
    row.WrittenFile = outputFile;
    row.Error = error;
    if (finished) {
      row.Progress = "100%";
      row.Status = kStatusFinished;
    } else {
      row.Status = kStatusFailed;
    }
    view_.ProgressRowChanged(index, row);
  }
  if (!error.empty()) {
    errorLines_.push_back("File (" + std::to_string(index) + "): " + error);
    errors_.push_back({index, error});
  }
  ++endedCount_;
}

void TConversionRun::ListEnded(int lane) {
  lanes_[lane].Running = false;
  lanes_[lane].Position = 0;
  // Served from inside Stop: the encoder is still walking its tasks, so
  // clearing them has to wait until Stop has returned (Cancel and Close
  // carry on from there).
  if (stopping_) return;
  LaneIdle(lane);
}

void TConversionRun::LaneIdle(int lane) {
  if (!running_) return;
  if (cancelled_ || queue_.empty() || layout_.Joined) {
    FinishIfIdle();
    return;
  }
  // The next task is set up once the encoder allows its list to be cleared.
  lanes_[lane].Running = true;
  lanes_[lane].Encoder->WhenListDone([link = link_, generation = link_->Generation, lane] {
    if (link->Run && !link->Closed && link->Generation == generation) link->Run->StartNext(lane);
  });
}

bool TConversionRun::AnyLaneRunning() const {
  for (const TLane& lane : lanes_)
    if (lane.Running) return true;
  return false;
}

void TConversionRun::FinishIfIdle() {
  if (!running_ || AnyLaneRunning()) return;
  // Files that never got their turn end as failed, as the encoder ends the
  // unstarted tasks of a stopped list.
  while (!queue_.empty()) {
    EndRow(queue_.front().Row, false, {}, {});
    queue_.pop_front();
  }
  Complete();
}

void TConversionRun::Cancel() {
  if (!running_ || cancelled_ || link_->Closed) return;
  cancelled_ = true;
  stopping_ = true;
  for (TLane& lane : lanes_)
    if (lane.Running) lane.Encoder->Stop(true);
  stopping_ = false;
  // Lanes whose list ended inside Stop; the others end when their final event comes.
  FinishIfIdle();
}

void TConversionRun::Close() {
  if (link_->Closed) return;
  // From here on every hand-off, also one a terminate thread holds, does nothing.
  link_->Closed = true;
  link_->MainThread.Notify();
  if (running_) {
    stopping_ = true;
    for (TLane& lane : lanes_)
      if (lane.Running) lane.Encoder->Stop(true);
    stopping_ = false;
    running_ = false;
  }
  queue_.clear();
  ClearEncoderTasks();
}

void TConversionRun::ClearEncoderTasks() {
  for (size_t lane = 0; lane < lanes_.size(); ++lane) {
    try {
      lanes_[lane].Encoder->ClearTasks();
    } catch (const std::exception&) {
      // The encoder marks its list done only after it has handed out the
      // final event (in a synchronous run, after the handler returned).
      lanes_[lane].Encoder->WhenListDone([link = link_, generation = link_->Generation, lane] {
        if (link->Run && link->Generation == generation) link->Run->lanes_[lane].Encoder->ClearTasks();
      });
    }
  }
}

void TConversionRun::Complete() {
  ClearEncoderTasks();
  running_ = false;
  view_.ShowCurrentFile("...");
  barPosition_ = 0;
  TProgressDisplay display;
  display.BarPosition = 0;
  display.PercentText = "0%";
  display.Times = lastTimes_;
  view_.ShowProgress(display);

  const app::AppSettings* settings = options_.Settings;
  const std::string sound =
      CompletionSound(settings && settings->PlayASoundWhenFinished, succeededCount_, totalFiles_);
  if (!sound.empty()) view_.PlaySound(options_.SoundFolder + sound);
  if (settings && AsksForShutdown(settings->ShutDownWhenFinished) && view_.RunShutdownCountdown())
    view_.Shutdown();
  ShowSummary();
}

void TConversionRun::ShowSummary() {
  summary_.TotalFiles = totalFiles_;
  summary_.SucceededCount = succeededCount_;
  summary_.FailedCount = totalFiles_ - succeededCount_;
  summary_.SkippedFiles = skippedFiles_;
  summary_.UnwritableFiles = unwritableFiles_;
  summary_.Errors = errors_;
  summary_.Cancelled = cancelled_;
  summary_.ErrorLines = errorLines_;
  completed_ = true;
  view_.ShowSummary(summary_);
}

}  // namespace mediaconv::convert
