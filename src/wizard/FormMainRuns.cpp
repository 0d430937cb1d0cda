// The main window's side of the conversion and download runs: the pages'
// owners start, stop and follow the runs from here.
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QRadioButton>
#include <QUrl>

#include "convert/ConversionRun.h"
#include "convert/FFEncoderRunAdapter.h"
#include "convert/RunEventBinding.h"
#include "profiles/SelectionState.h"
#include "wizard/FormMain.h"
#include "wizard/convert/Previewer.h"
#include "wizard/convert/SessionServices.h"
#include "wizard/pages/DownloadPage.h"
#include "wizard/pages/DownloadSummaryPage.h"
#include "wizard/pages/FileListPage.h"
#include "wizard/pages/LinkPage.h"
#include "wizard/pages/ModePage.h"
#include "wizard/pages/ProgressPage.h"
#include "wizard/pages/SummaryPage.h"

namespace mediaconv::wizard {

void TFormMain::SetSessionServices(TSessionServices* session) { session_ = session; }

TSessionServices& TFormMain::SessionServices() {
  if (!session_) {
    desktopSession_ = std::make_unique<TDesktopSession>(title_);
    session_ = desktopSession_.get();
  }
  return *session_;
}

void TFormMain::OpenFiles(const QStringList& files) {
  if (files.isEmpty() || !startedUp_) return;
  QStringList names;
  for (const QString& file : files) {
    // "Open With" may hand over file URLs.
    const QUrl url(file);
    names << (url.isLocalFile() ? url.toLocalFile() : QFileInfo(file).absoluteFilePath());
  }
  modePage_->ConvertChoice()->setChecked(true);
  ShowPage(wpStep1);
  fileListPage_->AddFiles(names);
}

void TFormMain::OnStartConversion() { StartConversion(); }

void TFormMain::StartConversion() {
  if (!run_) {
    runAdapter_ = std::make_unique<convert::TFFEncoderRunAdapter>(encoder_);
    runView_ = std::make_unique<TConversionView>(static_cast<TRunWindow&>(*this), *progressPage_,
                                                 *summaryPage_, dialogs_, SessionServices(), title_);
    run_ = std::make_unique<convert::TConversionRun>(*runAdapter_, *runView_, mainThread_);
    // Tasks with preview on show their frames in a window of their own.
    TPreviewer::Install(mainThread_);
    runEvents_ = std::make_unique<convert::TRunEventBinding>(encoder_, *run_);
  }
  convert::TRunOptions options;
  options.Choice = profiles::TSelectionState(settings_).Choice();
  options.Join = edition_.Merge;
  options.Settings = &settings_;
  options.SoundFolder = paths_.ExeFolder.toStdString();
  // Pending window events first, so that Step3 is drawn.
  QCoreApplication::processEvents();
  SessionServices().InhibitSleep("Converting media files");
  run_->Start(fileListPage_->Files().Rows(), options);
}

void TFormMain::StopConversion() {
  if (run_)
    run_->Cancel();
  else
    encoder_.Stop(true);
}

void TFormMain::ShowSummaryPage() {
  ShowPage(wpStep4);
  SetUpPage();
}

void TFormMain::OnConversionEnded() {
  // The run carries out its completion itself; a run that never started
  // still ends on the summary.
  if (run_ && run_->Completed()) return;
  ShowSummaryPage();
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
