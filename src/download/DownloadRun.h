#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/AppSettings.h"
#include "app/MainThread.h"
#include "download/DownloadTexts.h"
#include "download/LinkList.h"
#include "download/QualityTable.h"
#include "http/WinHTTP.h"

namespace mediaconv::download {

// The agent and accepted types both transfers send.
inline constexpr const char* kAgent = "[Vostrel]";
inline constexpr const char* kAcceptTypes = "*/*";

// One row of the download list.
struct TDownloadRow {
  std::string Caption;  // the link, then the video's title
  std::string Status = kStatusWaiting;
  std::string Size = kInitialSize;
  std::string Speed = kInitialSpeed;
  std::string Progress = kInitialProgress;
  std::string URL = kNoValue;  // the media address once the page is parsed
};

// The group "Status" of the download page.
struct TDownloadPanel {
  std::string CurrentFile = kNoValue;
  std::string Status = kNoValue;
  std::string Speed = kNoValue;
  std::string Elapsed = kNoValue;
  std::string Left = kNoValue;
  std::string Quality = kNoValue;
  int BarPosition = 0;  // 0..100
  std::string PercentText = kInitialProgress;
};

struct TDownloadSummary {
  int TotalFiles = 0;
  int SucceededCount = 0;
  int FailedCount = 0;  // TotalFiles - SucceededCount
  bool Cancelled = false;
  std::vector<std::string> Files;  // full paths of the stored downloads, in order
};

// What the download and summary pages show; called on the main thread.
class TDownloadView {
 public:
  virtual ~TDownloadView() = default;
  virtual void DownloadRowAdded(int index, const TDownloadRow& row) = 0;
  virtual void DownloadRowChanged(int index, const TDownloadRow& row) = 0;
  virtual void StatusPanelChanged(const TDownloadPanel& panel) = 0;
  virtual void DownloadListCleared() = 0;
  virtual void ShowDownloadSummary(const TDownloadSummary& summary) = 0;
  // Why an attempt or a page failed, for the log.
  virtual void AppendLog(const std::string& /*line*/) {}
};

// One download run: each link's page is fetched and parsed, its media file
// downloaded (falling back over the ranked qualities when high quality is
// preferred) into a hidden partial file in the download folder, and stored
// under the video's title; the summary ends the run.
//
// Everything happens on the main thread: the transfers deliver their events
// there, and each next step (next link, next quality) is posted, so that it
// starts after the event that led to it has returned.
class TDownloadRun {
 public:
  TDownloadRun(TDownloadView& view, app::TMainThread& mainThread);
  ~TDownloadRun();
  TDownloadRun(const TDownloadRun&) = delete;
  TDownloadRun& operator=(const TDownloadRun&) = delete;

  // Starts a run over the links of the list, which is emptied when the run
  // ends. The download folder ("OutputURLDir"), the prefer flag and the
  // ranking are read from the settings as each link starts.
  void Start(TLinkList& links, const app::AppSettings& settings);
  // Aborts the transfer that is running; the run then finishes, counting
  // the links not yet stored as failed. Between two steps the next step
  // finishes the run instead of starting.
  void Cancel();

  bool Running() const { return started_ && !finished_; }
  bool Finished() const { return finished_; }
  bool Cancelled() const { return cancelRequested_; }
  int TotalFiles() const { return totalFiles_; }
  int SucceededCount() const { return succeededCount_; }
  int CurrentIndex() const { return current_; }
  int Attempt() const { return attempt_; }
  const std::vector<TDownloadRow>& Rows() const { return rows_; }
  const TDownloadPanel& Panel() const { return panel_; }
  const std::vector<std::string>& DownloadedFiles() const { return files_; }
  const TDownloadSummary& Summary() const { return summary_; }

  // A server that sends nothing for this long fails the attempt ("The
  // operation timed out."), so a server that stops answering cannot hold
  // the run forever; a connection not made in this time fails too.
  static constexpr uint32_t kDefaultStallTimeoutMs = 30000;
  void SetStallTimeout(uint32_t milliseconds);

  // The two transfers, for a front end that must see their settings.
  const http::TWinHTTP& PageFetcher() const { return pageFetcher_; }
  const http::TWinHTTP& Downloader() const { return downloader_; }

 private:
  // Optional pieces of a status update: each is shown only when given and
  // not zero.
  struct TStatusUpdate {
    std::string Status;
    uint64_t Size = 0;
    std::string Speed;
    int Percent = 0;
    int64_t Elapsed = 0;
    int64_t Left = 0;
  };

  void SetUpTransfer(http::TWinHTTP& transfer);
  void BindPageFetcher();
  void BindDownloader();
  void Post(void (TDownloadRun::*step)());

  // Posted steps: WM_USER+4 and WM_USER+5.
  void StartCurrentLink();
  void TryNextQuality();

  void PageDone(http::TStream* stream);
  void StartDownload(const std::string& url);
  void DownloadProgress(uint64_t dataSize, uint64_t bytesRead, int64_t elapsed, int64_t left, int percent);
  void DownloadDone();
  void DownloadFailed();
  void RowFails();
  void Advance();
  void Finish();

  bool CurrentRowValid() const { return current_ >= 0 && current_ < static_cast<int>(rows_.size()); }
  void UpdateStatus(const TStatusUpdate& update);
  void ShowStatus(const std::string& status);
  void ResetProgress();
  void ShowPanel() { view_.StatusPanelChanged(panel_); }
  void LogFailure(const std::string& what, const std::string& reason);
  void DropPartial();
  std::string Folder() const;

  // The hidden file of the download in progress; removed at the latest when
  // the run goes, after the transfers have stopped.
  struct TPartialFile {
    std::string Path;
    ~TPartialFile();
  };

  TDownloadView& view_;
  app::TMainThread& mainThread_;
  TPartialFile partial_;
  http::TWinHTTP pageFetcher_;
  http::TWinHTTP downloader_;

  TLinkList* links_ = nullptr;
  const app::AppSettings* settings_ = nullptr;
  std::vector<TDownloadRow> rows_;
  TDownloadPanel panel_;
  TDownloadSummary summary_;
  std::vector<std::string> files_;
  int totalFiles_ = 0;
  int current_ = 0;
  int succeededCount_ = 0;
  int attempt_ = 0;
  bool prefer_ = false;
  TRanking ranking_ = kDefaultRanking;
  std::string failure_;  // why the last transfer failed, for the log
  bool started_ = false;
  bool finished_ = false;
  bool cancelRequested_ = false;
  // Posted steps check it, so none outlives the run.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace mediaconv::download
