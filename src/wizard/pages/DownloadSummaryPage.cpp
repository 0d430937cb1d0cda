#include "wizard/pages/DownloadSummaryPage.h"

#include <QLayout>

#include "ui/LinkLabel.h"
#include "ui/Palette.h"

namespace mediaconv::wizard {

TDownloadSummaryPage::TDownloadSummaryPage(const QString& finishedText, const QString& hint, QWidget* parent)
    : TSummaryPage(finishedText, hint, parent) {
  convert_ = new ui::TLinkLabel(kConvertCaption, Extras());
  convert_->setFont(ui::TitleFont());
  convert_->setProperty("role", ui::kRoleLink);
  Extras()->layout()->addWidget(convert_);
}

}  // namespace mediaconv::wizard
