#include "wizard/pages/ModePage.h"

#include <QGridLayout>
#include <QRadioButton>

#include "ui/LinkLabel.h"
#include "ui/Palette.h"
#include "wizard/WizardTexts.h"

namespace mediaconv::wizard {

TModePage::TModePage(QWidget* parent) : QWidget(parent) {
  download_ = new QRadioButton(this);
  convert_ = new QRadioButton(this);
  download_->setChecked(true);
  downloadPicture_ = new ui::TLinkLabel({}, this);
  convertPicture_ = new ui::TLinkLabel({}, this);
  // The captions wrap beside the pictures; a click on one chooses like its button.
  auto* downloadCaption = new ui::TLinkLabel(kDownloadChoice, this);
  auto* convertCaption = new ui::TLinkLabel(kConvertChoice, this);
  for (QRadioButton* choice : {download_, convert_})
    choice->setAccessibleName(choice == download_ ? kDownloadChoice : kConvertChoice);
  for (ui::TLinkLabel* caption : {downloadCaption, convertCaption}) {
    caption->setFont(ui::TitleFont(false));
    caption->setWordWrap(true);
    caption->setObjectName("choiceCaption");
  }

  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(2 * ui::kGrid, 2 * ui::kGrid, 3 * ui::kGrid, 2 * ui::kGrid);
  layout->setHorizontalSpacing(2 * ui::kGrid);
  layout->setVerticalSpacing(4 * ui::kGrid);
  layout->addWidget(downloadPicture_, 0, 0, Qt::AlignCenter);
  layout->addWidget(download_, 0, 1);
  layout->addWidget(downloadCaption, 0, 2);
  layout->addWidget(convertPicture_, 1, 0, Qt::AlignCenter);
  layout->addWidget(convert_, 1, 1);
  layout->addWidget(convertCaption, 1, 2);
  layout->setColumnStretch(2, 1);
  layout->setRowStretch(2, 1);

  for (ui::TLinkLabel* label : {downloadPicture_, downloadCaption})
    connect(label, &ui::TLinkLabel::Clicked, download_, [this] { download_->setChecked(true); });
  for (ui::TLinkLabel* label : {convertPicture_, convertCaption})
    connect(label, &ui::TLinkLabel::Clicked, convert_, [this] { convert_->setChecked(true); });
}

void TModePage::SetPictures(const QPixmap& download, const QPixmap& convert) {
  downloadPicture_->setPixmap(download);
  convertPicture_->setPixmap(convert);
}

}  // namespace mediaconv::wizard
