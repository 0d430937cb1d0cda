#include "cli/TerminalDownloadView.h"

#include "download/QualityTable.h"

namespace mediaconv::cli {
namespace {

// A terminal needs no more than this many redraws a second; the run reports
// every 4 KiB block.
constexpr std::chrono::milliseconds kLiveInterval(100);

std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

std::string FitWidth(const std::string& text, int width) {
  std::string out;
  int count = 0;
  for (char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80 && ++count > width) break;
    out += c;
  }
  return out;
}

}  // namespace

TTerminalDownloadView::TTerminalDownloadView(TConsole& console, TCliLog& log, bool quiet)
    : console_(console), log_(log), quiet_(quiet) {}

bool TTerminalDownloadView::ConfirmLinkMessage(const std::string& text) {
  // "link LF CR LF CR reason" on one line.
  std::string line = text;
  const size_t split = line.find(download::kMessageBreak);
  if (split != std::string::npos) line.replace(split, std::string_view(download::kMessageBreak).size(), ": ");
  console_.Err("mediaconv-cli: " + OneLine(line));
  return true;
}

std::string TTerminalDownloadView::Counter() const {
  return "[" + std::to_string(current_ + 1) + "/" + std::to_string(rowCount_) + "]";
}

void TTerminalDownloadView::DownloadRowAdded(int index, const download::TDownloadRow& row) {
  rowCount_ = index + 1;
  statuses_.resize(rowCount_);
  statuses_[index] = row.Status;
}

void TTerminalDownloadView::DownloadRowChanged(int index, const download::TDownloadRow& row) {
  if (index < 0 || index >= rowCount_) return;
  current_ = index;
  if (statuses_[index] == row.Status) return;
  statuses_[index] = row.Status;
  const std::string line = Counter() + " " + OneLine(row.Caption) + ": " + row.Status;
  if (row.Status == download::kStatusFailed) {
    console_.Err(line + (lastError_.empty() ? std::string() : " (" + lastError_ + ")"));
    return;
  }
  if (quiet_) return;
  // On a terminal the live line shows the steps before the end.
  if (console_.Interactive() && row.Status != download::kStatusFinished) return;
  console_.Out(line);
}

std::string TTerminalDownloadView::LiveLine(const download::TDownloadPanel& panel) const {
  std::string line = Counter() + " " + OneLine(panel.CurrentFile) + "  " + panel.Status;
  if (panel.Status == download::kStatusDownloading)
    line +=
        "  " + panel.PercentText + "  " + panel.Speed + "  elapsed " + panel.Elapsed + "  left " + panel.Left;
  return line;
}

void TTerminalDownloadView::StatusPanelChanged(const download::TDownloadPanel& panel) {
  if (quiet_) return;
  // A fallback to the next quality is an event of its own.
  if (panel.Quality != quality_) {
    quality_ = panel.Quality;
    if (quality_.find(download::kTryNextText) != std::string::npos) console_.Out(Counter() + " " + quality_);
  }
  if (!console_.Interactive() || panel.Status == download::kNoValue) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - lastLive_ < kLiveInterval) return;
  lastLive_ = now;
  console_.Live(FitWidth(LiveLine(panel), console_.Width() - 1));
}

void TTerminalDownloadView::AppendLog(const std::string& line) {
  lastError_ = line.substr(line.find(": ") + 2);
  log_.AppendLog(line);
}

void TTerminalDownloadView::ShowDownloadSummary(const download::TDownloadSummary& summary) {
  console_.EndLive();
  if (quiet_) return;
  if (summary.Cancelled) console_.Out("Download stopped.");
  console_.Out(std::string(download::kTotalFilesLabel) + " " + std::to_string(summary.TotalFiles));
  console_.Out(std::string(download::kSucceededLabel) + " " + std::to_string(summary.SucceededCount));
  console_.Out(std::string(download::kFailedLabel) + " " + std::to_string(summary.FailedCount));
  for (const std::string& file : summary.Files) console_.Out("Stored: " + file);
}

}  // namespace mediaconv::cli
