#include "wizard/pages/DownloadPage.h"

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/Palette.h"

namespace mediaconv::wizard {

TDownloadPage::TDownloadPage(QWidget* parent) : QWidget(parent) {
  list_ = new QTreeWidget(this);
  list_->setRootIsDecorated(false);
  list_->setHeaderLabels({"Title", "Size", "Status", "Link"});
  list_->setColumnWidth(0, 200);
  list_->setColumnWidth(1, 80);
  list_->setColumnWidth(2, 110);

  auto* panel = new QGroupBox(this);
  status_ = new QLabel(panel);
  status_->setWordWrap(true);
  bar_ = new QProgressBar(panel);
  bar_->setRange(0, 100);
  bar_->setTextVisible(false);
  auto* panelLayout = new QVBoxLayout(panel);
  panelLayout->addWidget(status_);
  panelLayout->addWidget(bar_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(ui::kPageMargin, 0, 2 * ui::kGrid, ui::kGrid);
  layout->setSpacing(ui::kGrid);
  layout->addWidget(list_, 1);
  layout->addWidget(panel);
}

void TDownloadPage::ClearDownloadList() { list_->clear(); }

}  // namespace mediaconv::wizard
