#pragma once
#include <chrono>
#include <string>
#include <vector>

#include "cli/CliLog.h"
#include "cli/Console.h"
#include "download/DownloadRun.h"
#include "download/LinkList.h"

namespace mediaconv::cli {

// The link list and the download run on a terminal. Interactive: one live
// line (link, status, percent, size, speed, times) and a line when a link
// ends or falls back to the next quality; otherwise a line for each status
// and quality change. Quiet: neither progress nor summary. Refused links and
// failed links go to standard error.
class TTerminalDownloadView : public download::TLinkListView, public download::TDownloadView {
 public:
  TTerminalDownloadView(TConsole& console, TCliLog& log, bool quiet);

  // TLinkListView: the message on standard error; the run goes on.
  bool ConfirmLinkMessage(const std::string& text) override;

  // TDownloadView
  void DownloadRowAdded(int index, const download::TDownloadRow& row) override;
  void DownloadRowChanged(int index, const download::TDownloadRow& row) override;
  void StatusPanelChanged(const download::TDownloadPanel& panel) override;
  void DownloadListCleared() override {}
  void ShowDownloadSummary(const download::TDownloadSummary& summary) override;
  void AppendLog(const std::string& line) override;

  // The live line of a panel state.
  std::string LiveLine(const download::TDownloadPanel& panel) const;

 private:
  std::string Counter() const;

  TConsole& console_;
  TCliLog& log_;
  bool quiet_;
  int rowCount_ = 0;
  int current_ = 0;
  std::vector<std::string> statuses_;
  std::string quality_;
  std::string lastError_;
  std::chrono::steady_clock::time_point lastLive_{};
};

}  // namespace mediaconv::cli
