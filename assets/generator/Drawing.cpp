#include "Drawing.h"

#include <QFontMetricsF>
#include <QLinearGradient>

#include "Pictograms.h"

namespace assetgen {

void Card(QPainter& painter, const QRectF& rect, const QColor& fill, const QColor& border, double radius) {
  painter.save();
  painter.setBrush(fill);
  painter.setPen(border.alpha() == 0 ? QPen(Qt::NoPen) : QPen(border, 1.0));
  painter.drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
  painter.restore();
}

QFont FittingFont(const QString& text, double pixelSize, double width, bool bold) {
  QFont font = Font(pixelSize, bold);
  for (double size = pixelSize; size >= 7; size -= 1) {
    font = Font(size, bold);
    if (QFontMetricsF(font).horizontalAdvance(text) <= width) break;
  }
  return font;
}

void CentredText(QPainter& painter, const QRectF& rect, const QString& text, const QFont& font,
                 const QColor& colour) {
  painter.save();
  painter.setFont(font);
  painter.setPen(colour);
  painter.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, text);
  painter.restore();
}

void Mark(QPainter& painter, const QRectF& tile) {
  QLinearGradient ground(tile.topLeft(), tile.bottomLeft());
  ground.setColorAt(0, kAccent);
  ground.setColorAt(1, kAccentHover);
  painter.save();
  painter.setPen(Qt::NoPen);
  painter.setBrush(ground);
  const double radius = tile.width() * 0.25;
  painter.drawRoundedRect(tile, radius, radius);
  painter.restore();
  const double inset = tile.width() * 0.16;
  DrawPictogram(painter, pgConvert, tile.adjusted(inset, inset, -inset, -inset), kWhite,
                kStroke * tile.width() / 28.0);
}

}  // namespace assetgen
