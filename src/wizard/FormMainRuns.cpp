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

void TFormMain::StartDownload() { downloadPage_->Status()->setText("Waiting..."); }

void TFormMain::OnNextDownload() {}

void TFormMain::OnNextQuality() {}

void TFormMain::AbortDownload() {
  if (CurrentPage() != wpStep6) return;
  // An aborted run ends on its summary with what it stored.
  ShowPage(wpStep7);
  const int total = linkPage_->LinkCount();
  const int stored = int(downloadSummaryPage_->DownloadedFiles().size());
  downloadSummaryPage_->ShowCounts(total, stored, total - stored);
}

void TFormMain::PasteLinks() {
  const QStringList lines = QGuiApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
  for (const QString& line : lines) linkPage_->AddLink(line.trimmed());
}

}  // namespace mediaconv::wizard
