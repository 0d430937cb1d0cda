#include "cli/TerminalView.h"

#include "cli/TerminalText.h"

namespace mediaconv::cli {

TTerminalView::TTerminalView(TConsole& console, TCliLog& log, bool quiet)
    : console_(console), log_(log), quiet_(quiet) {}

int TTerminalView::TextWidth(const std::string& text) { return CellWidth(text); }

void TTerminalView::ShowRunLayout(const convert::TRunLayout& layout) { layout_ = layout; }

void TTerminalView::ProgressRowAdded(int index, const convert::TProgressRow& row) {
  rowCount_ = index + 1;
  statuses_.resize(rowCount_);
  statuses_[index] = row.Status;
}

std::string TTerminalView::Counter(int index) const {
  if (layout_.Joined) return "[join]";
  return "[" + std::to_string(index + 1) + "/" + std::to_string(rowCount_) + "]";
}

std::string TTerminalView::EventLine(int index, const convert::TProgressRow& row) const {
  std::string line = Counter(index) + " ";
  line += layout_.Joined ? row.OutputFile : row.Path + row.Caption;
  line += ": " + row.Status;
  if (!layout_.Joined && row.Status == convert::kStatusFinished) line += " -> " + row.OutputFile;
  // Only a stopped task keeps a file without finishing: say so, and where.
  if (row.Status == convert::kStatusFailed && !row.WrittenFile.empty())
    line += " (stopped) -> " + row.WrittenFile;
  return TerminalText(line);
}

void TTerminalView::ProgressRowChanged(int index, const convert::TProgressRow& row) {
  if (index < 0 || index >= rowCount_) return;
  const bool changed = statuses_[index] != row.Status;
  statuses_[index] = row.Status;
  if (!changed || quiet_) return;
  // On a terminal the live line already says that a file is converting.
  if (console_.Interactive() && row.Status == convert::kStatusConverting) return;
  console_.Out(EventLine(index, row));
}

std::string TTerminalView::LiveLine(const convert::TProgressDisplay& display, int width) const {
  const size_t slash = currentFile_.rfind('/');
  const std::string name =
      TerminalText(slash == std::string::npos ? currentFile_ : currentFile_.substr(slash + 1));
  const std::string head = Counter(display.TaskIndex) + " ";
  std::string tail = "  " + display.PercentText;
  tail += "  elapsed " + display.Times.Elapsed + "  left " + display.Times.Left;
  if (display.Times.OverallPercent >= 0)
    tail += "  overall " + std::to_string(display.Times.OverallPercent) + "%";
  // A long name gives way to the figures, measured in terminal columns.
  const int room = width - CellWidth(head) - CellWidth(tail);
  if (CellWidth(name) <= room) return FitCells(head + name + tail, width);
  if (room <= 3) return FitCells(head + tail, width);
  return FitCells(head + FitCells(name, room - 3) + "..." + tail, width);
}

void TTerminalView::ShowProgress(const convert::TProgressDisplay& display) {
  if (quiet_ || !console_.Interactive() || display.TaskIndex < 0) return;
  console_.Live(LiveLine(display, console_.Width() - 1));
}

void TTerminalView::ShowSummary(const convert::TSummary& summary) {
  console_.EndLive();
  // Error lines are errors: standard error, also when quiet.
  // Numbered from 1, as the progress counter numbers them.
  for (const convert::TTaskError& error : summary.Errors)
    console_.Err("File (" + std::to_string(error.TaskIndex + 1) + "): " + error.Message);
  if (quiet_) return;
  if (summary.Cancelled) console_.Out("Conversion stopped.");
  console_.Out(std::string(convert::kTotalFilesLabel) + " " + std::to_string(summary.TotalFiles));
  console_.Out(std::string(convert::kSucceededLabel) + " " + std::to_string(summary.SucceededCount));
  console_.Out(std::string(convert::kFailedLabel) + " " + std::to_string(summary.FailedCount));
}

}  // namespace mediaconv::cli
