#include "wizard/convert/ConversionView.h"

#include <QLabel>
#include <QProgressBar>
#include <QTreeWidget>

#include "convert/RunTexts.h"
#include "wizard/Dialogs.h"
#include "wizard/convert/FormShutdown.h"
#include "wizard/convert/SessionServices.h"
#include "wizard/pages/ProgressPage.h"
#include "wizard/pages/SummaryPage.h"

namespace mediaconv::wizard {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

QStringList Columns(const convert::TProgressRow& row) {
  return {Q(row.Caption), Q(row.Duration), Q(row.Status), Q(row.Progress), Q(row.Path)};
}

}  // namespace

QString RunEndedNotice(const convert::TSummary& summary) {
  return QString("%1 %2, %3 %4, %5 %6")
      .arg(convert::kTotalFilesLabel)
      .arg(summary.TotalFiles)
      .arg(convert::kSucceededLabel)
      .arg(summary.SucceededCount)
      .arg(convert::kFailedLabel)
      .arg(summary.FailedCount);
}

TConversionView::TConversionView(TRunWindow& window, TProgressPage& progress, TSummaryPage& summary,
                                 TDialogs& dialogs, TSessionServices& session, QString editionName)
    : window_(window),
      progress_(progress),
      summary_(summary),
      dialogs_(dialogs),
      session_(session),
      editionName_(std::move(editionName)) {}

void TConversionView::AppendLog(const std::string& line) { window_.AppendRunLog(Q(line)); }

void TConversionView::ShowRunLayout(const convert::TRunLayout& layout) {
  QTreeWidgetItem* header = progress_.ProgressList()->headerItem();
  header->setText(2, Q(layout.StatusTitle));
  header->setText(3, Q(layout.ProgressTitle));
  progress_.CurrentFileCaption()->setText(Q(layout.CurrentFileLabel));
}

void TConversionView::ProgressListCleared() { progress_.ClearProgressList(); }

void TConversionView::ProgressRowAdded(int, const convert::TProgressRow& row) {
  progress_.ProgressList()->addTopLevelItem(new QTreeWidgetItem(Columns(row)));
}

void TConversionView::ProgressRowChanged(int index, const convert::TProgressRow& row) {
  QTreeWidgetItem* item = progress_.ProgressList()->topLevelItem(index);
  if (!item) return;
  const QStringList columns = Columns(row);
  for (int i = 0; i < columns.size(); ++i) item->setText(i, columns[i]);
}

void TConversionView::ShowCurrentFile(const std::string& text) { progress_.CurrentFile()->setText(Q(text)); }

void TConversionView::ShowProgress(const convert::TProgressDisplay& display) {
  progress_.Bar()->setValue(display.BarPosition);
  progress_.Percent()->setText(Q(display.PercentText));
  progress_.Estimated()->setText(Q(display.Times.Estimated));
  progress_.Elapsed()->setText(Q(display.Times.Elapsed));
  progress_.TimeLeft()->setText(Q(display.Times.Left));
}

void TConversionView::PlaySound(const std::string& path) { session_.PlaySound(Q(path)); }

bool TConversionView::RunShutdownCountdown() {
  TFormShutdown form(editionName_, window_.RunWindow());
  return dialogs_.ShowModal(form) == QDialog::Accepted;
}

void TConversionView::Shutdown() {
  // A refusal is not reported: the summary follows as usual.
  session_.PowerOff();
}

void TConversionView::ShowSummary(const convert::TSummary& summary) {
  session_.ReleaseSleep();
  window_.ShowSummaryPage();
  QStringList errors;
  for (const std::string& line : summary.ErrorLines) errors << Q(line);
  summary_.ShowErrors(errors);
  summary_.ShowCounts(summary.TotalFiles, summary.SucceededCount, summary.FailedCount);
  QWidget* window = window_.RunWindow();
  if (window && !window->isActiveWindow()) session_.Notify(editionName_, RunEndedNotice(summary));
}

}  // namespace mediaconv::wizard
