#include "wizard/pages/DownloadSummaryPage.h"

#include <QLayout>

#include "ui/LinkLabel.h"
#include "ui/Palette.h"

namespace mediaconv::wizard {

TDownloadSummaryPage::TDownloadSummaryPage(const QString& finishedText, const QString& hint, QWidget* parent)
    : TSummaryPage(finishedText, hint, parent) {
  convert_ = new ui::TLinkLabel(kConvertCaption, Extras());
  convert_->setFont(ui::TitleFont());
  QPalette linkPalette = convert_->palette();
  linkPalette.setColor(QPalette::WindowText, ui::Colour(ui::palette::kAccent));
  convert_->setPalette(linkPalette);
  Extras()->layout()->addWidget(convert_);
}

}  // namespace mediaconv::wizard
