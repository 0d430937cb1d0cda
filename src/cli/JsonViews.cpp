#include "cli/JsonViews.h"

#include "cli/Json.h"
#include "download/QualityTable.h"

namespace mediaconv::cli {
namespace {

// A script needs no more than this many progress lines a second per run; the
// download reports every 4 KiB block.
constexpr std::chrono::milliseconds kDownloadProgressInterval(250);

struct TStatusWord {
  const char* Text;
  const char* Word;
};

constexpr TStatusWord kDownloadStatuses[] = {
    {download::kStatusWaiting, "waiting"},         {download::kStatusGettingPage, "page"},
    {download::kStatusAnalyzed, "analyzed"},       {download::kStatusDownloading, "downloading"},
    {download::kStatusFinished, "finished"},       {download::kStatusFailed, "failed"},
};

std::string DownloadStatusWord(const std::string& status) {
  for (const TStatusWord& each : kDownloadStatuses)
    if (status == each.Text) return each.Word;
  return status;
}

bool Ended(const std::string& status) {
  return status == convert::kStatusFinished || status == convert::kStatusFailed;
}

}  // namespace

TJsonRunView::TJsonRunView(TConsole& console, TTerminalView& lines) : console_(console), lines_(lines) {}

std::string TJsonRunView::FileOf(const convert::TProgressRow& row) const {
  // A joined run's rows keep the output in Path.
  return joined_ ? row.Caption : row.Path + row.Caption;
}

void TJsonRunView::FileSkipped(const std::string& file, const std::string& reason) {
  console_.Json(TJsonObject().Text("event", "skipped").Text("file", file).Text("reason", reason).Str());
}

void TJsonRunView::ShowRunLayout(const convert::TRunLayout& layout) {
  joined_ = layout.Joined;
  lines_.ShowRunLayout(layout);
}

void TJsonRunView::ProgressRowAdded(int index, const convert::TProgressRow& row) {
  lines_.ProgressRowAdded(index, row);
  if (index >= static_cast<int>(rows_.size())) rows_.resize(index + 1);
  rows_[index] = row;
  console_.Json(TJsonObject()
                    .Text("event", "added")
                    .Count("index", index + 1)
                    .Text("file", FileOf(row))
                    .Text("output", row.OutputFile)
                    .Count("duration", row.FileDuration > 0 ? row.FileDuration : -1)
                    .Str());
}

void TJsonRunView::ProgressRowChanged(int index, const convert::TProgressRow& row) {
  lines_.ProgressRowChanged(index, row);
  if (index < 0 || index >= static_cast<int>(rows_.size())) return;
  const bool ended = Ended(row.Status) && !Ended(rows_[index].Status);
  rows_[index] = row;
  if (!ended) return;
  // Only a stopped task keeps a file without finishing.
  const char* status = row.Status == convert::kStatusFinished ? "finished"
                       : row.WrittenFile.empty()              ? "failed"
                                                              : "stopped";
  console_.Json(TJsonObject()
                    .Text("event", "ended")
                    .Count("index", index + 1)
                    .Text("file", FileOf(row))
                    .Text("status", status)
                    .TextOrNull("output", row.WrittenFile)
                    .TextOrNull("error", row.Error)
                    .Str());
}

void TJsonRunView::ShowProgress(const convert::TProgressDisplay& display) {
  lines_.ShowProgress(display);
  // The run's closing display (bar back to 0) belongs to no file.
  if (display.TaskIndex < 0 || display.TaskIndex >= static_cast<int>(rows_.size())) return;
  const convert::TTimeTexts& times = display.Times;
  // A task's end repeats its last report at 100%.
  if (display.TaskIndex == lastProgressIndex_ && display.BarPosition == lastProgressPercent_ &&
      times.ElapsedSeconds == lastProgressElapsed_)
    return;
  lastProgressIndex_ = display.TaskIndex;
  lastProgressPercent_ = display.BarPosition;
  lastProgressElapsed_ = times.ElapsedSeconds;
  console_.Json(TJsonObject()
                    .Text("event", "progress")
                    .Count("index", display.TaskIndex + 1)
                    .Text("file", FileOf(rows_[display.TaskIndex]))
                    .Count("percent", display.BarPosition)
                    .Number("elapsed", times.ElapsedSeconds)
                    .Number("left", times.LeftSeconds, times.LeftSeconds >= 0)
                    .Count("overall", times.OverallPercent)
                    .Str());
}

void TJsonRunView::ShowSummary(const convert::TSummary& summary) {
  lines_.ShowSummary(summary);
  std::string errors = "[";
  for (const convert::TTaskError& error : summary.Errors) {
    if (errors.size() > 1) errors += ",";
    errors += TJsonObject().Count("index", error.TaskIndex + 1).Text("message", error.Message).Str();
  }
  console_.Json(TJsonObject()
                    .Text("event", "summary")
                    .Count("total", summary.TotalFiles)
                    .Count("succeeded", summary.SucceededCount)
                    .Count("failed", summary.FailedCount)
                    .Count("skipped", summary.SkippedFiles)
                    .Bool("cancelled", summary.Cancelled)
                    .Raw("errors", errors + "]")
                    .Str());
}

TJsonDownloadView::TJsonDownloadView(TConsole& console, TTerminalDownloadView& lines)
    : console_(console), lines_(lines) {}

bool TJsonDownloadView::ConfirmLinkMessage(const std::string& text) {
  std::string reason = text;
  std::string link;
  const size_t split = reason.find(download::kMessageBreak);
  if (split != std::string::npos) {
    link = reason.substr(0, split);
    reason = reason.substr(split + std::string_view(download::kMessageBreak).size());
  }
  console_.Json(TJsonObject().Text("event", "refused").Text("link", link).Text("reason", reason).Str());
  return lines_.ConfirmLinkMessage(text);
}

void TJsonDownloadView::DownloadRowAdded(int index, const download::TDownloadRow& row) {
  lines_.DownloadRowAdded(index, row);
  if (index >= static_cast<int>(rows_.size())) rows_.resize(index + 1);
  rows_[index] = row;
  console_.Json(TJsonObject().Text("event", "added").Count("index", index + 1).Text("link", row.Caption).Str());
}

void TJsonDownloadView::DownloadRowChanged(int index, const download::TDownloadRow& row) {
  lines_.DownloadRowChanged(index, row);
  if (index < 0 || index >= static_cast<int>(rows_.size())) return;
  current_ = index;
  const bool changed = rows_[index].Status != row.Status;
  rows_[index].Status = row.Status;
  rows_[index].Size = row.Size;
  if (!changed) return;
  const bool ended = row.Status == download::kStatusFinished || row.Status == download::kStatusFailed;
  TJsonObject event;
  event.Text("event", ended ? "ended" : "status").Count("index", index + 1).Text("title", row.Caption);
  event.Text("status", DownloadStatusWord(row.Status));
  if (ended) event.TextOrNull("error", row.Status == download::kStatusFailed ? lastError_ : std::string());
  console_.Json(event.Str());
  if (ended) lastError_.clear();
}

void TJsonDownloadView::StatusPanelChanged(const download::TDownloadPanel& panel) {
  lines_.StatusPanelChanged(panel);
  if (panel.Quality != quality_) {
    quality_ = panel.Quality;
    if (quality_.find(download::kTryNextText) != std::string::npos)
      console_.Json(
          TJsonObject().Text("event", "fallback").Count("index", current_ + 1).Text("quality", quality_).Str());
  }
  if (panel.Status != download::kStatusDownloading || current_ < 0) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - lastProgress_ < kDownloadProgressInterval && panel.BarPosition < 100) return;
  lastProgress_ = now;
  console_.Json(TJsonObject()
                    .Text("event", "progress")
                    .Count("index", current_ + 1)
                    .Count("percent", panel.BarPosition)
                    .Text("speed", panel.Speed)
                    .Text("elapsed", panel.Elapsed)
                    .Text("left", panel.Left)
                    .Str());
}

void TJsonDownloadView::AppendLog(const std::string& line) {
  const size_t colon = line.find(": ");
  lastError_ = colon == std::string::npos ? line : line.substr(colon + 2);
  lines_.AppendLog(line);
}

void TJsonDownloadView::ShowDownloadSummary(const download::TDownloadSummary& summary) {
  lines_.ShowDownloadSummary(summary);
  std::string files = "[";
  for (const std::string& file : summary.Files) {
    if (files.size() > 1) files += ",";
    files += JsonString(file);
  }
  console_.Json(TJsonObject()
                    .Text("event", "summary")
                    .Count("total", summary.TotalFiles)
                    .Count("succeeded", summary.SucceededCount)
                    .Count("failed", summary.FailedCount)
                    .Bool("cancelled", summary.Cancelled)
                    .Raw("files", files + "]")
                    .Str());
}

}  // namespace mediaconv::cli
