#include "wizard/convert/FileListModel.h"

#include <QDataStream>
#include <QIODevice>
#include <QImage>
#include <QMimeData>
#include <QPainter>

namespace mediaconv::wizard {
namespace {

constexpr const char* kRowMimeType = "application/x-mediaconv-file-row";

QImage::Format ImageFormat(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 15:
      return QImage::Format_RGB555;
    case 16:
      return QImage::Format_RGB16;
    case 24:
      return QImage::Format_BGR888;
    case 32:
      return QImage::Format_ARGB32;  // B, G, R, A bytes on a little-endian machine
    default:
      return QImage::Format_Invalid;
  }
}

}  // namespace

QImage BitmapImage(const engine::TBitmap& bitmap) {
  const QImage::Format format = ImageFormat(bitmap.BitsPerPixel);
  if (format == QImage::Format_Invalid || bitmap.Width <= 0 || bitmap.Height <= 0 ||
      bitmap.Bits.size() < static_cast<size_t>(bitmap.Stride) * bitmap.Height)
    return {};
  // Wrapped, then copied: the image outlives no bitmap.
  return QImage(bitmap.Bits.data(), bitmap.Width, bitmap.Height, bitmap.Stride, format).copy();
}

QPixmap ThumbnailPixmap(const engine::TBitmap& bitmap) {
  QPixmap cell(TFileListModel::kThumbnailWidth, TFileListModel::kThumbnailHeight);
  cell.fill(Qt::transparent);
  const QImage image = BitmapImage(bitmap);
  if (image.isNull()) return cell;
  const QImage scaled = image.scaled(cell.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
  QPainter painter(&cell);
  painter.drawImage((cell.width() - scaled.width()) / 2, (cell.height() - scaled.height()) / 2, scaled);
  return cell;
}

TFileListModel::TFileListModel(convert::TFileList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list) {
  list_.SetObserver(this);
}

TFileListModel::~TFileListModel() { list_.SetObserver(nullptr); }

int TFileListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : list_.Count(); }

int TFileListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : convert::kFileListColumnCount;
}

QVariant TFileListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= list_.Count()) return {};
  const convert::TFileListRow& row = list_.Rows()[index.row()];
  const int column = index.column();
  switch (role) {
    case Qt::DecorationRole:
      if (column == convert::fcMainImage) return Thumbnail(row);
      return {};
    case Qt::DisplayRole:
      if (column == convert::fcMainImage) return {};
      return QString::fromStdString(row.Cells[column]);
    case Qt::ToolTipRole:
      return QString::fromStdString(row.FullName());
    case Qt::SizeHintRole:
      return QSize(-1, kSlideHeight);
    default:
      return {};
  }
}

Qt::ItemFlags TFileListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::ItemIsDropEnabled;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList TFileListModel::mimeTypes() const { return {kRowMimeType}; }

QMimeData* TFileListModel::mimeData(const QModelIndexList& indexes) const {
  if (indexes.isEmpty()) return nullptr;
  QByteArray bytes;
  QDataStream stream(&bytes, QIODevice::WriteOnly);
  stream << indexes.front().row();
  auto* mime = new QMimeData;
  mime->setData(kRowMimeType, bytes);
  return mime;
}

bool TFileListModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int,
                                  const QModelIndex& parent) {
  if (action != Qt::MoveAction || !data || !data->hasFormat(kRowMimeType)) return false;
  int from = -1;
  QDataStream stream(data->data(kRowMimeType));
  stream >> from;
  if (from < 0 || from >= list_.Count()) return false;
  // row is the place before which to insert; dropped onto a row, that row's.
  int before = row >= 0 ? row : parent.isValid() ? parent.row() : list_.Count();
  int to = before > from ? before - 1 : before;
  to = std::clamp(to, 0, list_.Count() - 1);
  list_.Move(from, to);
  // The list moved the row itself: nothing for the view to remove.
  return false;
}

void TFileListModel::RowAboutToBeMoved(int from, int to) {
  beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
}

const QPixmap& TFileListModel::Thumbnail(const convert::TFileListRow& row) const {
  auto found = thumbnails_.find(row.Thumbnail.get());
  if (found == thumbnails_.end()) {
    const QPixmap pixmap = row.Thumbnail ? ThumbnailPixmap(*row.Thumbnail) : ThumbnailPixmap({});
    found = thumbnails_.emplace(row.Thumbnail.get(), std::make_pair(row.Thumbnail, pixmap)).first;
  }
  return found->second.second;
}

}  // namespace mediaconv::wizard
