#include "wizard/FormQuality.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/Palette.h"

namespace mediaconv::wizard {

namespace {

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

}  // namespace

TFormQuality::TFormQuality(const download::TRanking& ranking, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), model_(ranking) {
  setWindowTitle(kCaption);
  setFixedSize(kWidth, kHeight);

  list_ = new QTreeWidget(this);
  list_->setRootIsDecorated(false);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setHeaderLabels({"Type", "Format", "Video", "Audio"});
  list_->header()->setStretchLastSection(false);
  for (int column = 0; column < 4; ++column) list_->setColumnWidth(column, kColumnWidth);

  up_ = new QPushButton("&Up", this);
  down_ = new QPushButton("&Down", this);
  default_ = new QPushButton("&Default", this);
  best_ = new QPushButton("&Best Available", this);
  ok_ = new QPushButton("&OK", this);
  cancel_ = new QPushButton("&Cancel", this);
  ok_->setDefault(true);

  auto* buttons = new QVBoxLayout;
  buttons->setSpacing(ui::kGrid / 2);
  for (QPushButton* button : {up_, down_, default_, best_}) buttons->addWidget(button);
  buttons->addStretch(1);
  for (QPushButton* button : {ok_, cancel_}) buttons->addWidget(button);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(ui::kGrid, ui::kGrid, ui::kGrid, ui::kGrid);
  layout->setSpacing(ui::kGrid);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);

  connect(up_, &QPushButton::clicked, this, [this] { Move(&download::TQualityDialogModel::MoveUp); });
  connect(down_, &QPushButton::clicked, this, [this] { Move(&download::TQualityDialogModel::MoveDown); });
  connect(default_, &QPushButton::clicked, this,
          [this] { Reload(&download::TQualityDialogModel::LoadDefault); });
  connect(best_, &QPushButton::clicked, this,
          [this] { Reload(&download::TQualityDialogModel::LoadBestAvailable); });
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  ShowRows(-1);
}

void TFormQuality::Move(int (download::TQualityDialogModel::*move)(int)) {
  QTreeWidgetItem* current = list_->currentItem();
  const int selected = current && current->isSelected() ? list_->indexOfTopLevelItem(current) : -1;
  if (selected < 0) return;
  ShowRows((model_.*move)(selected));
  list_->setFocus();
}

void TFormQuality::Reload(void (download::TQualityDialogModel::*load)()) {
  (model_.*load)();
  ShowRows(-1);
}

void TFormQuality::ShowRows(int selected) {
  list_->clear();
  for (const download::TQualityFormat* format : model_.Rows())
    list_->addTopLevelItem(new QTreeWidgetItem(
        QStringList{Q(format->Code), Q(format->Format), Q(format->Video), Q(format->Audio)}));
  if (selected < 0) return;
  QTreeWidgetItem* item = list_->topLevelItem(selected);
  list_->setCurrentItem(item);
  list_->scrollToItem(item);
}

}  // namespace mediaconv::wizard
