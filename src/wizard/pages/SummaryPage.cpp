#include "wizard/pages/SummaryPage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "convert/ConversionRun.h"
#include "convert/RunTexts.h"
#include "ui/LinkLabel.h"
#include "ui/Palette.h"

namespace mediaconv::wizard {

TSummaryPage::TSummaryPage(const QString& finishedText, const QString& hint, QWidget* parent)
    : QWidget(parent) {
  finished_ = new QLabel(finishedText, this);
  finished_->setFont(ui::TitleFont());
  finished_->setWordWrap(true);

  auto* box = new QGroupBox(convert::kSummaryTitle, this);
  auto* grid = new QGridLayout(box);
  grid->setHorizontalSpacing(3 * ui::kGrid);
  auto addRow = [&](int row, const char* caption) {
    grid->addWidget(new QLabel(caption, box), row, 0);
    auto* value = new QLabel("0", box);
    grid->addWidget(value, row, 1);
    return value;
  };
  total_ = addRow(0, convert::kTotalFilesLabel);
  succeeded_ = addRow(1, convert::kSucceededLabel);
  failed_ = addRow(2, convert::kFailedLabel);
  grid->setColumnStretch(2, 1);

  errors_ = new QPlainTextEdit(this);
  errors_->setReadOnly(true);
  errors_->hide();
  errors_->setProperty("role", ui::kRoleError);

  openFolder_ = new ui::TLinkLabel("Open folder", this);
  openFolder_->setProperty("role", ui::kRoleLink);

  extras_ = new QWidget(this);
  auto* extrasLayout = new QVBoxLayout(extras_);
  extrasLayout->setContentsMargins(0, 0, 0, 0);

  hint_ = new QLabel(hint, this);
  hint_->setWordWrap(true);
  hint_->setProperty("role", ui::kRoleSecondary);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(ui::kPageMargin, 2 * ui::kGrid, 3 * ui::kGrid, 2 * ui::kGrid);
  layout->setSpacing(2 * ui::kGrid);
  layout->addWidget(finished_);
  layout->addWidget(box);
  layout->addWidget(errors_, 1);
  layout->addWidget(openFolder_);
  layout->addWidget(extras_);
  layout->addStretch(1);
  layout->addWidget(hint_);
}

void TSummaryPage::ShowCounts(int total, int succeeded, int failed) {
  total_->setText(QString::number(total));
  succeeded_->setText(QString::number(succeeded));
  failed_->setText(QString::number(failed));
}

void TSummaryPage::ShowErrors(const QStringList& lines) {
  errors_->setPlainText(lines.join('\n'));
  errors_->setVisible(!lines.isEmpty());
}

}  // namespace mediaconv::wizard
