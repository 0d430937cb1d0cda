#include "wizard/convert/FormFailedAddFile.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "convert/RunTexts.h"

namespace mediaconv::wizard {

TFormFailedAddFile::TFormFailedAddFile(const std::vector<std::string>& errors,
                                       std::function<void()> moreInformation, QWidget* parent)
    : QDialog(parent), moreInformation_(std::move(moreInformation)) {
  setWindowTitle(convert::kFailedToAddCaption);
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setObjectName("FormFailedAddFile");
  auto* layout = new QVBoxLayout(this);

  auto* top = new QHBoxLayout;
  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
  icon->setAlignment(Qt::AlignTop);
  auto* text = new QLabel(convert::kFailedToAddText, this);
  text->setWordWrap(true);
  top->addWidget(icon);
  top->addWidget(text, 1);
  layout->addLayout(top);

  list_ = new QTreeWidget(this);
  list_->setHeaderLabels({convert::kFailedToAddColumn});
  list_->setRootIsDecorated(false);
  for (const std::string& error : errors) new QTreeWidgetItem(list_, {QString::fromStdString(error)});
  layout->addWidget(list_, 1);

  auto* buttons = new QHBoxLayout;
  auto* more = new QPushButton(convert::kFailedToAddMoreInformation, this);
  more->setObjectName("MoreInformation");
  more->setAutoDefault(false);
  auto* close = new QPushButton(convert::kFailedToAddClose, this);
  close->setDefault(true);
  connect(more, &QPushButton::clicked, this, [this] {
    if (moreInformation_) moreInformation_();
  });
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  buttons->addWidget(more);
  buttons->addStretch(1);
  buttons->addWidget(close);
  layout->addLayout(buttons);
  resize(520, 340);
}

QStringList TFormFailedAddFile::Entries() const {
  QStringList entries;
  for (int i = 0; i < list_->topLevelItemCount(); ++i) entries << list_->topLevelItem(i)->text(0);
  return entries;
}

}  // namespace mediaconv::wizard
