#include "ui/ImageButton.h"

#include <QEnterEvent>
#include <QPainter>

#include "ui/Palette.h"

namespace mediaconv::ui {

TImageButton::TImageButton(QWidget* parent) : QAbstractButton(parent) {
  setCursor(Qt::PointingHandCursor);
  setAttribute(Qt::WA_Hover);
  resize(sizeHint());
}

void TImageButton::SetImages(const std::array<QPixmap, kStateCount>& images) {
  images_ = images;
  resize(sizeHint());
  update();
}

void TImageButton::SetFallbackSize(QSize size) {
  fallbackSize_ = size;
  resize(sizeHint());
}

void TImageButton::SetGlyph(TGlyph glyph) {
  glyph_ = glyph;
  update();
}

void TImageButton::SetTransparent(bool transparent) {
  transparent_ = transparent;
  update();
}

TImageButton::TState TImageButton::CurrentState() const {
  if (!isEnabled()) return bsDisabled;
  if (isChecked()) return bsSelected;
  if (isDown()) return bsPressed;
  if (hovered_) return bsHover;
  return bsNormal;
}

QSize TImageButton::sizeHint() const {
  return images_[bsNormal].isNull() ? fallbackSize_ : images_[bsNormal].deviceIndependentSize().toSize();
}

void TImageButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const TState state = CurrentState();
  if (!transparent_) {
    TState shown = state;
    if (shown == bsSelected && images_[bsSelected].isNull()) shown = bsPressed;
    const QPixmap& image = images_[shown].isNull() ? images_[bsNormal] : images_[shown];
    if (image.isNull())
      PaintFallback(painter, state);
    else
      painter.drawPixmap(rect(), image);
  } else if (state == bsHover || state == bsPressed || state == bsSelected) {
    // A soft highlight keeps the state readable on the dark band.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, state == bsPressed ? 56 : 32));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kRadius, kRadius);
  }
  if (text().isEmpty()) return;
  QFont font = BodyFont();
  font.setWeight(kEmphasis);
  painter.setFont(font);
  QColor colour = transparent_ ? Colour(palette::kWhite) : Colour(palette::kText);
  if (state == bsDisabled) colour.setAlpha(110);
  painter.setPen(colour);
  QRect textRect = rect();
  if (state == bsPressed) textRect.translate(0, 1);
  painter.drawText(textRect, Qt::AlignCenter | Qt::TextShowMnemonic, text());
}

void TImageButton::PaintFallback(QPainter& painter, TState state) {
  const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  if (glyph_ != bgNone) {
    // Window glyphs sit on the dark frame band: white strokes, a soft
    // highlight under the mouse, the error colour behind a pressed close.
    if (state == bsHover || state == bsPressed) {
      painter.setPen(Qt::NoPen);
      painter.setBrush(glyph_ == bgClose && state == bsPressed
                           ? Colour(palette::kError)
                           : QColor(255, 255, 255, state == bsPressed ? 56 : 32));
      painter.drawRoundedRect(box, kRadius, kRadius);
    }
    painter.setPen(QPen(Colour(palette::kWhite), 1.5, Qt::SolidLine, Qt::RoundCap));
    const QPointF c = box.center();
    if (glyph_ == bgMinimize) {
      painter.drawLine(QPointF(c.x() - 5, c.y() + 4), QPointF(c.x() + 5, c.y() + 4));
    } else {
      painter.drawLine(QPointF(c.x() - 5, c.y() - 5), QPointF(c.x() + 5, c.y() + 5));
      painter.drawLine(QPointF(c.x() - 5, c.y() + 5), QPointF(c.x() + 5, c.y() - 5));
    }
    return;
  }
  QColor fill = Colour(palette::kWhite);
  QColor line = Colour(palette::kBorder);
  if (state == bsHover) line = Colour(palette::kAccent);
  if (state == bsPressed || state == bsSelected) {
    fill = QColor(palette::kAccent);
    fill.setAlpha(28);
    line = Colour(palette::kAccent);
  }
  if (state == bsDisabled) fill = Colour(palette::kSurface);
  painter.setPen(QPen(line, 1));
  painter.setBrush(fill);
  painter.drawRoundedRect(box, kRadius, kRadius);
}

void TImageButton::enterEvent(QEnterEvent* event) {
  hovered_ = true;
  update();
  QAbstractButton::enterEvent(event);
}

void TImageButton::leaveEvent(QEvent* event) {
  hovered_ = false;
  update();
  QAbstractButton::leaveEvent(event);
}

void TImageButton::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) update();
  QAbstractButton::changeEvent(event);
}

}  // namespace mediaconv::ui
