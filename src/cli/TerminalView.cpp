#include "cli/TerminalView.h"

namespace mediaconv::cli {
namespace {

// Code points, which is what a terminal gives one cell each for most text.
int CodePoints(const std::string& text) {
  int count = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++count;
  return count;
}

std::string FitWidth(const std::string& text, int width) {
  if (CodePoints(text) <= width) return text;
  std::string out;
  int count = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c & 0xC0) != 0x80 && ++count > width) break;
    out += text[i];
  }
  return out;
}

}  // namespace

TTerminalView::TTerminalView(TConsole& console, TCliLog& log, bool quiet)
    : console_(console), log_(log), quiet_(quiet) {}

int TTerminalView::TextWidth(const std::string& text) { return CodePoints(text); }

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
  return line;
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

std::string TTerminalView::LiveLine(const convert::TProgressDisplay& display) const {
  const size_t slash = currentFile_.rfind('/');
  const std::string name = slash == std::string::npos ? currentFile_ : currentFile_.substr(slash + 1);
  std::string line = Counter(display.TaskIndex) + " " + name + "  " + display.PercentText;
  line += "  elapsed " + display.Times.Elapsed + "  left " + display.Times.Left;
  if (display.Times.OverallPercent >= 0)
    line += "  overall " + std::to_string(display.Times.OverallPercent) + "%";
  return line;
}

void TTerminalView::ShowProgress(const convert::TProgressDisplay& display) {
  if (quiet_ || !console_.Interactive() || display.TaskIndex < 0) return;
  console_.Live(FitWidth(LiveLine(display), console_.Width() - 1));
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
