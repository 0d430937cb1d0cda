#pragma once
#include <QStackedWidget>

namespace mediaconv::ui {

// Pages without tabs: the program moves between them, the user cannot.
class TPageControl : public QStackedWidget {
  Q_OBJECT
 public:
  using QStackedWidget::QStackedWidget;

  int AddPage(QWidget* page) { return addWidget(page); }
  int ActivePageIndex() const { return currentIndex(); }
  void SetActivePageIndex(int index) { setCurrentIndex(index); }
};

}  // namespace mediaconv::ui
