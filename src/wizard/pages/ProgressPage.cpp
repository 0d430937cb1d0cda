#include "wizard/pages/ProgressPage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/AppSettings.h"
#include "convert/ConversionRun.h"
#include "convert/RunTexts.h"
#include "ui/Palette.h"

namespace mediaconv::wizard {

TProgressPage::TProgressPage(app::AppSettings& settings, QWidget* parent)
    : QWidget(parent), settings_(settings) {
  list_ = new QTreeWidget(this);
  list_->setRootIsDecorated(false);
  QStringList titles;
  for (const auto& column : convert::kProgressColumns) titles << column.Title;
  list_->setHeaderLabels(titles);
  for (int i = 0; i < int(convert::kProgressColumns.size()); ++i)
    list_->setColumnWidth(i, convert::kProgressColumns[size_t(i)].Width);

  auto* status = new QGroupBox(this);
  auto* grid = new QGridLayout(status);
  grid->setHorizontalSpacing(2 * ui::kGrid);
  grid->setVerticalSpacing(ui::kGrid / 2);
  auto addRow = [&](int row, const QString& caption) {
    auto* label = new QLabel(caption, status);
    auto* value = new QLabel(status);
    grid->addWidget(label, row, 0);
    grid->addWidget(value, row, 1, 1, 2);
    return std::pair{label, value};
  };
  std::tie(currentFileCaption_, currentFile_) = addRow(0, "Current file:");
  estimated_ = addRow(1, convert::kStatusLabels[0]).second;
  elapsed_ = addRow(2, convert::kStatusLabels[1]).second;
  timeLeft_ = addRow(3, convert::kStatusLabels[2]).second;
  grid->addWidget(new QLabel(convert::kStatusLabels[3], status), 4, 0);
  bar_ = new QProgressBar(status);
  bar_->setRange(0, 100);
  bar_->setTextVisible(false);
  percent_ = new QLabel("0%", status);
  grid->addWidget(bar_, 4, 1);
  grid->addWidget(percent_, 4, 2);
  grid->setColumnStretch(1, 1);

  auto* options = new QGroupBox("Post-Progress Options", this);
  playSound_ = new QCheckBox("&Play a sound when conversion is finished", options);
  shutDown_ = new QCheckBox("&Shut down the computer after all tasks are finished", options);
  auto* optionsLayout = new QVBoxLayout(options);
  optionsLayout->addWidget(playSound_);
  optionsLayout->addWidget(shutDown_);
  // A change made while the run goes takes effect at its end.
  connect(playSound_, &QCheckBox::clicked, this, [this](bool on) { settings_.PlayASoundWhenFinished = on; });
  connect(shutDown_, &QCheckBox::clicked, this, [this](bool on) { settings_.ShutDownWhenFinished = on; });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(ui::kPageMargin, 0, 2 * ui::kGrid, ui::kGrid);
  layout->setSpacing(ui::kGrid);
  layout->addWidget(list_, 1);
  layout->addWidget(status);
  layout->addWidget(options);
}

void TProgressPage::LoadCompletionOptions() {
  playSound_->setChecked(settings_.PlayASoundWhenFinished);
  shutDown_->setChecked(settings_.ShutDownWhenFinished);
}

void TProgressPage::ClearProgressList() { list_->clear(); }

}  // namespace mediaconv::wizard
