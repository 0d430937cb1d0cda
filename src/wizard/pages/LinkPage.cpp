#include "wizard/pages/LinkPage.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AppSettings.h"
#include "app/FileNameHelpers.h"
#include "download/QualityTable.h"
#include "ui/Palette.h"
#include "wizard/Dialogs.h"
#include "wizard/FormQuality.h"
#include "wizard/Shell.h"
#include "wizard/WizardTexts.h"

namespace mediaconv::wizard {

TLinkPage::TLinkPage(TDialogs& dialogs, app::AppSettings& settings, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), settings_(settings) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(ui::kPageMargin, 0, 2 * ui::kGrid, ui::kGrid);
  layout->setSpacing(ui::kGrid);
  layout->addWidget(CreateLinkGroup(), 1);
  layout->addWidget(CreateSetupGroup());
  layout->addWidget(CreateQualityGroup());
  UpdateActions();
}

QWidget* TLinkPage::CreateLinkGroup() {
  auto* group = new QGroupBox(" Input URLs ", this);
  list_ = new QListWidget(group);
  list_->setObjectName("Videos");
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setContextMenuPolicy(Qt::ActionsContextMenu);
  paste_ = new QPushButton("&Paste", group);
  remove_ = new QPushButton("&Remove", group);
  empty_ = new QPushButton("&Empty", group);
  // The list's pop-up menu. Ctrl+V is the window's shortcut (a second one
  // here would make the key ambiguous), so the menu only names it.
  pasteAction_ = new QAction("&Paste\tCtrl+V", list_);
  removeAction_ = new QAction("&Remove", list_);
  list_->addActions({pasteAction_, removeAction_});

  auto* buttons = new QVBoxLayout;
  buttons->setSpacing(ui::kGrid);
  for (QPushButton* button : {paste_, remove_, empty_}) buttons->addWidget(button);
  buttons->addStretch(1);
  auto* row = new QHBoxLayout(group);
  row->setSpacing(2 * ui::kGrid);
  row->addWidget(list_, 1);
  row->addLayout(buttons);

  connect(paste_, &QPushButton::clicked, this, &TLinkPage::PasteRequested);
  connect(pasteAction_, &QAction::triggered, this, &TLinkPage::PasteRequested);
  connect(remove_, &QPushButton::clicked, this, &TLinkPage::RemoveSelected);
  connect(removeAction_, &QAction::triggered, this, &TLinkPage::RemoveSelected);
  connect(empty_, &QPushButton::clicked, this, &TLinkPage::ClearLinks);
  connect(list_, &QListWidget::currentRowChanged, this, &TLinkPage::UpdateActions);
  connect(list_, &QListWidget::itemDoubleClicked, this,
          [](QListWidgetItem* item) { ShellOpen(item->text()); });
  return group;
}

QWidget* TLinkPage::CreateSetupGroup() {
  auto* group = new QGroupBox(" Setup ", this);
  folder_ = new QLineEdit(group);
  select_ = new QPushButton("Select...", group);
  auto* row = new QHBoxLayout(group);
  row->setSpacing(ui::kGrid);
  row->addWidget(new QLabel("Output directory:", group));
  row->addWidget(folder_, 1);
  row->addWidget(select_);
  connect(select_, &QPushButton::clicked, this, &TLinkPage::SelectFolder);
  return group;
}

QWidget* TLinkPage::CreateQualityGroup() {
  auto* group = new QGroupBox(" Quality ", this);
  prefer_ = new QCheckBox("Prefer YouTube high quality", group);
  config_ = new QPushButton("Config...", group);
  qualitySummary_ = new QLabel(group);
  qualitySummary_->setProperty("role", ui::kRoleSecondary);
  qualitySummary_->setWordWrap(true);  // the eight codes need not fit one line
  auto* top = new QHBoxLayout;
  top->addWidget(prefer_, 1);
  top->addWidget(config_);
  auto* column = new QVBoxLayout(group);
  column->setSpacing(ui::kGrid / 2);
  column->addLayout(top);
  column->addWidget(qualitySummary_);
  connect(prefer_, &QCheckBox::toggled, this, [this](bool checked) {
    config_->setEnabled(checked);
    ShowQualitySummary();
  });
  config_->setEnabled(prefer_->isChecked());
  connect(config_, &QPushButton::clicked, this, &TLinkPage::ConfigQuality);
  return group;
}

void TLinkPage::Paste(const QString& text) {
  links_.Paste(text.toStdString());
  UpdateActions();
}

void TLinkPage::ClearLinks() {
  links_.Clear();
  UpdateActions();
}

void TLinkPage::RemoveSelected() {
  const int focus = links_.Remove(list_->currentRow());
  if (focus >= 0) {
    list_->setCurrentRow(focus);
    list_->scrollToItem(list_->item(focus));
  }
  list_->setFocus();
  UpdateActions();
}

bool TLinkPage::ConfirmLinkMessage(const std::string& text) {
  return dialogs_.NoticeOkCancel(window(), QString::fromStdString(text));
}

void TLinkPage::LinkAdded(int index, const std::string& link) {
  list_->insertItem(index, QString::fromStdString(link));
}

void TLinkPage::LinkRemoved(int index) { delete list_->takeItem(index); }

void TLinkPage::LinksCleared() {
  list_->clear();
  UpdateActions();
}

void TLinkPage::LoadLinkPage() {
  folder_->setText(QString::fromStdString(settings_.OutputURLDir));
  prefer_->setChecked(settings_.PreferYouTubeQuality);
  config_->setEnabled(settings_.PreferYouTubeQuality);
  ShowQualitySummary();
}

void TLinkPage::SaveLinkPage() {
  const QString folder = folder_->text();
  settings_.OutputURLDir =
      folder.isEmpty() ? std::string() : app::WithTrailingSeparator(folder.toStdString());
  settings_.PreferYouTubeQuality = prefer_->isChecked();
}

void TLinkPage::SetClipboardHasText(bool hasText) {
  clipboardHasText_ = hasText;
  UpdateActions();
}

void TLinkPage::ConfigQuality() {
  TFormQuality dialog(download::RankingFromSettings(settings_), window());
  if (dialogs_.ShowModal(dialog) != QDialog::Accepted) return;
  download::StoreRanking(settings_, dialog.Ranking());
  ShowQualitySummary();
}

void TLinkPage::SelectFolder() {
  const auto folder =
      dialogs_.SelectFolder(window(), kSelectFolderTitle, QString::fromStdString(settings_.OutputURLDir));
  if (!folder) return;
  const std::string chosen = app::WithTrailingSeparator(folder->toStdString());
  folder_->setText(QString::fromStdString(chosen));
  settings_.OutputURLDir = chosen;
}

void TLinkPage::ShowQualitySummary() {
  qualitySummary_->setText(QString::fromStdString(
      download::QualitySummary(prefer_->isChecked(), download::RankingFromSettings(settings_))));
}

void TLinkPage::UpdateActions() {
  paste_->setEnabled(clipboardHasText_);
  pasteAction_->setEnabled(clipboardHasText_);
  const bool selected = links_.CanRemove(list_->currentRow());
  remove_->setEnabled(selected);
  removeAction_->setEnabled(selected);
  empty_->setEnabled(links_.CanEmpty());
}

}  // namespace mediaconv::wizard
