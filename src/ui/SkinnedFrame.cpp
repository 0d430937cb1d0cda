#include "ui/SkinnedFrame.h"

#include <QBitmap>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>

#include "ui/Palette.h"

namespace mediaconv::ui {

TSkinnedFrame::TSkinnedFrame(QSize size, QWidget* parent) : QWidget(parent) {
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setFixedSize(size);
  setAttribute(Qt::WA_TranslucentBackground);
}

void TSkinnedFrame::SetSkin(const QPixmap& skin) {
  skin_ = skin;
  // The mask makes the cut-out parts click-through too, also where the
  // platform has no translucent windows.
  if (!skin_.isNull() && skin_.hasAlphaChannel())
    setMask(skin_.scaled(size()).mask());
  else
    clearMask();
  update();
}

void TSkinnedFrame::AddDragHandle(QWidget* handle) {
  handle->installEventFilter(this);
  handle->setCursor(Qt::SizeAllCursor);
}

void TSkinnedFrame::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (skin_.isNull())
    PaintFallback(painter);
  else
    painter.drawPixmap(rect(), skin_);
}

void TSkinnedFrame::PaintFallback(QPainter& painter) {
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath outline;
  outline.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kRadius, kRadius);
  painter.fillPath(outline, Colour(palette::kSurface));
  painter.save();
  painter.setClipPath(outline);
  painter.fillRect(QRect(0, 0, width(), 36), Colour(palette::kFrameBand));
  painter.fillRect(QRect(0, height() - 48, width(), 48), Colour(palette::kFrameBand));
  painter.restore();
  painter.setPen(QPen(Colour(palette::kBorder), 1));
  painter.drawPath(outline);
}

bool TSkinnedFrame::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton) break;
      // The window manager's own move where it offers one (Wayland needs it).
      if (windowHandle() && windowHandle()->startSystemMove()) return true;
      dragging_ = true;
      dragOffset_ = mouse->globalPosition().toPoint() - frameGeometry().topLeft();
      return true;
    }
    case QEvent::MouseMove:
      if (dragging_) {
        move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - dragOffset_);
        return true;
      }
      break;
    case QEvent::MouseButtonRelease:
      if (dragging_) {
        dragging_ = false;
        return true;
      }
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace mediaconv::ui
