#pragma once
#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRectF>
#include <QString>

#include "Palette.h"

namespace assetgen {

// A rounded rectangle with a 1 px border that lands on whole pixels at 1x and
// 2x: the outline runs half a pixel inside `rect`.
void Card(QPainter& painter, const QRectF& rect, const QColor& fill, const QColor& border,
          double radius = kRadius);

// The widest font of the family, no larger than `pixelSize`, that fits `text`
// into `width`.
QFont FittingFont(const QString& text, double pixelSize, double width, bool bold);

// Text centred in `rect` on one line.
void CentredText(QPainter& painter, const QRectF& rect, const QString& text, const QFont& font,
                 const QColor& colour);

// The product mark: an accent tile with the white turning arrows.
void Mark(QPainter& painter, const QRectF& tile);

}  // namespace assetgen
