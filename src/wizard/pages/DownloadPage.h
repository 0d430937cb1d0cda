#pragma once
#include <QWidget>

#include "download/DownloadRun.h"

class QLabel;
class QProgressBar;
class QTreeWidget;

namespace mediaconv::wizard {

// Step6: the download list and the status panel, as the download run
// shows them.
class TDownloadPage : public QWidget, public download::TDownloadView {
  Q_OBJECT
 public:
  // The list's columns and their widths.
  enum TColumn { dcName, dcStatus, dcSize, dcSpeed, dcProgress, dcURL, kColumnCount };

  explicit TDownloadPage(QWidget* parent = nullptr);

  void ClearDownloadList();

  QTreeWidget* DownloadList() const { return list_; }
  QLabel* CurrentFile() const { return currentFile_; }
  QLabel* Status() const { return status_; }
  QLabel* Speed() const { return speed_; }
  QLabel* Elapsed() const { return elapsed_; }
  QLabel* Left() const { return left_; }
  QLabel* Quality() const { return quality_; }
  QProgressBar* Bar() const { return bar_; }
  QLabel* Percent() const { return percent_; }

  // TDownloadView
  void DownloadRowAdded(int index, const download::TDownloadRow& row) override;
  void DownloadRowChanged(int index, const download::TDownloadRow& row) override;
  void StatusPanelChanged(const download::TDownloadPanel& panel) override;
  void DownloadListCleared() override;
  void ShowDownloadSummary(const download::TDownloadSummary& summary) override;
  void AppendLog(const std::string& line) override;

 signals:
  void DownloadFinished(const download::TDownloadSummary& summary);
  void LogLine(const QString& line);

 private:
  QWidget* CreateStatusPanel();
  void ShowRow(int index, const download::TDownloadRow& row);

  QTreeWidget* list_;
  QLabel* currentFile_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* speed_ = nullptr;
  QLabel* elapsed_ = nullptr;
  QLabel* left_ = nullptr;
  QLabel* quality_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QLabel* percent_ = nullptr;
};

}  // namespace mediaconv::wizard
