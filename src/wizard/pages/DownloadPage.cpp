#include "wizard/pages/DownloadPage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/Palette.h"

namespace mediaconv::wizard {

namespace {

struct TColumnSpec {
  const char* Caption;
  int Width;
};

constexpr TColumnSpec kColumns[TDownloadPage::kColumnCount] = {{"Name", 380}, {"Status", 250},  {"Size", 80},
                                                               {"Speed", 70}, {"Progress", 70}, {"URL", 600}};

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

TDownloadPage::TDownloadPage(QWidget* parent) : QWidget(parent) {
  list_ = new QTreeWidget(this);
  list_->setRootIsDecorated(false);
  list_->setSelectionMode(QAbstractItemView::NoSelection);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  list_->header()->setStretchLastSection(false);
  QStringList captions;
  for (const TColumnSpec& column : kColumns) captions << column.Caption;
  list_->setHeaderLabels(captions);
  for (int column = 0; column < kColumnCount; ++column) list_->setColumnWidth(column, kColumns[column].Width);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(ui::kPageMargin, 0, 2 * ui::kGrid, ui::kGrid);
  layout->setSpacing(ui::kGrid);
  layout->addWidget(list_, 1);
  layout->addWidget(CreateStatusPanel());
}

QWidget* TDownloadPage::CreateStatusPanel() {
  auto* panel = new QGroupBox("Status", this);
  auto* grid = new QGridLayout(panel);
  grid->setHorizontalSpacing(ui::kGrid);
  grid->setVerticalSpacing(ui::kGrid / 2);
  grid->setColumnStretch(1, 1);
  int row = 0;
  auto value = [&](const char* caption) {
    auto* label = new QLabel(caption, panel);
    label->setProperty("role", ui::kRoleSecondary);
    auto* shown = new QLabel(download::kNoValue, panel);
    shown->setTextFormat(Qt::PlainText);  // titles are the service's text
    shown->setTextInteractionFlags(Qt::TextSelectableByMouse);
    shown->setMinimumWidth(1);  // long titles must not widen the window
    grid->addWidget(label, row, 0);
    grid->addWidget(shown, row, 1, 1, 2);
    ++row;
    return shown;
  };
  currentFile_ = value("Current file:");
  status_ = value("Status:");
  speed_ = value("Speed:");
  elapsed_ = value("Elapsed time:");
  left_ = value("Time left:");
  quality_ = value("Quality:");
  auto* progress = new QLabel("Progress:", panel);
  progress->setProperty("role", ui::kRoleSecondary);
  bar_ = new QProgressBar(panel);
  bar_->setRange(0, 100);
  bar_->setTextVisible(false);
  percent_ = new QLabel(download::kInitialProgress, panel);
  percent_->setMinimumWidth(5 * ui::kGrid);
  percent_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  grid->addWidget(progress, row, 0);
  grid->addWidget(bar_, row, 1);
  grid->addWidget(percent_, row, 2);
  return panel;
}

void TDownloadPage::ClearDownloadList() { list_->clear(); }

void TDownloadPage::ShowRow(int index, const download::TDownloadRow& row) {
  QTreeWidgetItem* item = list_->topLevelItem(index);
  if (!item) return;
  const std::string* texts[kColumnCount] = {&row.Caption, &row.Status,   &row.Size,
                                            &row.Speed,   &row.Progress, &row.URL};
  for (int column = 0; column < kColumnCount; ++column) item->setText(column, Q(*texts[column]));
}

void TDownloadPage::DownloadRowAdded(int index, const download::TDownloadRow& row) {
  list_->insertTopLevelItem(index, new QTreeWidgetItem);
  ShowRow(index, row);
}

void TDownloadPage::DownloadRowChanged(int index, const download::TDownloadRow& row) { ShowRow(index, row); }

void TDownloadPage::StatusPanelChanged(const download::TDownloadPanel& panel) {
  currentFile_->setText(Q(panel.CurrentFile));
  status_->setText(Q(panel.Status));
  speed_->setText(Q(panel.Speed));
  elapsed_->setText(Q(panel.Elapsed));
  left_->setText(Q(panel.Left));
  quality_->setText(Q(panel.Quality));
  bar_->setValue(panel.BarPosition);
  percent_->setText(Q(panel.PercentText));
}

void TDownloadPage::DownloadListCleared() { ClearDownloadList(); }

void TDownloadPage::ShowDownloadSummary(const download::TDownloadSummary& summary) {
  emit DownloadFinished(summary);
}

void TDownloadPage::AppendLog(const std::string& line) { emit LogLine(Q(line)); }

}  // namespace mediaconv::wizard
