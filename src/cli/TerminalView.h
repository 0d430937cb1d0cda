#pragma once
#include <string>
#include <vector>

#include "cli/CliLog.h"
#include "cli/Console.h"
#include "convert/ConversionRun.h"
#include "convert/FileList.h"

namespace mediaconv::cli {

// The file list and the conversion run on a terminal. Interactive: one live
// progress line (file, percent, elapsed, time left, overall percent) and a
// line for each ended file; otherwise one line per status change. Quiet:
// neither progress nor summary; errors still go to standard error.
class TTerminalView : public convert::TFileListView, public convert::TRunView {
 public:
  TTerminalView(TConsole& console, TCliLog& log, bool quiet);

  // TFileListView; the errors of files that could not be added are already
  // on standard error through their log lines.
  void AppendLog(const std::string& line) override { log_.AppendLog(line); }
  void ShowFailedFiles(const std::vector<std::string>&) override {}
  int TextWidth(const std::string& text) override;

  // TRunView
  void ShowRunLayout(const convert::TRunLayout& layout) override;
  void ProgressListCleared() override {}
  void ProgressRowAdded(int index, const convert::TProgressRow& row) override;
  void ProgressRowChanged(int index, const convert::TProgressRow& row) override;
  void ShowCurrentFile(const std::string& text) override { currentFile_ = text; }
  void ShowProgress(const convert::TProgressDisplay& display) override;
  // A terminal plays no sound and never powers the computer off.
  void PlaySound(const std::string&) override {}
  bool RunShutdownCountdown() override { return false; }
  void Shutdown() override {}
  void ShowSummary(const convert::TSummary& summary) override;

  // The line printed for a row whose status changed to status.
  std::string EventLine(int index, const convert::TProgressRow& row) const;
  // The live line of a progress report, at most width terminal columns.
  std::string LiveLine(const convert::TProgressDisplay& display, int width) const;

 private:
  std::string Counter(int index) const;

  TConsole& console_;
  TCliLog& log_;
  bool quiet_;
  convert::TRunLayout layout_;
  std::vector<std::string> statuses_;  // last status shown per row
  int rowCount_ = 0;
  std::string currentFile_;
};

}  // namespace mediaconv::cli
