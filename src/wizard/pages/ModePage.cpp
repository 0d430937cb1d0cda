#include "wizard/pages/ModePage.h"

#include <QGridLayout>
#include <QRadioButton>

#include "ui/LinkLabel.h"
#include "ui/Palette.h"
#include "wizard/WizardTexts.h"

namespace mediaconv::wizard {

TModePage::TModePage(QWidget* parent) : QWidget(parent) {
  download_ = new QRadioButton(kDownloadChoice, this);
  convert_ = new QRadioButton(kConvertChoice, this);
  download_->setChecked(true);
  downloadPicture_ = new ui::TLinkLabel({}, this);
  convertPicture_ = new ui::TLinkLabel({}, this);
  for (QWidget* choice : {static_cast<QWidget*>(download_), static_cast<QWidget*>(convert_)})
    choice->setFont(ui::TitleFont(false));

  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(2 * ui::kGrid, 3 * ui::kGrid, 2 * ui::kGrid, 2 * ui::kGrid);
  layout->setHorizontalSpacing(2 * ui::kGrid);
  layout->setVerticalSpacing(4 * ui::kGrid);
  layout->addWidget(downloadPicture_, 0, 0, Qt::AlignCenter);
  layout->addWidget(download_, 0, 1);
  layout->addWidget(convertPicture_, 1, 0, Qt::AlignCenter);
  layout->addWidget(convert_, 1, 1);
  layout->setColumnStretch(1, 1);
  layout->setRowStretch(2, 1);

  connect(downloadPicture_, &ui::TLinkLabel::Clicked, download_, [this] { download_->setChecked(true); });
  connect(convertPicture_, &ui::TLinkLabel::Clicked, convert_, [this] { convert_->setChecked(true); });
}

void TModePage::SetPictures(const QPixmap& download, const QPixmap& convert) {
  downloadPicture_->setPixmap(download);
  convertPicture_->setPixmap(convert);
}

}  // namespace mediaconv::wizard
