#include "http/CustomWinHTTP.h"

#include <signal.h>
#include <unistd.h>

#include "http/FileAttributes.h"
#include "http/WinHTTPRun.h"

namespace mediaconv::http {

namespace {

std::shared_ptr<TWinHTTPRun> RunOf(const TEventWinThread* thread) {
  return thread ? std::static_pointer_cast<TWinHTTPRun>(thread->Data) : nullptr;
}

// Runs the steps of an ending that must happen even when a handler raises.
template <typename TFn>
class TFinally {
 public:
  explicit TFinally(TFn fn) : fn_(std::move(fn)) {}
  ~TFinally() { fn_(); }

 private:
  TFn fn_;
};

}  // namespace

TCustomWinHTTP::TCustomWinHTTP() {
  thread_.SetHandlers([this] { Execute(); }, [this] { ReportException(); }, [this] { EndOfRun(); });
  thread_.OnStopNow = [](TEventWinThread& thread) {
    if (auto run = RunOf(&thread)) run->Interrupt();
  };
}

TCustomWinHTTP::~TCustomWinHTTP() {
  thread_.BeginDestroy();
  thread_.Shutdown();
}

bool TCustomWinHTTP::StartTransfer() {
  if (inProgress_) return false;
  inProgress_ = true;
  run_ = std::make_shared<TWinHTTPRun>(*this, static_cast<const TWinHTTPProperties&>(*this),
                                       static_cast<const TWinHTTPEvents&>(*this));
  thread_.RunData = run_;
  if (thread_.StartRun()) return true;
  // The waiting start timed out and stopped the run: it ends as an immediate abort.
  thread_.WaitAbandoned();
  FinishAbort(*run_);
  RaiseAborted();
  return false;
}

void TCustomWinHTTP::AbortTransfer(bool deletePartialFile, bool immediate) {
  if (!inProgress_ || !run_) return;
  run_->deleteOnAbort = deletePartialFile;
  // From a handler that the worker waits for, the worker itself aborts as
  // soon as the handler returns: stopping it here would wait for ourselves.
  const bool insideHandoff = TEventWinThread::Current() == &thread_.Thread();
  if (!immediate || insideHandoff) {
    thread_.RequestStop();
    run_->Interrupt();
    return;
  }
  // Cooperative: the old worker is told to stop, what it waits on is shut,
  // and it is given the moment it needs to let go of the run; nothing of it
  // reaches the main thread any more.
  thread_.StopNow();
  thread_.WaitAbandoned();
  FinishAbort(*run_);
  RaiseAborted();
}

int TCustomWinHTTP::StatusCode() const { return run_ ? run_->status : -1; }
uint64_t TCustomWinHTTP::DataSize() const { return run_ ? run_->dataSize : 0; }
uint64_t TCustomWinHTTP::BytesRead() const { return run_ ? run_->bytesRead : 0; }
std::string TCustomWinHTTP::ContentType() const { return run_ ? run_->contentType : std::string(); }
std::string TCustomWinHTTP::LastErrorText() const { return run_ ? run_->lastError : std::string(); }
TTransferFailure TCustomWinHTTP::Failure() const { return run_ ? run_->failure : tfNone; }

void TCustomWinHTTP::Execute() {
  TEventWinThread* thread = TEventWinThread::Current();
  std::shared_ptr<TWinHTTPRun> run = RunOf(thread);
  if (!run) return;
  // A peer that closes a TLS connection would raise SIGPIPE on a write; on
  // this thread it only makes the write fail.
  sigset_t pipe;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
  try {
    run->Work(*thread);
  } catch (const TRunAborted&) {
    FinishAbort(*run);
    thread->Synchronize([this] { RaiseAborted(); });
    return;
  } catch (...) {
    run->CloseHandles();
    throw;
  }
}

void TCustomWinHTTP::ReportException() {
  if (OnAnyError) OnAnyError(*this);
}

void TCustomWinHTTP::EndOfRun() {
  std::shared_ptr<TWinHTTPRun> run = RunOf(TEventWinThread::Current());
  if (!run || run->aborted) return;
  if (TEventWinThread::Current()->Terminated()) {
    // The stop came after the worker's last check: the run still ends as aborted.
    FinishAbort(*run);
    RaiseAborted();
    return;
  }
  EndReport(*run);
}

void TCustomWinHTTP::EndReport(TWinHTTPRun& run) {
  run.CloseHandles();
  if (run.stream) run.stream->Seek(0);
  const bool succeeded = run.Succeeded();
  bool released = false;
  auto release = [this, &run, &released, succeeded] {
    if (released) return;
    released = true;
    const TWinHTTPFileAttributes incomplete = run.settings.OutputFileAttributes.Incomplete;
    if (run.file) run.file->Close();
    run.stream.reset();
    run.file = nullptr;
    // A finished file keeps its Complete attributes; any other gets the Incomplete ones.
    if (run.fileOpened && !succeeded && !(incomplete == TWinHTTPFileAttributes{atrArchive}))
      SetFileAttributes(run.outputFileName, incomplete);
    inProgress_ = false;
  };
  // A handler that raises still leaves the component idle.
  TFinally guard(release);
  if (!run.continueDownload) {
    release();
    if (OnDoneInterrupted) OnDoneInterrupted(*this);
    return;
  }
  if (succeeded) {
    if (run.noStream) {
      if (OnAnyError) OnAnyError(*this);
      if (OnOutputFileError) OnOutputFileError(*this);
      return;
    }
    TStream* stream = run.stream.get();
    if (run.fileOpened) {
      run.file->Close();
      const TWinHTTPOutputFileAttributes& attributes = run.settings.OutputFileAttributes;
      if (!(attributes.Incomplete == attributes.Complete))
        SetFileAttributes(run.outputFileName, attributes.Complete);
      stream = nullptr;
    }
    if (OnDone) OnDone(*this, run.contentType, run.bytesRead, stream);
    return;
  }
  if (run.status == 200 || run.status == 206) {
    if (OnConnLost) OnConnLost(*this, run.contentType, run.dataSize, run.bytesRead, run.stream.get());
  } else if (run.status == -1) {
    if (OnHostUnreachable) OnHostUnreachable(*this);
  } else {
    if (OnHTTPError) OnHTTPError(*this, run.status, run.stream.get());
  }
  if (OnAnyError) OnAnyError(*this);
}

void TCustomWinHTTP::FinishAbort(TWinHTTPRun& run) {
  if (run.aborted) {
    // Done once already (by the worker); only a later wish to delete is left.
    if (run.fileOpened && run.deleteOnAbort) ::unlink(run.outputFileName.c_str());
    return;
  }
  run.aborted = true;
  run.CloseHandles();
  if (run.file) run.file->Close();
  run.stream.reset();
  run.file = nullptr;
  if (!run.fileOpened) return;
  const TWinHTTPFileAttributes incomplete = run.settings.OutputFileAttributes.Incomplete;
  if (run.deleteOnAbort)
    ::unlink(run.outputFileName.c_str());
  else if (!(incomplete == TWinHTTPFileAttributes{atrArchive}))
    SetFileAttributes(run.outputFileName, incomplete);
}

void TCustomWinHTTP::RaiseAborted() {
  inProgress_ = false;
  if (!thread_.Destroying() && OnAborted) OnAborted(*this);
}

}  // namespace mediaconv::http
