#include "ui/LinkLabel.h"

#include <QMouseEvent>

namespace mediaconv::ui {

TLinkLabel::TLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setCursor(Qt::PointingHandCursor);
}

void TLinkLabel::SetUnderline(bool underline) {
  QFont f = font();
  f.setUnderline(underline);
  setFont(f);
}

void TLinkLabel::enterEvent(QEnterEvent* event) {
  SetUnderline(true);
  QLabel::enterEvent(event);
}

void TLinkLabel::leaveEvent(QEvent* event) {
  SetUnderline(false);
  QLabel::leaveEvent(event);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit Clicked();
  QLabel::mouseReleaseEvent(event);
}

}  // namespace mediaconv::ui
