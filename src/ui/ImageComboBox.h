#pragma once
#include <QComboBox>
#include <QPixmap>

namespace mediaconv::ui {

// A drop-down list whose entries carry a picture beside their caption.
class TImageComboBox : public QComboBox {
  Q_OBJECT
 public:
  explicit TImageComboBox(QWidget* parent = nullptr);

  void AddItem(const QString& caption, const QPixmap& image = {});
  // -1 when no entry is selected.
  int ItemIndex() const { return currentIndex(); }
  // An index the list does not have selects nothing.
  void SetItemIndex(int index);
};

}  // namespace mediaconv::ui
