#pragma once
#include <memory>
#include <string>
#include <vector>

#include "http/WinHTTPEvents.h"
#include "http/WinHTTPTypes.h"
#include "http/WinThread.h"

namespace mediaconv::http {

// The published properties of the transfer component with their defaults.
// A run works on a copy taken when it starts.
struct TWinHTTPProperties {
  std::string URL;
  TWinHTTPRequestMethod RequestMethod = rmAutoDetect;
  std::string POSTData;
  std::string AcceptTypes = "text/html, */*";
  std::string Agent = "mediaconv-http/1.0";
  std::string Referer;
  std::vector<std::string> AddHeaders;
  std::string Username;
  std::string Password;
  TWinHTTPProxy Proxy;
  TWinHTTPRange Range;
  TWinHTTPTimeouts Timeouts;
  TCacheOptions CacheOptions{coReloadIfNoExpireInformation, coReloadUpdatedObjects,
                             coCreateTempFilesIfCantCache};
  TInternetOptions InternetOptions{ioKeepConnection};
  std::string OutputFileName;
  TWinHTTPOutputFileAttributes OutputFileAttributes;
  bool ShowGoOnlineMessage = false;
  bool WorkOffline = false;
  TBufferSize TransferBufferSize = 4096;
  TWinHTTPLimits Limits;
};

struct TWinHTTPEvents {
  TNotifyEvent OnAborted;
  TNotifyEvent OnAnyError;
  TWinHTTPBeforeSendRequestEvent OnBeforeSendRequest;
  TWinHTTPConnLostEvent OnConnLost;
  TWinHTTPDoneEvent OnDone;
  TNotifyEvent OnDoneInterrupted;
  TWinHTTPHeaderInfoEvent OnHeaderInfo;
  TNotifyEvent OnHostUnreachable;
  TWinHTTPErrorEvent OnHTTPError;
  TNotifyEvent OnOutputFileError;
  TWinHTTPPasswordRequestEvent OnPasswordRequest;
  TWinHTTPProgressEvent OnProgress;
  TWinHTTPProxyAuthenticationRequestEvent OnProxyAuthenticationRequest;
  TWinHTTPRedirectedEvent OnRedirected;
  TWinHTTPStatusEvent OnStatus;
};

class TWinHTTPRun;

// Fetches one URL per run on a worker thread into memory or a file and
// reports the outcome as exactly one terminal event sequence on the main
// thread. Properties and events are set, and every call made, on the main
// thread.
class TCustomWinHTTP : protected TWinHTTPProperties, protected TWinHTTPEvents {
 public:
  TCustomWinHTTP();
  // Stops a run still going; no event follows.
  virtual ~TCustomWinHTTP();
  TCustomWinHTTP(const TCustomWinHTTP&) = delete;
  TCustomWinHTTP& operator=(const TCustomWinHTTP&) = delete;

  void SetMainThread(app::TMainThread* mainThread) { thread_.SetMainThread(mainThread); }

  // False, changing nothing, while a run is in progress; else the worker's
  // StartRun result.
  bool StartTransfer();
  // Does nothing unless a run is in progress. Without immediate the worker
  // aborts at its next check; with it the run is stopped here and now.
  void AbortTransfer(bool deletePartialFile = false, bool immediate = false);
  bool InProgress() const { return inProgress_; }

  // Of the last run; safe to read in its event handlers and once it ended.
  int StatusCode() const;
  uint64_t DataSize() const;
  uint64_t BytesRead() const;
  std::string ContentType() const;
  // Why the output file could not be created, or why the request failed.
  std::string LastErrorText() const;
  // Of the last run: why it failed (tfNone when it succeeded or runs).
  TTransferFailure Failure() const;

  TThreadPriority ThreadPriority() const { return thread_.Priority(); }
  void SetThreadPriority(TThreadPriority priority) { thread_.SetPriority(priority); }
  bool WaitThread() const { return thread_.WaitThread; }
  void SetWaitThread(bool wait) { thread_.WaitThread = wait; }
  int WaitTimeout() const { return thread_.WaitTimeout; }
  void SetWaitTimeout(int milliseconds) { thread_.WaitTimeout = milliseconds; }
  TWinThreadWaitTimeoutExpired& OnWaitTimeoutExpired() { return thread_.OnWaitTimeoutExpired; }

 protected:
  TCustomWinThread& WorkerThread() { return thread_; }

 private:
  friend class TWinHTTPRun;

  void Execute();
  void ReportException();
  void EndOfRun();
  void EndReport(TWinHTTPRun& run);
  // The abort of a run: on the worker at a check (OnAborted through
  // Synchronize) or here for an immediate one.
  void FinishAbort(TWinHTTPRun& run);
  void RaiseAborted();

  TCustomWinThread thread_;
  std::shared_ptr<TWinHTTPRun> run_;  // the current (or last) run
  bool inProgress_ = false;
  bool deleteOnAbort_ = false;
};

}  // namespace mediaconv::http
