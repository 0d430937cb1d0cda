// The main window's side of the conversion and download runs: the pages'
// owners start, stop and follow the runs from here.
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>

#include "wizard/FormMain.h"
#include "wizard/pages/DownloadPage.h"
#include "wizard/pages/DownloadSummaryPage.h"
#include "wizard/pages/LinkPage.h"
#include "wizard/pages/ProgressPage.h"
#include "wizard/pages/SummaryPage.h"

namespace mediaconv::wizard {

void TFormMain::OnStartConversion() { StartConversion(); }

void TFormMain::StartConversion() {
  // No task runs yet: the run ends at once, as a run without tasks does.
  SendMessage(wmConversionEnded);
}

void TFormMain::StopConversion() { encoder_.Stop(true); }

void TFormMain::OnConversionEnded() {
  ShowPage(wpStep4);
  summaryPage_->ShowErrors({});
  summaryPage_->ShowCounts(0, 0, 0);
}

void TFormMain::StartDownload() { downloadRun_->Start(linkPage_->Links(), settings_); }

// The run posts its own next-link and next-quality steps.
void TFormMain::OnNextDownload() {}

void TFormMain::OnNextQuality() {}

void TFormMain::AbortDownload() {
  // The run finishes through the aborted transfer and shows its summary.
  if (downloadRun_ && downloadRun_->Running()) downloadRun_->Cancel();
}

void TFormMain::OnDownloadFinished(const download::TDownloadSummary& summary) {
  QStringList files;
  for (const std::string& file : summary.Files) files << QString::fromStdString(file);
  downloadSummaryPage_->SetDownloadedFiles(files);
  ShowPage(wpStep7);
  downloadSummaryPage_->ShowCounts(summary.TotalFiles, summary.SucceededCount, summary.FailedCount);
}

void TFormMain::PasteLinks() {
  if (!clipboardHasText_) return;
  linkPage_->Paste(QGuiApplication::clipboard()->text());
}

}  // namespace mediaconv::wizard
