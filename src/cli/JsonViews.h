#pragma once
#include <chrono>
#include <string>
#include <vector>

#include "cli/Console.h"
#include "cli/TerminalDownloadView.h"
#include "cli/TerminalView.h"

namespace mediaconv::cli {

// The conversion run as JSON lines on standard output, one object per event
// ("added", "skipped", "progress", "ended", "summary"); the terminal view it
// wraps still writes the lines for people, to standard error. Files are
// numbered from 1, as the terminal numbers them.
class TJsonRunView : public convert::TFileListView, public convert::TRunView {
 public:
  TJsonRunView(TConsole& console, TTerminalView& lines);

  // TFileListView
  void AppendLog(const std::string& line) override { lines_.AppendLog(line); }
  void ShowFailedFiles(const std::vector<std::string>& errors) override { lines_.ShowFailedFiles(errors); }
  int TextWidth(const std::string& text) override { return lines_.TextWidth(text); }

  // TRunView
  void FileSkipped(const std::string& file, const std::string& reason) override;
  void ShowRunLayout(const convert::TRunLayout& layout) override;
  void ProgressListCleared() override { lines_.ProgressListCleared(); }
  void ProgressRowAdded(int index, const convert::TProgressRow& row) override;
  void ProgressRowChanged(int index, const convert::TProgressRow& row) override;
  void ShowCurrentFile(const std::string& text) override { lines_.ShowCurrentFile(text); }
  void ShowProgress(const convert::TProgressDisplay& display) override;
  void PlaySound(const std::string&) override {}
  bool RunShutdownCountdown() override { return false; }
  void Shutdown() override {}
  void ShowSummary(const convert::TSummary& summary) override;

 private:
  std::string FileOf(const convert::TProgressRow& row) const;

  TConsole& console_;
  TTerminalView& lines_;
  bool joined_ = false;
  std::vector<convert::TProgressRow> rows_;
  int lastProgressIndex_ = -1;
  int lastProgressPercent_ = -1;
  double lastProgressElapsed_ = -1;
};

// The download run as JSON lines ("added", "status", "fallback",
// "progress", "ended", "summary"); the lines for people go to standard error.
class TJsonDownloadView : public download::TLinkListView, public download::TDownloadView {
 public:
  TJsonDownloadView(TConsole& console, TTerminalDownloadView& lines);

  bool ConfirmLinkMessage(const std::string& text) override;
  void DownloadRowAdded(int index, const download::TDownloadRow& row) override;
  void DownloadRowChanged(int index, const download::TDownloadRow& row) override;
  void StatusPanelChanged(const download::TDownloadPanel& panel) override;
  void DownloadListCleared() override { lines_.DownloadListCleared(); }
  void ShowDownloadSummary(const download::TDownloadSummary& summary) override;
  void AppendLog(const std::string& line) override;

 private:
  TConsole& console_;
  TTerminalDownloadView& lines_;
  std::vector<download::TDownloadRow> rows_;
  int current_ = -1;
  std::string quality_;
  std::string lastError_;
  std::chrono::steady_clock::time_point lastProgress_{};
};

}  // namespace mediaconv::cli
