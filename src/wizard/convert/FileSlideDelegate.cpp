#include "wizard/convert/FileSlideDelegate.h"

#include <QApplication>
#include <QPainter>

#include "convert/FileList.h"
#include "wizard/convert/FileListModel.h"

namespace mediaconv::wizard {

void TFileSlideDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
  painter->save();
  QStyleOptionViewItem background = option;
  initStyleOption(&background, index);
  background.text.clear();
  background.icon = {};
  background.decorationSize = {};
  const QWidget* widget = option.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, widget);

  const QRect slide = option.rect;
  const QPixmap thumbnail =
      index.siblingAtColumn(convert::fcMainImage).data(Qt::DecorationRole).value<QPixmap>();
  painter->drawPixmap(slide.left(), slide.top() + (slide.height() - TFileListModel::kThumbnailHeight) / 2,
                      thumbnail);

  const bool selected = option.state & QStyle::State_Selected;
  painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
  constexpr int kColumns[4] = {convert::fcFileMinName, convert::fcDuration, convert::fcBitrate,
                               convert::fcDimension};
  for (int line = 0; line < 4; ++line) {
    QFont font = option.font;
    font.setBold(line == 0);
    painter->setFont(font);
    const QRect box(slide.left() + kTextLeft, slide.top() + kLineTops[line], slide.width() - kTextLeft,
                    QFontMetrics(font).height());
    const QString text = index.siblingAtColumn(kColumns[line]).data(Qt::DisplayRole).toString();
    painter->drawText(box, Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(font).elidedText(text, Qt::ElideMiddle, box.width()));
  }
  painter->restore();
}

QSize TFileSlideDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
  return {std::max(option.rect.width(), kTextLeft + 255), TFileListModel::kSlideHeight};
}

}  // namespace mediaconv::wizard
