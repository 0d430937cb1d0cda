#pragma once
#include <QAbstractButton>
#include <QPixmap>
#include <array>

namespace mediaconv::ui {

// A button drawn from up to four images: normal, mouse over, pressed and
// disabled. It sizes itself to its images. Without images it draws itself
// from the palette at its fallback size, so a missing skin file never leaves
// a hole. Transparent buttons draw no image, only their caption (white).
class TImageButton : public QAbstractButton {
  Q_OBJECT
 public:
  // Selected: a checked button, such as the chosen format.
  enum TState { bsNormal, bsHover, bsPressed, bsDisabled, bsSelected, kStateCount };
  // What a button without images draws: a caption box or a window glyph.
  enum TGlyph { bgNone, bgMinimize, bgClose };

  explicit TImageButton(QWidget* parent = nullptr);

  // Missing states fall back: selected to pressed, the others to normal.
  void SetImages(const std::array<QPixmap, kStateCount>& images);
  void SetFallbackSize(QSize size);
  void SetTransparent(bool transparent);
  void SetGlyph(TGlyph glyph);
  bool Transparent() const { return transparent_; }
  // What the button draws right now.
  TState CurrentState() const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void PaintFallback(QPainter& painter, TState state);

  std::array<QPixmap, kStateCount> images_;
  QSize fallbackSize_{88, 30};
  bool transparent_ = false;
  TGlyph glyph_ = bgNone;
  bool hovered_ = false;
};

}  // namespace mediaconv::ui
