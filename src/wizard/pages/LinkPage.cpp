#include "wizard/pages/LinkPage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AppSettings.h"
#include "app/FileNameHelpers.h"
#include "ui/Palette.h"
#include "wizard/Dialogs.h"
#include "wizard/Shell.h"
#include "wizard/WizardTexts.h"

namespace mediaconv::wizard {

TLinkPage::TLinkPage(TDialogs& dialogs, app::AppSettings& settings, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), settings_(settings) {
  links_ = new QListWidget(this);
  paste_ = new QPushButton("&Paste", this);
  remove_ = new QPushButton("&Remove", this);
  empty_ = new QPushButton("&Empty", this);
  auto* buttons = new QVBoxLayout;
  buttons->setSpacing(ui::kGrid);
  for (QPushButton* button : {paste_, remove_, empty_}) buttons->addWidget(button);
  buttons->addStretch(1);
  auto* listRow = new QHBoxLayout;
  listRow->setSpacing(2 * ui::kGrid);
  listRow->addWidget(links_, 1);
  listRow->addLayout(buttons);

  auto* folderRow = new QHBoxLayout;
  folderRow->setSpacing(ui::kGrid);
  folder_ = new QLineEdit(this);
  select_ = new QPushButton("Select...", this);
  folderRow->addWidget(new QLabel("Download directory:", this));
  folderRow->addWidget(folder_, 1);
  folderRow->addWidget(select_);

  auto* quality = new QGroupBox(" Quality ", this);
  prefer_ = new QCheckBox("Prefer YouTube high quality", quality);
  config_ = new QPushButton("Config...", quality);
  qualitySummary_ = new QLabel(quality);
  auto* qualityLayout = new QGridLayout(quality);
  qualityLayout->addWidget(prefer_, 0, 0);
  qualityLayout->addWidget(config_, 0, 1, Qt::AlignRight);
  qualityLayout->addWidget(qualitySummary_, 1, 0, 1, 2);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(ui::kPageMargin, 0, 2 * ui::kGrid, ui::kGrid);
  layout->setSpacing(2 * ui::kGrid);
  layout->addLayout(listRow, 1);
  layout->addLayout(folderRow);
  layout->addWidget(quality);

  connect(paste_, &QPushButton::clicked, this, &TLinkPage::PasteRequested);
  connect(remove_, &QPushButton::clicked, this, [this] {
    delete links_->currentItem();
    UpdateActions();
  });
  connect(empty_, &QPushButton::clicked, this, &TLinkPage::ClearLinks);
  connect(select_, &QPushButton::clicked, this, &TLinkPage::SelectFolder);
  config_->setEnabled(prefer_->isChecked());
  connect(prefer_, &QCheckBox::toggled, config_, &QWidget::setEnabled);
  connect(links_, &QListWidget::currentRowChanged, this, &TLinkPage::UpdateActions);
  connect(links_, &QListWidget::itemDoubleClicked, this,
          [](QListWidgetItem* item) { ShellOpen(item->text()); });
  UpdateActions();
}

int TLinkPage::LinkCount() const { return links_->count(); }

QStringList TLinkPage::Links() const {
  QStringList links;
  for (int i = 0; i < links_->count(); ++i) links << links_->item(i)->text();
  return links;
}

void TLinkPage::AddLink(const QString& link) {
  links_->addItem(link);
  UpdateActions();
}

void TLinkPage::ClearLinks() {
  links_->clear();
  UpdateActions();
}

void TLinkPage::LoadLinkPage() {
  folder_->setText(QString::fromStdString(settings_.OutputURLDir));
  prefer_->setChecked(settings_.PreferYouTubeQuality);
  config_->setEnabled(settings_.PreferYouTubeQuality);
}

void TLinkPage::SaveLinkPage() {
  settings_.OutputURLDir = app::WithTrailingSeparator(folder_->text().toStdString());
  settings_.PreferYouTubeQuality = prefer_->isChecked();
}

void TLinkPage::SetClipboardHasText(bool hasText) {
  clipboardHasText_ = hasText;
  UpdateActions();
}

void TLinkPage::SelectFolder() {
  const auto folder =
      dialogs_.SelectFolder(window(), kSelectFolderTitle, QString::fromStdString(settings_.OutputURLDir));
  if (!folder) return;
  folder_->setText(QString::fromStdString(app::WithTrailingSeparator(folder->toStdString())));
}

void TLinkPage::UpdateActions() {
  paste_->setEnabled(clipboardHasText_);
  remove_->setEnabled(links_->currentRow() >= 0);
  empty_->setEnabled(links_->count() > 0);
}

}  // namespace mediaconv::wizard
