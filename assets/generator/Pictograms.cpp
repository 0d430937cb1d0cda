#include "Pictograms.h"

#include <QPainterPath>
#include <QTransform>

namespace assetgen {
namespace {

QPainterPath RoundRect(double x, double y, double w, double h, double r) {
  QPainterPath path;
  path.addRoundedRect(QRectF(x, y, w, h), r, r);
  return path;
}

QPainterPath Circle(double cx, double cy, double r) {
  QPainterPath path;
  path.addEllipse(QPointF(cx, cy), r, r);
  return path;
}

QPainterPath Line(double x1, double y1, double x2, double y2) {
  QPainterPath path(QPointF(x1, y1));
  path.lineTo(x2, y2);
  return path;
}

QPainterPath Polyline(std::initializer_list<QPointF> points, bool closed = false) {
  QPainterPath path;
  bool first = true;
  for (const QPointF& point : points) {
    if (first)
      path.moveTo(point);
    else
      path.lineTo(point);
    first = false;
  }
  if (closed) path.closeSubpath();
  return path;
}

// Keys of a keypad: short dashes on a grid.
QPainterPath Keys(double left, double top, int columns, int rows, double pitchX, double pitchY) {
  QPainterPath path;
  for (int row = 0; row < rows; ++row)
    for (int column = 0; column < columns; ++column) {
      const double x = left + column * pitchX, y = top + row * pitchY;
      path.addPath(Line(x, y, x + 0.01, y));
    }
  return path;
}

QPainterPath Path(TPictogram pictogram) {
  QPainterPath path;
  switch (pictogram) {
    case pgVideo:
      path.addPath(RoundRect(2, 4, 20, 16, 3));
      path.addPath(Polyline({{10, 8.5}, {15.5, 12}, {10, 15.5}}, true));
      break;
    case pgFilm:
      path.addPath(RoundRect(3, 3, 18, 18, 3));
      path.addPath(Line(8, 3, 8, 21));
      path.addPath(Line(16, 3, 16, 21));
      path.addPath(Line(3, 12, 21, 12));
      path.addPath(Line(3, 7.5, 8, 7.5));
      path.addPath(Line(3, 16.5, 8, 16.5));
      path.addPath(Line(16, 7.5, 21, 7.5));
      path.addPath(Line(16, 16.5, 21, 16.5));
      break;
    case pgAudio:
      path.addPath(Polyline({{9, 18}, {9, 5}, {21, 3}, {21, 16}}));
      path.addPath(Circle(6, 18, 3));
      path.addPath(Circle(18, 16, 3));
      break;
    case pgWave:
      path.addPath(Line(3, 10, 3, 14));
      path.addPath(Line(7, 6, 7, 18));
      path.addPath(Line(11, 3, 11, 21));
      path.addPath(Line(15, 8, 15, 16));
      path.addPath(Line(19, 5, 19, 19));
      path.addPath(Line(23, 10, 23, 14));
      path.translate(-1, 0);
      break;
    case pgPlayer:
      path.addPath(RoundRect(5, 2, 14, 20, 3));
      path.addPath(RoundRect(8, 5, 8, 5, 1));
      path.addPath(Circle(12, 16, 3));
      break;
    case pgPhone:
      path.addPath(RoundRect(6, 2, 12, 20, 3));
      path.addPath(Line(11, 18, 13, 18));
      break;
    case pgTv:
      path.addPath(RoundRect(2, 4, 20, 13, 2));
      path.addPath(Line(8, 21, 16, 21));
      path.addPath(Line(12, 17, 12, 21));
      break;
    case pgHandheld:
      path.addPath(RoundRect(1, 6, 22, 12, 6));
      path.addPath(RoundRect(7.5, 8.5, 9, 7, 1));
      path.addPath(Line(3.5, 12, 5.5, 12));
      path.addPath(Line(19.5, 11, 19.51, 11));
      path.addPath(Line(19.5, 13.5, 19.51, 13.5));
      break;
    case pgKeyPhone:
      path.addPath(RoundRect(5, 2, 14, 20, 3));
      path.addPath(RoundRect(8, 5, 8, 6, 1));
      path.addPath(Keys(9, 15, 3, 2, 3, 3));
      break;
    case pgMobile:
      path.addPath(RoundRect(7, 2, 10, 20, 3));
      path.addPath(RoundRect(10, 5, 4, 4, 0.5));
      path.addPath(Keys(10, 13, 2, 2, 4, 4));
      break;
    case pgTablet:
      path.addPath(RoundRect(4, 2, 16, 20, 2.5));
      path.addPath(Line(11, 18, 13, 18));
      break;
    case pgDownload:
      path.addPath(Line(12, 3, 12, 15));
      path.addPath(Polyline({{7, 10}, {12, 15}, {17, 10}}));
      path.addPath(Polyline({{3, 15}, {3, 19}, {4, 21}, {20, 21}, {21, 19}, {21, 15}}));
      break;
    case pgConvert: {
      const QRectF ring(4, 4, 16, 16);
      QPainterPath upper;
      upper.arcMoveTo(ring, 180);
      upper.arcTo(ring, 180, -150);
      path.addPath(upper);
      path.addPath(Polyline({{14.6, 6.8}, {18.9, 8}, {20.1, 3.6}}));
      QPainterPath lower;
      lower.arcMoveTo(ring, 0);
      lower.arcTo(ring, 0, -150);
      path.addPath(lower);
      path.addPath(Polyline({{9.4, 17.2}, {5.1, 16}, {3.9, 20.4}}));
      break;
    }
    case pgLink:
      path.addPath(RoundRect(2, 8, 11, 8, 4));
      path.addPath(RoundRect(11, 8, 11, 8, 4));
      break;
    case pgMinimize:
      path.addPath(Line(6, 12, 18, 12));
      break;
    case pgClose:
      path.addPath(Line(6.5, 6.5, 17.5, 17.5));
      path.addPath(Line(17.5, 6.5, 6.5, 17.5));
      break;
    case pgCheck:
      path.addPath(Polyline({{5, 12.5}, {10, 17.5}, {19, 7}}));
      break;
  }
  return path;
}

}  // namespace

void DrawPictogram(QPainter& painter, TPictogram pictogram, const QRectF& box, const QColor& colour,
                   double stroke) {
  QTransform toBox;
  toBox.translate(box.left(), box.top());
  toBox.scale(box.width() / kPictogramBox, box.height() / kPictogramBox);
  painter.save();
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(colour, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.drawPath(toBox.map(Path(pictogram)));
  painter.restore();
}

}  // namespace assetgen
