#include "wizard/pages/FileListPage.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AppSettings.h"
#include "app/BusyCounter.h"
#include "wizard/Dialogs.h"
#include "wizard/Shell.h"
#include "wizard/convert/FileListModel.h"
#include "wizard/convert/FileSlideDelegate.h"
#include "wizard/convert/FormFailedAddFile.h"

#include "ui/Palette.h"

namespace mediaconv::wizard {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

std::vector<std::string> Names(const QStringList& names) {
  std::vector<std::string> list;
  list.reserve(size_t(names.size()));
  for (const QString& name : names) list.push_back(name.toStdString());
  return list;
}

}  // namespace

TFileListPage::TFileListPage(engine::TFFDecoder& prober, TDialogs& dialogs, app::AppSettings& settings,
                             QWidget* parent)
    : QWidget(parent),
      dialogs_(dialogs),
      settings_(settings),
      files_(prober, *this),
      model_(std::make_unique<TFileListModel>(files_)) {
  grid_ = new QListView(this);
  grid_->setObjectName("FileGrid");
  grid_->setModel(model_.get());
  grid_->setItemDelegate(new TFileSlideDelegate(grid_));
  grid_->setUniformItemSizes(true);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setDragDropMode(QAbstractItemView::InternalMove);
  grid_->setDefaultDropAction(Qt::MoveAction);
  grid_->setDragEnabled(true);
  grid_->setAcceptDrops(true);
  grid_->setDropIndicatorShown(true);
  grid_->setContextMenuPolicy(Qt::CustomContextMenu);

  CreateActions();
  auto* buttons = new QVBoxLayout;
  buttons->setSpacing(ui::kGrid);
  for (size_t i = 0; i < actions_.size(); ++i) {
    buttons_[i] = new QPushButton(actions_[i]->text(), this);
    connect(buttons_[i], &QPushButton::clicked, actions_[i], &QAction::trigger);
    buttons->addWidget(buttons_[i]);
  }
  buttons->insertSpacing(3, ui::kGrid);
  buttons->insertSpacing(6, ui::kGrid);
  buttons->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(ui::kPageMargin, 0, 2 * ui::kGrid, ui::kGrid);
  layout->setSpacing(2 * ui::kGrid);
  layout->addWidget(grid_, 1);
  layout->addLayout(buttons);

  menu_ = new QMenu(this);
  for (int entry : convert::kFileListMenu) {
    if (entry < 0)
      menu_->addSeparator();
    else
      menu_->addAction(actions_[size_t(entry)]);
  }
  connect(grid_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { menu_->popup(grid_->viewport()->mapToGlobal(at)); });
  connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (current.row() != files_.Selected()) files_.Select(current.row());
            UpdateActions();
          });
  connect(grid_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    files_.Select(index.row());
    PlaySelected();
  });
  connect(model_.get(), &TFileListModel::SelectedChanged, this, &TFileListPage::SelectRow);
  // No repainting while files are added one after another.
  connect(model_.get(), &TFileListModel::AddStarted, this, [this] { grid_->setUpdatesEnabled(false); });
  connect(model_.get(), &TFileListModel::AddFinished, this, [this] { grid_->setUpdatesEnabled(true); });
  connect(model_.get(), &QAbstractItemModel::rowsInserted, this, &TFileListPage::UpdateActions);
  connect(model_.get(), &QAbstractItemModel::rowsRemoved, this, &TFileListPage::UpdateActions);
  connect(model_.get(), &QAbstractItemModel::modelReset, this, &TFileListPage::UpdateActions);
  UpdateActions();
}

TFileListPage::~TFileListPage() {
  // The view lets go of the model before the model goes.
  grid_->setModel(nullptr);
}

void TFileListPage::CreateActions() {
  using Method = void (TFileListPage::*)();
  constexpr std::array<Method, convert::kFileListActionCount> kMethods = {
      &TFileListPage::AddVideo, &TFileListPage::DeleteSelected, &TFileListPage::Clear,
      &TFileListPage::MoveUp,   &TFileListPage::MoveDown,       &TFileListPage::PlaySelected};
  for (size_t i = 0; i < actions_.size(); ++i) {
    // The window owns the shortcuts, so that they act only on this page.
    const convert::TActionText& text = convert::kFileListActions[i];
    actions_[i] = new QAction(text.Caption, this);
    actions_[i]->setShortcut(QKeySequence(text.Shortcut));
    actions_[i]->setShortcutContext(Qt::WidgetShortcut);
    connect(actions_[i], &QAction::triggered, this, kMethods[i]);
  }
}

void TFileListPage::Clear() { files_.Clear(); }

void TFileListPage::AddFiles(const QStringList& names) {
  if (names.isEmpty()) return;
  app::BeginBusy();
  // Pending window events run first, as the list will not be repainted until the end.
  QCoreApplication::processEvents();
  files_.AddFiles(Names(names));
  app::EndBusy();
  UpdateActions();
}

void TFileListPage::AddDroppedFiles(const QStringList& names) {
  std::vector<convert::TDroppedItem> items;
  for (const QString& name : names) items.push_back({name.toStdString(), QFileInfo(name).isDir()});
  QStringList kept;
  for (const std::string& name : convert::DroppedFiles(items)) kept << Q(name);
  AddFiles(kept);
}

void TFileListPage::AddVideo() {
  const QStringList names =
      dialogs_.OpenFileNames(this, Q(settings_.LastOpenDir), Q(std::string(convert::kAddDialogFilter)));
  if (names.isEmpty()) return;
  AddFiles(names);
  settings_.LastOpenDir = convert::AddDialogFollowUp(Names(names), settings_.LastOpenDir).LastOpenDir;
}

void TFileListPage::DeleteSelected() { files_.DeleteSelected(); }
void TFileListPage::MoveUp() { files_.MoveUp(); }
void TFileListPage::MoveDown() { files_.MoveDown(); }

void TFileListPage::PlaySelected() {
  if (files_.Selected() < 0) return;
  ShellOpen(Q(files_.Rows()[static_cast<size_t>(files_.Selected())].FullName()));
}

void TFileListPage::Refresh() {
  SelectRow(files_.Selected());
  UpdateActions();
}

void TFileListPage::SelectRow(int row) {
  const QModelIndex index = model_->index(row, 0);
  if (index.isValid())
    grid_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  else
    grid_->selectionModel()->clear();
  UpdateActions();
}

void TFileListPage::UpdateActions() {
  const bool enabled[convert::kFileListActionCount] = {true,
                                                       files_.CanDelete(),
                                                       files_.CanClear(),
                                                       files_.CanMoveUp(),
                                                       files_.CanMoveDown(),
                                                       files_.CanPlay()};
  for (size_t i = 0; i < actions_.size(); ++i) {
    actions_[i]->setEnabled(enabled[i]);
    if (buttons_[i]) buttons_[i]->setEnabled(enabled[i]);
  }
}

void TFileListPage::AppendLog(const std::string& line) { emit LogLine(Q(line)); }

void TFileListPage::ShowFailedFiles(const std::vector<std::string>& errors) {
  TFormFailedAddFile form(errors, openSupportPage_, window());
  dialogs_.ShowModal(form);
}

int TFileListPage::TextWidth(const std::string& text) {
  return QFontMetrics(font()).horizontalAdvance(Q(text));
}

}  // namespace mediaconv::wizard
