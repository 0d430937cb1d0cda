#pragma once
#include <QAbstractTableModel>
#include <QPixmap>
#include <map>
#include <memory>

#include "convert/FileList.h"

namespace mediaconv::wizard {

// A thumbnail as the grid shows it: scaled into 128 x 88 with its aspect
// kept, centred on a transparent cell. An empty bitmap gives an empty cell.
QPixmap ThumbnailPixmap(const engine::TBitmap& bitmap);
QImage BitmapImage(const engine::TBitmap& bitmap);

// The file list as a Qt model: one row per file, the columns of the list
// (column 0 the thumbnail as its decoration). Changes of the list reach the
// views as row insertions, removals and moves, not as resets; rows dragged
// inside a view move in the list.
class TFileListModel : public QAbstractTableModel, private convert::TFileListObserver {
  Q_OBJECT

 public:
  static constexpr int kThumbnailWidth = 128;
  static constexpr int kThumbnailHeight = 88;
  static constexpr int kSlideHeight = 90;

  explicit TFileListModel(convert::TFileList& list, QObject* parent = nullptr);
  ~TFileListModel() override;

  convert::TFileList& List() { return list_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
  Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                    const QModelIndex& parent) override;

 signals:
  // Around one AddFiles: the grid stops repainting in between.
  void AddStarted();
  void AddFinished();
  void SelectedChanged(int row);

 private:
  void AddBegun() override { emit AddStarted(); }
  void AddEnded() override { emit AddFinished(); }
  void RowsAboutToBeInserted(int first, int last) override { beginInsertRows({}, first, last); }
  void RowsInserted(int, int) override { endInsertRows(); }
  void RowsAboutToBeRemoved(int first, int last) override { beginRemoveRows({}, first, last); }
  void RowsRemoved(int, int) override { endRemoveRows(); }
  void RowAboutToBeMoved(int from, int to) override;
  void RowMoved(int, int) override { endMoveRows(); }
  void AboutToBeReset() override { beginResetModel(); }
  void ResetDone() override { endResetModel(); }
  void SelectionChanged(int selected) override { emit SelectedChanged(selected); }

  const QPixmap& Thumbnail(const convert::TFileListRow& row) const;

  convert::TFileList& list_;
  // Scaled once per bitmap; the bitmaps stay with the window as long as the
  // model lives, also those of rows that were deleted.
  mutable std::map<const engine::TBitmap*, std::pair<std::shared_ptr<const engine::TBitmap>, QPixmap>>
      thumbnails_;
};

}  // namespace mediaconv::wizard
