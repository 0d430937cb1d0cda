#include "download/DownloadRun.h"

#include "app/FileNameHelpers.h"
#include "app/TimeText.h"
#include "download/DownloadStore.h"
#include "download/PageParser.h"

namespace mediaconv::download {

using http::TCustomWinHTTP;
using http::TStream;

namespace {

// The bytes received, and why the transfer ended when it says (a server that
// fell silent: "The operation timed out.").
std::string ConnectionLostText(const http::TCustomWinHTTP& sender, uint64_t size, uint64_t read) {
  std::string text = "connection lost after " + std::to_string(read) + " of " + std::to_string(size) + " bytes";
  const std::string reason = sender.LastErrorText();
  if (!reason.empty()) text += " (" + reason + ")";
  return text;
}

}  // namespace

TDownloadRun::TDownloadRun(TDownloadView& view, app::TMainThread& mainThread)
    : view_(view), mainThread_(mainThread) {
  SetUpTransfer(pageFetcher_);
  SetUpTransfer(downloader_);
  BindPageFetcher();
  BindDownloader();
}

TDownloadRun::TPartialFile::~TPartialFile() { RemovePartialDownload(Path); }

TDownloadRun::~TDownloadRun() {
  alive_.reset();
  // The transfers stop when they go, without events.
  for (http::TWinHTTP* transfer : {&pageFetcher_, &downloader_}) {
    transfer->OnProgress = nullptr;
    transfer->OnDone = nullptr;
    transfer->OnHTTPError = nullptr;
    transfer->OnHostUnreachable = nullptr;
    transfer->OnConnLost = nullptr;
    transfer->OnOutputFileError = nullptr;
    transfer->OnAnyError = nullptr;
    transfer->OnAborted = nullptr;
  }
}

void TDownloadRun::SetUpTransfer(http::TWinHTTP& transfer) {
  transfer.SetMainThread(&mainThread_);
  transfer.AcceptTypes = kAcceptTypes;
  transfer.Agent = kAgent;
  // Certificates are verified: a page or file from a host that cannot prove
  // who it is is not taken.
  transfer.InternetOptions = {http::ioKeepConnection};
  transfer.ShowGoOnlineMessage = true;
  transfer.Timeouts.ConnectTimeout = kDefaultStallTimeoutMs;
  transfer.Timeouts.ReceiveTimeout = kDefaultStallTimeoutMs;
}

void TDownloadRun::SetStallTimeout(uint32_t milliseconds) {
  for (http::TWinHTTP* transfer : {&pageFetcher_, &downloader_}) {
    transfer->Timeouts.ConnectTimeout = milliseconds;
    transfer->Timeouts.ReceiveTimeout = milliseconds;
  }
}

void TDownloadRun::BindPageFetcher() {
  pageFetcher_.OnProgress = [this](TCustomWinHTTP&, const std::string&, uint64_t dataSize, uint64_t bytesRead,
                                   int64_t elapsed, int64_t, uint8_t, float, TStream*) {
    TStatusUpdate update;
    update.Status = kStatusGettingPage;
    update.Size = dataSize;
    update.Speed = SpeedText(bytesRead, elapsed);
    UpdateStatus(update);
  };
  pageFetcher_.OnDone = [this](TCustomWinHTTP&, const std::string&, uint64_t, TStream* stream) {
    PageDone(stream);
  };
  pageFetcher_.OnHTTPError = [this](TCustomWinHTTP&, int code, TStream*) {
    failure_ = "HTTP " + std::to_string(code);
  };
  pageFetcher_.OnHostUnreachable = [this](TCustomWinHTTP& sender) { failure_ = sender.LastErrorText(); };
  pageFetcher_.OnConnLost = [this](TCustomWinHTTP& sender, const std::string&, uint64_t size, uint64_t read,
                                   TStream*) {
    failure_ = ConnectionLostText(sender, size, read);
  };
  pageFetcher_.OnAnyError = [this](TCustomWinHTTP& sender) {
    LogFailure("page " + pageFetcher_.URL, failure_.empty() ? sender.LastErrorText() : failure_);
    RowFails();
  };
  pageFetcher_.OnAborted = [this](TCustomWinHTTP&) { Finish(); };
}

void TDownloadRun::BindDownloader() {
  downloader_.OnProgress = [this](TCustomWinHTTP&, const std::string&, uint64_t dataSize, uint64_t bytesRead,
                                  int64_t elapsed, int64_t left, uint8_t percent, float, TStream*) {
    DownloadProgress(dataSize, bytesRead, elapsed, left, percent);
  };
  downloader_.OnDone = [this](TCustomWinHTTP&, const std::string&, uint64_t, TStream*) { DownloadDone(); };
  downloader_.OnHTTPError = [this](TCustomWinHTTP&, int code, TStream*) {
    failure_ = "HTTP " + std::to_string(code);
  };
  downloader_.OnHostUnreachable = [this](TCustomWinHTTP& sender) { failure_ = sender.LastErrorText(); };
  downloader_.OnConnLost = [this](TCustomWinHTTP& sender, const std::string&, uint64_t size, uint64_t read,
                                  TStream*) {
    failure_ = ConnectionLostText(sender, size, read);
  };
  downloader_.OnAnyError = [this](TCustomWinHTTP& sender) {
    DropPartial();
    LogFailure(AttemptCode(ranking_, attempt_) + " " + downloader_.URL,
               failure_.empty() ? sender.LastErrorText() : failure_);
    DownloadFailed();
  };
  downloader_.OnAborted = [this](TCustomWinHTTP&) {
    DropPartial();
    Finish();
  };
}

void TDownloadRun::Post(void (TDownloadRun::*step)()) {
  mainThread_.Post([this, step, alive = std::weak_ptr<int>(alive_)] {
    if (alive.lock()) (this->*step)();
  });
}

void TDownloadRun::Start(TLinkList& links, const app::AppSettings& settings) {
  links_ = &links;
  settings_ = &settings;
  rows_.clear();
  files_.clear();
  summary_ = {};
  panel_ = {};
  started_ = true;
  finished_ = false;
  cancelRequested_ = false;
  for (const std::string& link : links.Links()) {
    TDownloadRow row;
    row.Caption = link;
    rows_.push_back(row);
    view_.DownloadRowAdded(static_cast<int>(rows_.size()) - 1, row);
  }
  totalFiles_ = static_cast<int>(rows_.size());
  current_ = 0;
  succeededCount_ = 0;
  // Without a link no step would ever finish the run.
  Post(rows_.empty() ? &TDownloadRun::Finish : &TDownloadRun::StartCurrentLink);
}

void TDownloadRun::Cancel() {
  if (!Running()) return;
  cancelRequested_ = true;
  pageFetcher_.AbortTransfer(false, false);
  downloader_.AbortTransfer(false, false);
}

void TDownloadRun::StartCurrentLink() {
  if (finished_ || !CurrentRowValid()) return;
  if (cancelRequested_) return Finish();
  panel_.CurrentFile = rows_[current_].Caption;
  ShowPanel();
  failure_.clear();
  pageFetcher_.URL = rows_[current_].Caption;
  pageFetcher_.StartTransfer();
}

void TDownloadRun::PageDone(TStream* stream) {
  if (!CurrentRowValid()) return;
  const std::string page = stream ? stream->ToString() : std::string();
  TDownloadRow& row = rows_[current_];
  // Shown and stored as decoded: list captions here show "&" as it is.
  row.Caption = ExtractPageTitle(page);
  row.URL = ExtractVideoAddress(page);
  view_.DownloadRowChanged(current_, row);
  panel_.CurrentFile = row.Caption;
  ResetProgress();
  ShowStatus(kStatusAnalyzed);
  prefer_ = settings_->PreferYouTubeQuality;
  ranking_ = RankingFromSettings(*settings_);
  attempt_ = prefer_ ? 1 : 0;
  panel_.Quality = AttemptLabel(ranking_, attempt_);
  ShowPanel();
  StartDownload(row.URL + AttemptParameter(ranking_, attempt_));
}

void TDownloadRun::StartDownload(const std::string& url) {
  failure_.clear();
  partial_.Path = PartialDownloadPath(Folder());
  downloader_.OutputFileName = partial_.Path;
  downloader_.URL = url;
  downloader_.StartTransfer();
}

void TDownloadRun::DownloadProgress(uint64_t dataSize, uint64_t bytesRead, int64_t elapsed, int64_t left,
                                    int percent) {
  panel_.Quality = AttemptLabel(ranking_, attempt_);
  TStatusUpdate update;
  update.Status = kStatusDownloading;
  update.Size = dataSize;
  update.Speed = SpeedText(bytesRead, elapsed);
  update.Percent = percent;
  update.Elapsed = elapsed;
  update.Left = left;
  UpdateStatus(update);
}

void TDownloadRun::DownloadDone() {
  if (!CurrentRowValid()) return DropPartial();
  std::string error;
  const std::string path = StoreDownload(partial_.Path, rows_[current_].Caption,
                                         AttemptExtension(ranking_, attempt_), Folder(), error);
  if (path.empty()) {
    DropPartial();
    LogFailure("file " + rows_[current_].Caption, "cannot be stored: " + error);
    return DownloadFailed();
  }
  partial_.Path.clear();
  files_.push_back(path);
  ShowStatus(kStatusFinished);
  ++succeededCount_;
  Advance();
}

void TDownloadRun::DownloadFailed() {
  if (prefer_)
    Post(&TDownloadRun::TryNextQuality);
  else
    RowFails();
}

void TDownloadRun::TryNextQuality() {
  if (finished_ || !CurrentRowValid()) return;
  if (cancelRequested_) return Finish();
  const int previous = attempt_;
  const int next = previous + 1;
  if (next > kLastAttempt) return RowFails();
  attempt_ = next;
  panel_.Quality = AttemptCode(ranking_, previous) + kTryNextText + AttemptCode(ranking_, next);
  ResetProgress();
  ShowPanel();
  StartDownload(rows_[current_].URL + AttemptParameter(ranking_, next));
}

void TDownloadRun::RowFails() {
  ShowStatus(kStatusFailed);
  Advance();
}

void TDownloadRun::Advance() {
  ++current_;
  if (current_ >= static_cast<int>(rows_.size()))
    Finish();
  else
    Post(&TDownloadRun::StartCurrentLink);
}

void TDownloadRun::Finish() {
  if (finished_ || !started_) return;
  finished_ = true;
  DropPartial();
  if (links_) links_->Clear();
  rows_.clear();
  view_.DownloadListCleared();
  panel_ = {};
  ShowPanel();
  summary_.TotalFiles = totalFiles_;
  summary_.SucceededCount = succeededCount_;
  summary_.FailedCount = totalFiles_ - succeededCount_;
  summary_.Cancelled = cancelRequested_;
  summary_.Files = files_;
  view_.ShowDownloadSummary(summary_);
}

void TDownloadRun::UpdateStatus(const TStatusUpdate& update) {
  if (!CurrentRowValid()) return;
  TDownloadRow& row = rows_[current_];
  if (!update.Status.empty()) row.Status = panel_.Status = update.Status;
  if (update.Size != 0) row.Size = SizeText(update.Size);
  if (!update.Speed.empty()) row.Speed = panel_.Speed = update.Speed;
  if (update.Percent != 0) {
    row.Progress = panel_.PercentText = std::to_string(update.Percent) + "%";
    panel_.BarPosition = update.Percent;
  }
  if (update.Elapsed != 0) panel_.Elapsed = app::SecondsText(static_cast<int32_t>(update.Elapsed));
  if (update.Left != 0) panel_.Left = app::SecondsText(static_cast<int32_t>(update.Left));
  view_.DownloadRowChanged(current_, row);
  ShowPanel();
}

void TDownloadRun::ShowStatus(const std::string& status) {
  TStatusUpdate update;
  update.Status = status;
  UpdateStatus(update);
}

void TDownloadRun::ResetProgress() {
  panel_.BarPosition = 0;
  panel_.PercentText = kInitialProgress;
}

void TDownloadRun::LogFailure(const std::string& what, const std::string& reason) {
  view_.AppendLog("Download error: " + what + (reason.empty() ? std::string() : ": " + reason));
}

void TDownloadRun::DropPartial() {
  RemovePartialDownload(partial_.Path);
  partial_.Path.clear();
}

std::string TDownloadRun::Folder() const { return app::WithTrailingSeparator(settings_->OutputURLDir); }

}  // namespace mediaconv::download
