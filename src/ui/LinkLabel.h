#pragma once
#include <QLabel>

namespace mediaconv::ui {

// A label that acts as a link: hand cursor, underline under the mouse,
// Clicked on release.
class TLinkLabel : public QLabel {
  Q_OBJECT
 public:
  explicit TLinkLabel(const QString& text = {}, QWidget* parent = nullptr);

 signals:
  void Clicked();

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void SetUnderline(bool underline);
};

}  // namespace mediaconv::ui
