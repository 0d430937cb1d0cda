#include "wizard/pages/FileListPage.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AppSettings.h"
#include "app/BusyCounter.h"
#include "app/FileNameHelpers.h"
#include "convert/RunTexts.h"
#include "ui/Palette.h"
#include "wizard/Dialogs.h"
#include "wizard/Shell.h"

namespace mediaconv::wizard {

TFileListPage::TFileListPage(engine::TFFDecoder& prober, TDialogs& dialogs, app::AppSettings& settings,
                             QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), settings_(settings), files_(prober, *this) {
  list_ = new QListWidget(this);
  list_->setAlternatingRowColors(false);
  add_ = new QPushButton("&Add Video...", this);
  delete_ = new QPushButton("&Delete", this);
  clear_ = new QPushButton("&Clear", this);
  moveUp_ = new QPushButton("&Move Up", this);
  moveDown_ = new QPushButton("M&ove Down", this);
  play_ = new QPushButton("&Play", this);

  auto* buttons = new QVBoxLayout;
  buttons->setSpacing(ui::kGrid);
  for (QPushButton* button : {add_, delete_, clear_, moveUp_, moveDown_, play_}) buttons->addWidget(button);
  buttons->insertSpacing(3, ui::kGrid);
  buttons->insertSpacing(6, ui::kGrid);
  buttons->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2 * ui::kGrid);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);

  connect(add_, &QPushButton::clicked, this, &TFileListPage::AddVideo);
  connect(delete_, &QPushButton::clicked, this, &TFileListPage::DeleteSelected);
  connect(clear_, &QPushButton::clicked, this, &TFileListPage::Clear);
  connect(moveUp_, &QPushButton::clicked, this, &TFileListPage::MoveUp);
  connect(moveDown_, &QPushButton::clicked, this, &TFileListPage::MoveDown);
  connect(play_, &QPushButton::clicked, this, &TFileListPage::PlaySelected);
  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    files_.Select(row);
    UpdateActions();
  });
  connect(list_, &QListWidget::itemDoubleClicked, this, &TFileListPage::PlaySelected);
  UpdateActions();
}

void TFileListPage::Clear() {
  files_.Clear();
  Refresh();
}

void TFileListPage::AddFiles(const QStringList& names) {
  std::vector<std::string> list;
  for (const QString& name : names) list.push_back(name.toStdString());
  app::BeginBusy();
  files_.AddFiles(list);
  app::EndBusy();
  Refresh();
}

void TFileListPage::AddVideo() {
  const QStringList names =
      dialogs_.OpenFileNames(this, QString::fromStdString(settings_.LastOpenDir), kAddFilter);
  if (names.isEmpty()) return;
  AddFiles(names);
  settings_.LastOpenDir = app::WithTrailingSeparator(QFileInfo(names.first()).absolutePath().toStdString());
}

void TFileListPage::DeleteSelected() {
  files_.DeleteSelected();
  Refresh();
}

void TFileListPage::MoveUp() {
  files_.MoveUp();
  Refresh();
}

void TFileListPage::MoveDown() {
  files_.MoveDown();
  Refresh();
}

void TFileListPage::PlaySelected() {
  if (files_.Selected() < 0) return;
  ShellOpen(QString::fromStdString(files_.Rows()[static_cast<size_t>(files_.Selected())].FullName()));
}

void TFileListPage::Refresh() {
  const QSignalBlocker blocker(list_);
  list_->clear();
  for (const convert::TFileListRow& row : files_.Rows()) {
    const auto& cells = row.Cells;
    list_->addItem(QString::fromStdString(cells[convert::fcFileMinName] + "\n" + cells[convert::fcDuration]));
  }
  list_->setCurrentRow(files_.Selected());
  UpdateActions();
}

void TFileListPage::UpdateActions() {
  delete_->setEnabled(files_.CanDelete());
  play_->setEnabled(files_.CanPlay());
  clear_->setEnabled(files_.CanClear());
  moveUp_->setEnabled(files_.CanMoveUp());
  moveDown_->setEnabled(files_.CanMoveDown());
}

void TFileListPage::AppendLog(const std::string& line) { emit LogLine(QString::fromStdString(line)); }

void TFileListPage::ShowFailedFiles(const std::vector<std::string>& errors) {
  QString text = convert::kFailedToAddText;
  for (const std::string& error : errors) text += "\n" + QString::fromStdString(error);
  dialogs_.Notice(window(), text);
}

int TFileListPage::TextWidth(const std::string& text) {
  return QFontMetrics(font()).horizontalAdvance(QString::fromStdString(text));
}

}  // namespace mediaconv::wizard
