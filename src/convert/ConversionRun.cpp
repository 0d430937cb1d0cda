#include "convert/ConversionRun.h"

#include <stdexcept>
#include <thread>

#include "app/FileNameHelpers.h"
#include "app/TimeText.h"
#include "convert/Completion.h"
#include "engine/decoder/FFDecoder.h"
#include "profiles/FormatCatalogue.h"

namespace mediaconv::convert {
namespace {

using namespace std::chrono_literals;

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
  explicit TLink(TConversionRun* run, app::TMainThread& mainThread) : Run(run), MainThread(mainThread) {}

  // Read and written on the main thread only.
  TConversionRun* Run;
  int Generation = 0;
  app::TMainThread& MainThread;
  // Set on the main thread; terminate threads stop waiting on it.
  std::atomic<bool> Closed{false};
  std::atomic<int> EndedCount{0};
  std::atomic<int> TasksCount{0};
};

TConversionRun::TConversionRun(TRunEncoder& encoder, TRunView& view, app::TMainThread& mainThread,
                               TClock clock)
    : encoder_(encoder),
      view_(view),
      clock_(std::move(clock)),
      link_(std::make_shared<TLink>(this, mainThread)) {
  if (!clock_) clock_ = [] { return std::chrono::steady_clock::now(); };
}

TConversionRun::~TConversionRun() {
  link_->Closed = true;
  link_->Run = nullptr;
}

bool TConversionRun::Closed() const { return link_->Closed.load(); }
int TConversionRun::EndedCount() const { return link_->EndedCount.load(); }

TConversionRun::TTerminateHandler TConversionRun::TerminateHandler() const {
  return [link = link_](const engine::TTerminateInfo& info) { Terminate(link, info); };
}

TConversionRun::TProgressHandler TConversionRun::ProgressHandler() const {
  // Progress is handed to the main thread by the encoder.
  return [link = link_](const engine::TProgressInfo& info) {
    if (link->Run) link->Run->OnProgress(info);
  };
}

void TConversionRun::Start(std::span<const TFileListRow> files, const TRunOptions& options) {
  if (link_->Closed) return;
  ++link_->Generation;
  options_ = options;
  rows_.clear();
  errorLines_.clear();
  summary_ = {};
  succeededCount_ = 0;
  link_->EndedCount = 0;
  link_->TasksCount = 0;
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
  completePending_ = false;

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
    CreateTasks(files);
    totalFiles_ = static_cast<int>(rows_.size());
  }
  link_->TasksCount = encoder_.TasksCount();
  runStart_ = clock_();
  if (link_->TasksCount == 0) {
    Complete();
    return;
  }
  if (StopRequested()) {
    EndUnstarted();
    return;
  }
  running_ = true;
  encoder_.StartTask(1);
}

bool TConversionRun::ClearLeftOverTasks() {
  // The last run's clear may still be on its way to the main loop.
  if (encoder_.TasksCount() == 0) return true;
  try {
    encoder_.ClearTasks();
    return true;
  } catch (const std::exception& error) {
    view_.AppendLog(error.what());
    return false;
  }
}

void TConversionRun::EndUnstarted() {
  cancelled_ = true;
  for (size_t i = 0; i < rows_.size(); ++i) {
    rows_[i].Status = kStatusFailed;
    view_.ProgressRowChanged(static_cast<int>(i), rows_[i]);
  }
  link_->EndedCount = link_->TasksCount.load();
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

void TConversionRun::CreateTasks(std::span<const TFileListRow> files) {
  profiles::TOutputNames names;
  for (const TFileListRow& file : files) {
    if (StopRequested()) break;
    if (const TTaskSetup setup = CreateTask(file, names); setup != tsCreated) {
      ++skippedFiles_;
      if (setup == tsOutputFailed) ++unwritableFiles_;
    }
  }
}

TConversionRun::TTaskSetup TConversionRun::CreateTask(const TFileListRow& file,
                                                      profiles::TOutputNames& names) {
  engine::TFFDecoder& prober = encoder_.Decoder();
  if (!prober.LoadFile(file.FullName())) {
    view_.AppendLog("File load error: " + prober.LastError());
    return tsInputFailed;
  }
  profiles::TInputFacts facts;
  facts.FileName = prober.GetFileName();
  engine::TAudioStreamInfo audio;
  if (prober.GetAudioStreamInfo(-1, audio)) facts.AudioBitrate = audio.BitRate;
  engine::TFileStreamInfo info;
  const int64_t duration = prober.GetFileStreamInfo(info) ? info.Duration : -1;
  engine::TOutputOptions output = profiles::BuildOutputOptions(options_.Choice, facts, &names);

  engine::TInputOptions input;
  input.FileName = facts.FileName;
  input.FileFormat = prober.ForcedFormat();
  TTaskSetup setup = tsInputFailed;
  const int task = encoder_.AddTask(input.FileName, &input);
  if (task < 0) {
    view_.AppendLog("Adding file error: " + encoder_.LastErrMsg());
  } else if (encoder_.SetOutputFile(task, output.FileName, &output)) {
    TProgressRow row;
    row.Caption = NameWithoutFolder(facts.FileName);
    row.Duration = DurationText(duration);
    row.Status = kStatusWaiting;
    row.Path = FolderOf(facts.FileName);
    row.FileDuration = duration > 0 ? duration : 0;
    row.OutputFile = output.FileName;
    queuedDuration_ += row.FileDuration;
    rows_.push_back(row);
    view_.ProgressRowAdded(static_cast<int>(rows_.size()) - 1, row);
    view_.AppendLog("File has been added to convert list.");
    setup = tsCreated;
  } else {
    encoder_.RemoveTask(task);
    view_.AppendLog("Cannot do convert, error: " + encoder_.LastErrMsg());
    setup = tsOutputFailed;
  }
  prober.CloseFile();
  return setup;
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
      options_.Choice, inputs, encoder_, [this](const std::string& line) { view_.AppendLog(line); });
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

void TConversionRun::OnProgress(const engine::TProgressInfo& info) {
  if (link_->Closed || info.TaskIndex < 0 || info.TaskIndex >= static_cast<int>(rows_.size())) return;
  TProgressRow& row = rows_[info.TaskIndex];
  view_.ShowCurrentFile(layout_.Joined ? row.Path : app::WithTrailingSeparator(row.Path) + row.Caption);
  if (info.TotalDuration > 0) {
    barPosition_ = TaskPercent(info.CurrentDuration, info.TotalDuration);
    if (!layout_.Joined) {
      row.Progress = std::to_string(barPosition_) + "%";
      row.Status = kStatusConverting;
      view_.ProgressRowChanged(info.TaskIndex, row);
    }
  } else if (!layout_.Joined) {
    row.Progress = kProgressNotAvailable;
    view_.ProgressRowChanged(info.TaskIndex, row);
  }
  lastTimes_ = RunTimeTexts(queuedDuration_, doneDuration_, info.CurrentDuration, ElapsedSeconds());
  TProgressDisplay display;
  display.TaskIndex = info.TaskIndex;
  display.BarPosition = barPosition_;
  display.PercentText = std::to_string(barPosition_) + "%";
  display.Times = lastTimes_;
  view_.ShowProgress(display);
}

void TConversionRun::OnTerminate(const engine::TTerminateInfo& info) { Terminate(link_, info); }

void TConversionRun::Terminate(const std::shared_ptr<TLink>& link, const engine::TTerminateInfo& info) {
  if (info.TaskIndex >= 0) {
    // The record belongs to the caller and lives until this returns.
    link->MainThread.InvokeAndWait([link, &info] {
      if (link->Run && !link->Closed)
        link->Run->TaskEnded(info);
      else
        ++link->EndedCount;
    });
    return;
  }
  // Terminate deliveries of one list may overlap; wait for every task's.
  const bool onMain = link->MainThread.IsMainThread();
  while (link->EndedCount.load() < link->TasksCount.load() && !link->Closed) {
    if (onMain) link->MainThread.ServePending();
    std::this_thread::sleep_for(10ms);
  }
  link->MainThread.InvokeAndWait([link] {
    if (link->Run && !link->Closed) link->Run->ListEnded();
  });
}

void TConversionRun::TaskEnded(const engine::TTerminateInfo& info) {
  const bool hasRow = info.TaskIndex < static_cast<int>(rows_.size());
  if (info.Finished) {
    ++succeededCount_;
    if (hasRow) doneDuration_ += layout_.Joined ? queuedDuration_ : rows_[info.TaskIndex].FileDuration;
    barPosition_ = 100;
    TProgressDisplay display;
    display.TaskIndex = info.TaskIndex;
    display.BarPosition = 100;
    display.PercentText = "100%";
    display.Times = lastTimes_;
    view_.ShowProgress(display);
  }
  if (hasRow) {
    TProgressRow& row = rows_[info.TaskIndex];
    // The name may have been taken while the file was written.
    if (!info.OutputFileName.empty()) row.OutputFile = info.OutputFileName;
    row.WrittenFile = info.OutputFileName;
    if (info.Finished) {
      row.Progress = "100%";
      row.Status = kStatusFinished;
    } else {
      row.Status = kStatusFailed;
    }
    view_.ProgressRowChanged(info.TaskIndex, row);
  }
  if (info.Exception) {
    errorLines_.push_back("File (" + std::to_string(info.TaskIndex) + "): " + info.ExceptionMsg);
    errors_.push_back({info.TaskIndex, info.ExceptionMsg});
  }
  ++link_->EndedCount;
}

void TConversionRun::ListEnded() {
  // Served from inside Stop: the encoder is still walking its tasks, so
  // clearing them has to wait until Stop has returned.
  if (stopping_)
    completePending_ = true;
  else
    Complete();
}

void TConversionRun::Cancel() {
  if (!running_ || cancelled_ || link_->Closed) return;
  cancelled_ = true;
  stopping_ = true;
  encoder_.Stop(true);
  stopping_ = false;
  if (completePending_) {
    completePending_ = false;
    Complete();
  }
}

void TConversionRun::Close() {
  if (link_->Closed) return;
  // From here on every hand-off, also one a terminate thread holds, does nothing.
  link_->Closed = true;
  if (running_) {
    stopping_ = true;
    encoder_.Stop(true);
    stopping_ = false;
    running_ = false;
  }
  completePending_ = false;
  ClearEncoderTasks();
}

void TConversionRun::ClearEncoderTasks() {
  try {
    encoder_.ClearTasks();
  } catch (const std::exception&) {
    // The encoder marks its list done only after it has handed out the
    // final event (in a synchronous run, after the handler returned).
    encoder_.WhenListDone([link = link_, generation = link_->Generation] {
      if (link->Run && link->Generation == generation) link->Run->encoder_.ClearTasks();
    });
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
