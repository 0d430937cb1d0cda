#include "wizard/convert/FormShutdown.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "convert/RunTexts.h"

namespace mediaconv::wizard {

TFormShutdown::TFormShutdown(const QString& editionName, QWidget* parent)
    : QDialog(parent), editionName_(editionName) {
  setWindowTitle(convert::kShutdownCaption);
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  auto* layout = new QVBoxLayout(this);
  auto* warning = new QLabel(convert::kShutdownWarning, this);
  QFont bold = warning->font();
  bold.setBold(true);
  warning->setFont(bold);
  description_ = new QLabel(this);
  timeLeft_ = new QLabel(QString::fromStdString(countdown_.LabelText()), this);
  auto* cancel = new QPushButton(convert::kShutdownCancel, this);
  cancel->setDefault(true);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  layout->addWidget(warning);
  layout->addWidget(description_);
  layout->addWidget(timeLeft_);
  layout->addWidget(cancel, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  timer_.setInterval(1000);
  connect(&timer_, &QTimer::timeout, this, &TFormShutdown::Tick);
  timer_.start();
}

void TFormShutdown::showEvent(QShowEvent* event) {
  description_->setText(QString::fromStdString(convert::ShutdownText(editionName_.toStdString())));
  QDialog::showEvent(event);
}

QString TFormShutdown::TimeLeftText() const { return timeLeft_->text(); }
QString TFormShutdown::DescriptionText() const { return description_->text(); }

void TFormShutdown::Tick() {
  if (countdown_.Tick()) {
    timer_.stop();
    accept();
    return;
  }
  timeLeft_->setText(QString::fromStdString(countdown_.LabelText()));
}

}  // namespace mediaconv::wizard
