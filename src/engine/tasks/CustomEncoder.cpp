#include "engine/tasks/CustomEncoder.h"

#include <pthread.h>
#include <sched.h>

#include <chrono>
#include <cmath>
#include <ctime>

#include "app/MainThread.h"
#include "engine/loader/FFLoader.h"
#include "engine/log/FFLogger.h"
#include "engine/tasks/DoTerminateThread.h"
#include "engine/transcoder/ConvertThread.h"
#include "engine/transcoder/TargetPresets.h"

namespace mediaconv::engine {

namespace {

// The target type of a record's Target, or nullptr for none.
const char* TargetType(int32_t target) {
  static const char* const kTypes[] = {"vcd", "svcd", "dvd"};
  return target >= kTargetVcd && target <= kTargetDvd ? kTypes[target - kTargetVcd] : nullptr;
}

// A target's audio bit rate is chosen for its own audio codec (448 kb/s for
// the DVD's AC-3). When the record names another audio codec, that rate may
// be one the codec refuses (MP2 stops at 384 kb/s), so the record's own rate
// applies instead.
bool RecordAudioCodecReplacesTargets(const TOutputOptions& record) {
  const char* type = TargetType(record.Target);
  if (!type || record.AudioCodec.empty()) return false;
  const TTargetPreset* preset = FindTargetPreset(type);
  return preset && preset->audioCodec && record.AudioCodec != preset->audioCodec;
}

std::string ErrorText(const TFFmpeg& task, const char* message) {
  if (message && *message) return message;
  return task.LastErrorText();
}

TInputFields InputFields(const TInputOptions& options) {
  TInputFields fields;
  fields.formatName = options.FileFormat;
  fields.startTime = options.StartTime;
  fields.programId = options.ProgramID;
  return fields;
}

// Linux has no per-thread priority levels for ordinary threads: the lower
// ones map to the idle and batch policies. Raising needs privileges and the
// real-time policies could starve the desktop, so the higher ones stay normal.
void ApplyPriority(TConvertThread& thread, TThreadPriority priority) {
  int policy = SCHED_OTHER;
  if (priority == tpIdle)
    policy = SCHED_IDLE;
  else if (priority == tpLowest || priority == tpLower)
    policy = SCHED_BATCH;
  else
    return;
  const sched_param param{};
  pthread_setschedparam(thread.NativeHandle(), policy, &param);
}

void LogHandlerError(const void* sender, const char* event, const char* what) {
  TFFLogger::DefaultLogger().Log(sender, llError, std::string(event) + ": " + what);
}

}  // namespace

int64_t DateTimeToUnixTime(double dateTime) {
  // Local wall-clock seconds as if they were UTC, then the zone (and summer
  // time) in force on that date.
  const time_t wallClock = time_t(std::llround((dateTime - 25569.0) * 86400.0));
  std::tm fields{};
  gmtime_r(&wallClock, &fields);
  fields.tm_isdst = -1;
  return int64_t(mktime(&fields));
}

TCustomEncoder::TCustomEncoder() : decoder_(std::make_unique<TFFDecoder>()) {}

TCustomEncoder::~TCustomEncoder() {
  OnAudioHook = nullptr;
  OnPreviewBitmap = nullptr;
  OnProgress = nullptr;
  OnTerminate = nullptr;
  OnVideoInputHook = nullptr;
  OnVideoOutputHook = nullptr;
  {
    std::scoped_lock lock(terminateLock_);
    remainingToStart_ = 0;
  }
  // Runs end before the deliveries are awaited: a worker waiting to hand an
  // event to the main thread is served while its task stops.
  for (int i = 0; i < tasks_.Count(); ++i) tasks_[i].Stop(true);
  ReapTerminateThreads(true);
  for (std::mutex* lock : {&audioHookLock_, &previewLock_, &progressLock_, &videoHookLock_})
    WaitForLock(*lock);
  FreeTasks();
  decoder_.reset();
}

app::TMainThread* TCustomEncoder::MainThread() const {
  return mainThread_ ? mainThread_ : TFFLogger::DefaultLogger().MainThread();
}

bool TCustomEncoder::LibrariesLoaded() const {
  return TFFLoader::Instance().LibrariesLoaded(EngineLibraries);
}

bool TCustomEncoder::LoadLibraries(const std::string& folder) {
  TFFLoader& loader = TFFLoader::Instance();
  loader.SetLibraryPath(folder);
  if (loader.LoadLibraries(EngineLibraries)) return true;
  lastErrMsg_ = loader.LastErrorText();
  return false;
}

void TCustomEncoder::CheckWorking(const char* operation) const {
  if (working_) throw EEncoderError(std::string("Cannot ") + operation + " while working.");
}

void TCustomEncoder::CheckLibraries(const char* operation) const {
  // Without them the transcoder would call through unbound entry points.
  if (!LibrariesLoaded())
    throw EEncoderError(std::string("Cannot ") + operation + ": media libraries not loaded.");
}

void TCustomEncoder::PrepareTask(TFFmpeg& task) {
  task.Settings().verbose = taskLogVerbosity_;
  task.SetPreview(preview_);
  task.SetPreviewBitmap(previewBitmap_);
  if (app::TMainThread* main = MainThread()) task.SetMainThread(main);
  task.Hooks.previewBitmap = [this](TCustomFFmpeg& sender, const TBitmap& bitmap, int frameNumber,
                                    int64_t pts) {
    DoPreviewBitmap(static_cast<TFFmpeg&>(sender), bitmap, frameNumber, pts);
  };
}

void TCustomEncoder::InstallDispatchers(TFFmpeg& task) {
  task.OnProgress = [this](TCustomFFmpeg& sender, const TProgressValues& values) {
    DoProgress(static_cast<TFFmpeg&>(sender), values);
  };
  task.OnEnd = [this](TCustomFFmpeg& sender) { TaskEnded(static_cast<TFFmpeg&>(sender)); };
}

int TCustomEncoder::AddTask(const std::string& fileName, TInputOptions* options) {
  CheckWorking("AddTask");
  CheckLibraries("AddTask");
  std::unique_ptr<TFFmpeg> task;
  try {
    task = std::make_unique<TFFmpeg>(*this);
    PrepareTask(*task);
    if (options) {
      if (options->FileName.empty()) options->FileName = fileName;
      task->StoreInputOptions(0, *options);
      task->ApplyInputOptionText(fileName, options->ExtOptions, InputFields(*options));
    } else {
      task->ApplyInputOptionText(fileName, {}, TInputFields{});
    }
    if (task->InputFileCount() > 0) {
      task->AttachDecoder(0);
      InstallDispatchers(*task);
      return tasks_.Add(std::move(task));
    }
    lastErrMsg_ = task->LastErrorText();
  } catch (const std::exception& error) {
    lastErrMsg_ = task ? ErrorText(*task, error.what()) : error.what();
  }
  return -1;
}

bool TCustomEncoder::AddInputFile(int taskIndex, const std::string& fileName, TInputOptions* options) {
  CheckWorking("AddInputFile");
  CheckLibraries("AddInputFile");
  TFFmpeg& task = tasks_[taskIndex];
  const int slot = task.InputFileCount();
  if (slot >= kMaxFiles) {
    lastErrMsg_ = "max input files " + std::to_string(kMaxFiles) + " reached";
    return false;
  }
  try {
    if (options) {
      if (options->FileName.empty()) options->FileName = fileName;
      task.StoreInputOptions(slot, *options);
      task.ApplyInputOptionText(fileName, options->ExtOptions, InputFields(*options));
    } else {
      task.StoreInputOptions(slot, TInputOptions{});
      task.ApplyInputOptionText(fileName, {}, TInputFields{});
    }
    if (task.InputFileCount() > slot) {
      task.AttachDecoder(slot);
      return true;
    }
    lastErrMsg_ = task.LastErrorText();
  } catch (const std::exception& error) {
    lastErrMsg_ = ErrorText(task, error.what());
  }
  task.StoreInputOptions(slot, TInputOptions{});
  return false;
}

bool TCustomEncoder::SetOutputFile(int taskIndex, const std::string& fileName, TOutputOptions* options) {
  CheckWorking("SetOutputFile");
  CheckLibraries("SetOutputFile");
  TFFmpeg& task = tasks_[taskIndex];
  const int slot = task.OutputFileCount();
  if (slot >= kMaxFiles) {
    lastErrMsg_ = "max output files " + std::to_string(kMaxFiles) + " reached";
    return false;
  }
  try {
    if (!options) {
      task.StoreOutputOptions(slot, TOutputOptions{});
      task.ApplyOutputOptionText(fileName, false, {}, TOutputFields{});
    } else {
      if (options->FileName.empty()) options->FileName = fileName;
      task.StoreOutputOptions(slot, *options);
      const TOutputOptions& record = task.OutputOptions(slot);
      TOutputFields fields;
      fields.audioCodec = record.AudioCodec;
      fields.videoCodec = record.VideoCodec;
      fields.subtitleCodec = record.SubtitleCodec;
      fields.audioPreset = record.AudioPreset;
      fields.videoPreset = record.VideoPreset;
      fields.subtitlePreset = record.SubtitlePreset;
      fields.frameSize = record.FrameSize;
      fields.videoFilters = record.VideoFilters;
      fields.beforeOptions = [&] { ApplyTarget(task, record); };
      fields.applyRecordFields = [&] {
        ApplyOutputRecord(task, record);
        InstallHooks(task, record);
      };
      task.ApplyOutputOptionText(fileName, record.Join, record.ExtOptions, fields);
    }
    if (task.OutputFileCount() > slot) return true;
    lastErrMsg_ = task.LastErrorText();
  } catch (const std::exception& error) {
    lastErrMsg_ = ErrorText(task, error.what());
  }
  // The output's streams added by the text may have failed after the file
  // was set up: the copy stays with an output that exists.
  if (task.OutputFileCount() <= slot) task.StoreOutputOptions(slot, TOutputOptions{});
  return false;
}

void TCustomEncoder::ApplyTarget(TFFmpeg& task, const TOutputOptions& record) {
  const char* type = TargetType(record.Target);
  if (!type) return;
  const char* norm = record.TargetNorm == kTargetNormPal    ? "pal"
                     : record.TargetNorm == kTargetNormNtsc ? "ntsc"
                                                            : "auto";
  task.ApplyTargetPreset(type, norm, record.TargetNormDefault == 1 ? "pal" : "ntsc");
}

void TCustomEncoder::ApplyOutputRecord(TFFmpeg& task, const TOutputOptions& r) {
  const auto apply = [&task](const char* name, const std::string& value) { task.ApplyOption(name, value); };
  const auto above0 = [&apply](const char* name, int value) {
    if (value > 0) apply(name, std::to_string(value));
  };
  const auto text = [&apply](const char* name, const std::string& value) {
    if (!value.empty()) apply(name, value);
  };
  const bool noTarget = r.Target == kTargetNone;

  task.SetFormatName(r.FileFormat);
  above0("packetsize", r.PacketSize);
  above0("muxrate", r.MuxRate);
  task.SetMuxMaxDelay(r.MuxDelay);
  task.SetMuxPreload(r.MuxPreload);
  if (r.DisableAudio) apply("an", "1");
  task.SetAudioVolume(r.AudioVolume);
  above0("ac", r.AudioChannels);
  above0("ar", r.AudioSampleRate);
  if (noTarget || RecordAudioCodecReplacesTargets(r)) above0("ab", r.AudioBitrate);
  above0("abt", r.AudioBitrateTolerance);
  apply("alang", r.AudioLanguage);
  task.SetAudioSyncMethod(r.AudioSync);
  text("atag", r.AudioTag);
  if (r.DisableVideo) apply("vn", "1");
  text("r", r.FrameRate);
  text("aspect", r.FrameAspectRatio);
  above0("g", r.GOPSize);
  if (noTarget) above0("vb", r.VideoBitrate);
  above0("maxrate", r.VideoMaxRate);
  above0("minrate", r.VideoMinRate);
  above0("bt", r.VideoBitrateTolerance);
  above0("bufsize", r.VideoBufSize);
  task.SetVideoSyncMethod(r.VideoSync);
  text("vtag", r.VideoTag);
  apply("vlang", r.VideoLanguage);
  if (r.DisableSubtitle) apply("sn", "1");
  apply("slang", r.SubtitleLanguage);
  apply("isync", r.InputSync ? "1" : "0");
  if (r.CopyTimestamps) apply("copyts", "1");
  task.SetStartTime(r.StartTime);
  task.SetRecordingTime(r.RecordingTime);
  ApplyMetadata(task, r.Metadata);
}

void TCustomEncoder::ApplyMetadata(TFFmpeg& task, const TStreamInfo& metadata) {
  if (metadata.Timestamp == 0)
    task.Settings().recordingTimestamp = int64_t(std::time(nullptr));
  else if (metadata.Timestamp > 0)
    task.Settings().recordingTimestamp = DateTimeToUnixTime(metadata.Timestamp);
  if (metadata.Year > 0) task.AddMetadata("year", std::to_string(metadata.Year));
  if (metadata.Track > 0) task.AddMetadata("track", std::to_string(metadata.Track));
  const std::pair<const char*, const std::string*> texts[] = {
      {"title", &metadata.Title},     {"author", &metadata.Author}, {"copyright", &metadata.Copyright},
      {"comment", &metadata.Comment}, {"album", &metadata.Album},   {"genre", &metadata.Genre}};
  for (const auto& [key, value] : texts)
    if (!value->empty()) task.AddMetadata(key, *value);
}

void TCustomEncoder::InstallHooks(TFFmpeg& task, const TOutputOptions& record) {
  if (record.AudioHook)
    task.Hooks.audio = [this](TCustomFFmpeg& sender, int64_t pts, uint8_t* samples, int size, int sampleRate,
                              int channels, AVSampleFormat sampleFormat) {
      DoAudioHook(static_cast<TFFmpeg&>(sender), pts, samples, size, sampleRate, channels, sampleFormat);
    };
  if (record.VideoInputHook)
    task.Hooks.videoInput = [this](TCustomFFmpeg& sender, TVideoHookValues& values) {
      DoVideoHook(static_cast<TFFmpeg&>(sender), values, true);
    };
  if (record.VideoOutputHook)
    task.Hooks.videoOutput = [this](TCustomFFmpeg& sender, TVideoHookValues& values) {
      DoVideoHook(static_cast<TFFmpeg&>(sender), values, false);
    };
  task.SetHookBitsPerPixel(record.HookBitsPerPixel);
}

void TCustomEncoder::RemoveTask(int taskIndex) {
  CheckWorking("RemoveTask");
  tasks_.Delete(taskIndex);
}

void TCustomEncoder::StartTask(int threadCount) {
  CheckWorking("StartTask");
  ReapTerminateThreads(false);
  std::unique_lock lock(terminateLock_);
  finishedCount_ = 0;
  nextIndex_ = 0;
  remainingToStart_ = tasks_.Count();
  // An empty list has nothing to end: it sends no event, but is done.
  allDone_ = remainingToStart_ == 0;
  async_ = threadCount > 0;
  working_ = true;
  if (async_) {
    while (remainingToStart_ > 0) {
      StartNextTask();
      if (--threadCount == 0) break;
    }
    return;
  }
  syncThread_ = std::this_thread::get_id();
  lock.unlock();
  for (;;) {
    TFFmpeg* task = nullptr;
    {
      std::scoped_lock next(terminateLock_);
      if (remainingToStart_ <= 0) break;
      task = StartNextTask();
    }
    task->Start(false);
  }
  // Tasks stopped before they ran end on notification threads: the list has
  // ended only when they have.
  WaitServing([this] { return allDone_.load(); });
  std::scoped_lock done(terminateLock_);
  syncThread_ = {};
}

TFFmpeg* TCustomEncoder::StartNextTask() {
  std::scoped_lock lock(terminateLock_);
  --remainingToStart_;
  // Taken before the start: a task that cannot start ends inside Start and
  // starts the one after it.
  TFFmpeg& task = tasks_[nextIndex_++];
  task.SetProgressInterval(int64_t(progressInterval_.load()) * 1000);
  if (!async_) return &task;
  if (TConvertThread* thread = task.Start(true)) {
    ApplyPriority(*thread, threadPriority_.load());
    thread->Resume();
  }
  return nullptr;
}

void TCustomEncoder::TaskEnded(TFFmpeg& task) {
  task.ReleaseDecoders();
  std::vector<std::function<void()>> listDone;
  {
    std::scoped_lock lock(terminateLock_);
    if (const auto handler = OnTerminate.Get()) {
      terminateInfo_.TaskIndex = tasks_.IndexOf(&task);
      terminateInfo_.Finished = task.Completed();
      terminateInfo_.Exception = task.Failed();
      terminateInfo_.ExceptionMsg = task.ErrorMessage();
      terminateInfo_.OutputFileName =
          task.WrittenFiles().empty() ? std::string() : task.WrittenFiles().front();
      if (!async_ && working_) {
        CallTerminate(*handler, terminateInfo_);
      } else {
        StartTerminateThread(terminateInfo_, false);
      }
    }
    ++finishedCount_;
    if (remainingToStart_ > 0) {
      if (async_) StartNextTask();
    } else if (finishedCount_ >= tasks_.Count()) {
      EndList();
      listDone.swap(listDoneCallbacks_);
    }
  }
  HandOverListDone(std::move(listDone));
}

void TCustomEncoder::WhenListDone(std::function<void()> fn) {
  {
    std::scoped_lock lock(terminateLock_);
    // Asked from inside the final event of a run on this thread: the list is
    // done once that event has returned.
    if (working_ && !allDone_) {
      listDoneCallbacks_.push_back(std::move(fn));
      return;
    }
  }
  std::vector<std::function<void()>> callbacks;
  callbacks.push_back(std::move(fn));
  HandOverListDone(std::move(callbacks));
}

void TCustomEncoder::HandOverListDone(std::vector<std::function<void()>> callbacks) {
  app::TMainThread* main = MainThread();
  for (std::function<void()>& fn : callbacks) {
    if (!main) {
      fn();
      continue;
    }
    main->Post([alive = std::weak_ptr<int>(alive_), fn = std::move(fn)] {
      if (!alive.expired()) fn();
    });
  }
}

void TCustomEncoder::EndList() {
  if (const auto handler = OnTerminate.Get()) {
    terminateInfo_.TaskIndex = -1;
    terminateInfo_.Finished = true;
    terminateInfo_.Exception = false;
    terminateInfo_.ExceptionMsg.clear();
    terminateInfo_.OutputFileName.clear();
    if (!async_)
      CallTerminate(*handler, terminateInfo_);
    else
      StartTerminateThread(terminateInfo_, true);
  }
  allDone_ = true;
  NotifyWaiters();
}

void TCustomEncoder::CallTerminate(const TTerminateEvent& handler, const TTerminateInfo& info) {
  // A throwing handler must not leave the list half ended.
  try {
    handler(*this, info);
  } catch (const std::exception& error) {
    LogHandlerError(this, "OnTerminate", error.what());
  } catch (...) {
    LogHandlerError(this, "OnTerminate", "unknown exception");
  }
}

void TCustomEncoder::Stop(bool wait) {
  {
    std::scoped_lock lock(terminateLock_);
    remainingToStart_ = 0;
    // A handler of a run on this very thread cannot wait for that run.
    if (syncThread_ == std::this_thread::get_id()) wait = false;
  }
  if (working_) tasks_.StopAll(wait);
}

void TCustomEncoder::ClearTasks() {
  {
    std::scoped_lock lock(terminateLock_);
    if (working_ && !allDone_) throw EEncoderError("Cannot ClearTasks while working.");
  }
  FreeTasks();
  lastErrMsg_.clear();
  {
    std::scoped_lock lock(terminateLock_);
    finishedCount_ = 0;
    nextIndex_ = -1;
    remainingToStart_ = 0;
    allDone_ = false;
    async_ = false;
    working_ = false;
  }
  ReapTerminateThreads(false);
}

void TCustomEncoder::FreeTasks() {
  // Taken out under the lock, so that an end being reported meanwhile finds
  // the list whole or empty; freed outside it, as a task waits for its worker
  // or its end notification, which take the lock.
  std::vector<std::unique_ptr<TFFmpeg>> freed;
  {
    std::scoped_lock lock(terminateLock_);
    freed = tasks_.TakeAll();
  }
  freed.clear();
}

void TCustomEncoder::ApplyPreview(bool preview) {
  preview_ = preview;
  std::scoped_lock lock(terminateLock_);
  for (int i = 0; i < tasks_.Count(); ++i)
    if (!tasks_[i].Running() && !tasks_[i].Ended()) tasks_[i].SetPreview(preview);
}

void TCustomEncoder::ApplyPreviewBitmap(bool previewBitmap) {
  previewBitmap_ = previewBitmap;
  std::scoped_lock lock(terminateLock_);
  for (int i = 0; i < tasks_.Count(); ++i)
    if (!tasks_[i].Running() && !tasks_[i].Ended()) tasks_[i].SetPreviewBitmap(previewBitmap);
}

void TCustomEncoder::CallInMainThread(const std::function<void()>& fn) {
  app::TMainThread* main = MainThread();
  if (triggerEventInMainThread_ && main && !main->IsMainThread())
    main->InvokeAndWait(fn);
  else
    fn();
}

void TCustomEncoder::DoProgress(TFFmpeg& task, const TProgressValues& values) {
  // Declared first: wakes a destructor waiting for the lock once it is free.
  const TNotifyOnExit notify(*this);
  std::scoped_lock lock(progressLock_);
  if (!OnProgress) return;
  progressInfo_.TaskIndex = tasks_.IndexOf(&task);
  progressInfo_.FileIndex = values.FileIndex;
  progressInfo_.FrameNumber = values.FrameNumber;
  progressInfo_.FPS = values.FPS;
  progressInfo_.Quality = values.Quality;
  progressInfo_.BitRate = values.BitRate;
  progressInfo_.CurrentSize = values.CurrentSize;
  progressInfo_.CurrentDuration = values.CurrentDuration;
  progressInfo_.TotalDuration = values.TotalDuration;
  // Read again where it runs: a handler removed while the hand-off waited
  // (its owner is closing) is not called.
  CallInMainThread([this] {
    if (const auto handler = OnProgress.Get()) (*handler)(*this, &progressInfo_);
  });
}

void TCustomEncoder::DoPreviewBitmap(TFFmpeg& task, const TBitmap& bitmap, int frameNumber, int64_t pts) {
  // Declared first: wakes a destructor waiting for the lock once it is free.
  const TNotifyOnExit notify(*this);
  std::scoped_lock lock(previewLock_);
  if (!OnPreviewBitmap) return;
  previewInfo_.TaskIndex = tasks_.IndexOf(&task);
  previewInfo_.Bitmap = &bitmap;
  previewInfo_.FrameNumber = frameNumber;
  previewInfo_.PTS = pts;
  CallInMainThread([this] {
    if (const auto handler = OnPreviewBitmap.Get()) (*handler)(*this, previewInfo_);
  });
}

void TCustomEncoder::DoAudioHook(TFFmpeg& task, int64_t pts, uint8_t* samples, int size, int sampleRate,
                                 int channels, AVSampleFormat sampleFormat) {
  // Declared first: wakes a destructor waiting for the lock once it is free.
  const TNotifyOnExit notify(*this);
  std::scoped_lock lock(audioHookLock_);
  if (const auto handler = OnAudioHook.Get())
    (*handler)(*this, tasks_.IndexOf(&task), pts, samples, size, sampleRate, channels, sampleFormat);
}

void TCustomEncoder::DoVideoHook(TFFmpeg& task, TVideoHookValues& values, bool input) {
  // Declared first: wakes a destructor waiting for the lock once it is free.
  const TNotifyOnExit notify(*this);
  std::scoped_lock lock(videoHookLock_);
  const auto handler = (input ? OnVideoInputHook : OnVideoOutputHook).Get();
  if (!handler) {
    values.update = false;  // nothing changed the picture
    return;
  }
  hookInfo_.TaskIndex = tasks_.IndexOf(&task);
  hookInfo_.Bitmap = values.bitmap;
  hookInfo_.FrameNumber = values.frameNumber;
  hookInfo_.PTS = values.pts;
  hookInfo_.Update = true;
  hookInfo_.StopHook = false;
  (*handler)(*this, &hookInfo_);
  values.update = hookInfo_.Update;
  values.stopHook = hookInfo_.StopHook;
}

void TCustomEncoder::StartTerminateThread(const TTerminateInfo& info, bool final) {
  if (!final) DeliveryStarted();
  std::unique_ptr<TDoTerminateThread> thread;
  try {
    thread = std::make_unique<TDoTerminateThread>(*this, info, final);
  } catch (const std::system_error& error) {
    // No thread to be had: deliver here rather than not at all.
    LogHandlerError(this, "OnTerminate thread", error.what());
    if (const auto handler = OnTerminate.Get()) CallTerminate(*handler, info);
    if (!final) DeliveryReturned();
    return;
  }
  ReapTerminateThreads(false);
  std::scoped_lock lock(threadsMutex_);
  terminateThreads_.push_back(std::move(thread));
}

void TCustomEncoder::DeliveryStarted() {
  std::scoped_lock lock(deliveryMutex_);
  ++pendingDeliveries_;
}

void TCustomEncoder::DeliveryReturned() {
  {
    std::scoped_lock lock(deliveryMutex_);
    --pendingDeliveries_;
  }
  deliveryReturned_.notify_all();
  NotifyWaiters();
}

void TCustomEncoder::WaitForDeliveries() {
  std::unique_lock lock(deliveryMutex_);
  deliveryReturned_.wait(lock, [this] { return pendingDeliveries_ == 0; });
}

void TCustomEncoder::ReapTerminateThreads(bool all) {
  std::vector<std::unique_ptr<TDoTerminateThread>> reaped;
  {
    std::scoped_lock lock(threadsMutex_);
    for (auto it = terminateThreads_.begin(); it != terminateThreads_.end();) {
      const bool own = (*it)->Id() == std::this_thread::get_id();
      if (!own && (all || (*it)->Done())) {
        reaped.push_back(std::move(*it));
        it = terminateThreads_.erase(it);
      } else {
        ++it;
      }
    }
  }
  WaitServing([&reaped] {
    for (const auto& thread : reaped)
      if (!thread->Done()) return false;
    return true;
  });
  reaped.clear();  // joins
}

void TCustomEncoder::WaitServing(const std::function<bool()>& done) {
  if (app::TMainThread* main = MainThread()) {
    main->ServeUntil(done);
    return;
  }
  // No main thread anywhere: nothing to serve and no one to wake this.
  while (!done()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void TCustomEncoder::NotifyWaiters() const {
  if (app::TMainThread* main = MainThread()) main->Notify();
}

void TCustomEncoder::WaitForLock(std::mutex& mutex) {
  WaitServing([&mutex] { return mutex.try_lock(); });
  mutex.unlock();
}

}  // namespace mediaconv::engine
