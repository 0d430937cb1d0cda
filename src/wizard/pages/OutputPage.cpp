#include "wizard/pages/OutputPage.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/AppSettings.h"
#include "app/FileNameHelpers.h"
#include "app/FormatButtonLayout.h"
#include "profiles/FormatCatalogue.h"
#include "profiles/SelectionState.h"
#include "ui/ImageButton.h"
#include "ui/ImageComboBox.h"
#include "ui/PageControl.h"
#include "ui/Palette.h"
#include "ui/SkinImage.h"
#include "wizard/Dialogs.h"
#include "wizard/WizardTexts.h"

namespace mediaconv::wizard {
namespace {

constexpr int kMargin = 18;
constexpr int kPresetTop = 132;

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

}  // namespace

TOutputPage::TOutputPage(TDialogs& dialogs, app::AppSettings& settings, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), settings_(settings) {
  auto* folderLabel = new QLabel("Output directory:", this);
  folderLabel->move(kMargin, 2 * ui::kGrid);
  folderLabel->adjustSize();
  folder_ = new QLineEdit(this);
  select_ = new QPushButton("Select...", this);
  select_->adjustSize();
  const int rowTop = 5 * ui::kGrid;
  select_->move(kPageWidth - kMargin - select_->width(), rowTop);
  folder_->setGeometry(kMargin, rowTop, select_->x() - ui::kGrid - kMargin, select_->height());
  connect(select_, &QPushButton::clicked, this, &TOutputPage::SelectFolder);

  auto* classLabel = new QLabel("Output format:", this);
  classLabel->move(kMargin, 13 * ui::kGrid + 4);
  classLabel->adjustSize();

  for (const profiles::TClassInfo& info : profiles::OutputClasses()) {
    auto* button = new ui::TImageButton(this);
    button->setText(Text(info.PageCaption));
    button->setCheckable(true);
    button->setAutoExclusive(true);
    button->SetFallbackSize({app::kClassButtonWidth - 4, app::kClassButtonHeight - 2});
    button->setObjectName(Text(info.Button));
    classButtons_[info.ClassId] = button;
    connect(button, &QAbstractButton::clicked, this, [this, id = info.ClassId] {
      profiles::TSelectionState(settings_).SelectClass(id);
      ShowClass(id);
    });
  }

  formatPages_ = new ui::TPageControl(this);
  for (const profiles::TClassInfo& info : profiles::OutputClasses()) {
    auto* page = new QWidget;
    page->setObjectName(Text(info.Page));
    formatPages_->AddPage(page);
    auto* presetsLabel = new QLabel("Presets:", page);
    presetsLabel->move(10, kPresetTop);
    presetsLabel->adjustSize();
    for (const profiles::TFormatInfo& format : info.Formats) {
      auto* button = new ui::TImageButton(page);
      button->setText(Text(format.Name == "MobilePhone" ? "Mobile" : format.Name));
      button->setCheckable(true);
      button->setAutoExclusive(true);
      button->SetFallbackSize({app::kFormatButtonWidth, app::kFormatButtonHeight});
      button->setObjectName(Text(format.Button));
      button->hide();
      formatButtons_[size_t(format.CatalogueIndex)] = button;
      connect(button, &QAbstractButton::clicked, this, [this, classId = info.ClassId, id = format.FormatId] {
        profiles::TSelectionState(settings_).SelectFormat(classId, id);
        ShowFormat(classId, id);
      });

      auto* list = new ui::TImageComboBox(page);
      list->setObjectName(Text(format.PresetList));
      for (std::string_view caption : format.Captions) list->AddItem(Text(caption));
      list->setGeometry(10, kPresetTop + 3 * ui::kGrid, kFormatPagesWidth - 20, 4 * ui::kGrid);
      list->hide();
      presetLists_[size_t(format.CatalogueIndex)] = list;
    }
  }
}

namespace {

// <folder><key>_normal.png ... in the order of the button states.
bool LoadStates(ui::TImageButton* button, const QString& folder, const QString& key) {
  static constexpr std::array<std::pair<ui::TImageButton::TState, const char*>, 4> kStates{
      {{ui::TImageButton::bsNormal, "normal"},
       {ui::TImageButton::bsHover, "hover"},
       {ui::TImageButton::bsPressed, "pressed"},
       {ui::TImageButton::bsSelected, "selected"}}};
  std::array<QPixmap, ui::TImageButton::kStateCount> images;
  for (const auto& [state, name] : kStates) {
    images[state] = ui::LoadSkinImage(folder, key + "_" + name + ".png");
    if (images[state].isNull()) return false;
  }
  images[ui::TImageButton::bsDisabled] = images[ui::TImageButton::bsNormal];
  button->SetImages(images);
  // The pictures name the format; the caption stays for screen readers.
  button->setAccessibleName(button->text());
  button->setText({});
  return true;
}

}  // namespace

void TOutputPage::LoadButtonImages(const QString& imagesFolder) {
  for (const profiles::TClassInfo& info : profiles::OutputClasses())
    LoadStates(classButtons_[info.ClassId], imagesFolder + "classes/", Text(info.Name).toLower());
  for (size_t i = 0; i < formatButtons_.size(); ++i)
    LoadStates(formatButtons_[i], imagesFolder + "formats/", Text(app::kFormatFlags[i].editionKey).toLower());
}

void TOutputPage::LayOutButtons(const app::TFormatFlags& flags) {
  for (const profiles::TClassInfo& info : profiles::OutputClasses()) {
    const auto formatClass = static_cast<app::TFormatClass>(info.ClassId);
    for (const profiles::TFormatInfo& format : info.Formats)
      formatButtons_[size_t(format.CatalogueIndex)]->hide();
    for (const app::TButtonPlace& place : app::FormatButtonLayout(flags, formatClass, kFormatPagesWidth)) {
      const profiles::TFormatInfo* format = profiles::FindFormat(info.ClassId, place.id);
      ui::TImageButton* button = formatButtons_[size_t(format->CatalogueIndex)];
      button->move(place.left, place.top);
      button->show();
    }
  }
  const app::TClassButtonLayout classes = app::ClassButtonLayout(flags, kPageWidth);
  for (ui::TImageButton* button : classButtons_) button->hide();
  for (const app::TButtonPlace& place : classes.buttons) {
    classButtons_[place.id]->move(place.left, place.top);
    classButtons_[place.id]->show();
  }
  formatPages_->setGeometry(kMargin, classes.formatPagesTop, kFormatPagesWidth, 424 - classes.formatPagesTop);
}

void TOutputPage::ShowClass(int classId) {
  const app::TFormatClass formatClass = app::FormatClassOf(static_cast<uint8_t>(classId));
  classButtons_[formatClass]->setChecked(true);
  formatPages_->SetActivePageIndex(formatClass);
}

void TOutputPage::ShowFormat(int classId, int formatId) {
  const profiles::TClassInfo* info = profiles::FindClass(classId);
  if (!info) return;
  for (const profiles::TFormatInfo& format : info->Formats)
    presetLists_[size_t(format.CatalogueIndex)]->setVisible(format.FormatId == formatId);
  if (const profiles::TFormatInfo* format = profiles::FindFormat(classId, formatId))
    formatButtons_[size_t(format->CatalogueIndex)]->setChecked(true);
}

void TOutputPage::LoadOutputPage() {
  profiles::TSelectionState selection(settings_);
  folder_->setText(QString::fromStdString(settings_.OutputFileDir));
  ShowClass(selection.ClassId());
  for (int classId : {profiles::kClassAudio, profiles::kClassVideo, profiles::kClassDevice})
    ShowFormat(classId, selection.FormatId(classId));
  for (const profiles::TFormatInfo& format : profiles::AllFormats())
    presetLists_[size_t(format.CatalogueIndex)]->SetItemIndex(selection.ListIndex(format));
}

void TOutputPage::SaveOutputPage() {
  settings_.OutputFileDir = app::WithTrailingSeparator(folder_->text().toStdString());
  profiles::TSelectionState selection(settings_);
  for (const profiles::TFormatInfo& format : profiles::AllFormats())
    selection.StoreListIndex(format, presetLists_[size_t(format.CatalogueIndex)]->ItemIndex());
}

void TOutputPage::SelectFolder() {
  const auto folder =
      dialogs_.SelectFolder(window(), kSelectFolderTitle, QString::fromStdString(settings_.OutputFileDir));
  if (!folder) return;
  settings_.OutputFileDir = app::WithTrailingSeparator(folder->toStdString());
  folder_->setText(QString::fromStdString(settings_.OutputFileDir));
}

}  // namespace mediaconv::wizard
