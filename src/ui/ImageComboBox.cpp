#include "ui/ImageComboBox.h"

namespace mediaconv::ui {

TImageComboBox::TImageComboBox(QWidget* parent) : QComboBox(parent) { setIconSize(QSize(16, 16)); }

void TImageComboBox::AddItem(const QString& caption, const QPixmap& image) {
  if (image.isNull())
    addItem(caption);
  else
    addItem(QIcon(image), caption);
}

void TImageComboBox::SetItemIndex(int index) { setCurrentIndex(index >= 0 && index < count() ? index : -1); }

}  // namespace mediaconv::ui
