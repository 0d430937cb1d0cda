#pragma once
#include <QPixmap>
#include <QPoint>
#include <QWidget>

namespace mediaconv::ui {

// A frameless window of a fixed size drawn from one skin image whose
// transparent (magenta) pixels are cut out of the window. Registered drag
// handles move the window like a title bar. Without a skin image it draws a
// plain frame from the palette.
class TSkinnedFrame : public QWidget {
  Q_OBJECT
 public:
  TSkinnedFrame(QSize size, QWidget* parent = nullptr);

  void SetSkin(const QPixmap& skin);
  bool HasSkin() const { return !skin_.isNull(); }
  // Pressing the mouse on this widget drags the window.
  void AddDragHandle(QWidget* handle);

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PaintFallback(QPainter& painter);

  QPixmap skin_;
  QPoint dragOffset_;
  bool dragging_ = false;
};

}  // namespace mediaconv::ui
