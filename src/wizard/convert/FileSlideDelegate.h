#pragma once
#include <QStyledItemDelegate>

namespace mediaconv::wizard {

// Draws a file-list row as a slide: the thumbnail at the left and four text
// lines beside it (path in bold, duration, bit rate, dimension or codec).
class TFileSlideDelegate : public QStyledItemDelegate {
 public:
  static constexpr int kTextLeft = 136;
  static constexpr int kLineTops[4] = {0, 33, 49, 65};

  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace mediaconv::wizard
