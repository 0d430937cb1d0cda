#pragma once
#include <QWidget>

class QLabel;
class QProgressBar;
class QTreeWidget;

namespace mediaconv::wizard {

// Step6: the download list and the status panel of the download run.
class TDownloadPage : public QWidget {
  Q_OBJECT
 public:
  explicit TDownloadPage(QWidget* parent = nullptr);

  void ClearDownloadList();

  QTreeWidget* DownloadList() const { return list_; }
  QLabel* Status() const { return status_; }
  QProgressBar* Bar() const { return bar_; }

 private:
  QTreeWidget* list_;
  QLabel* status_;
  QProgressBar* bar_;
};

}  // namespace mediaconv::wizard
