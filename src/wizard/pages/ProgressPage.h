#pragma once
#include <QWidget>

class QCheckBox;
class QLabel;
class QProgressBar;
class QTreeWidget;

namespace mediaconv::app {
struct AppSettings;
}

namespace mediaconv::wizard {

// Step3: the progress list, the status box and the two completion options.
class TProgressPage : public QWidget {
  Q_OBJECT
 public:
  TProgressPage(app::AppSettings& settings, QWidget* parent = nullptr);

  // Sets the two check boxes from the settings (on entering the page).
  void LoadCompletionOptions();
  void ClearProgressList();

  QTreeWidget* ProgressList() const { return list_; }
  QCheckBox* PlaySoundBox() const { return playSound_; }
  QCheckBox* ShutDownBox() const { return shutDown_; }
  QLabel* CurrentFileCaption() const { return currentFileCaption_; }
  QLabel* CurrentFile() const { return currentFile_; }
  QLabel* Estimated() const { return estimated_; }
  QLabel* Elapsed() const { return elapsed_; }
  QLabel* TimeLeft() const { return timeLeft_; }
  QProgressBar* Bar() const { return bar_; }
  QLabel* Percent() const { return percent_; }

 private:
  app::AppSettings& settings_;
  QTreeWidget* list_;
  QLabel* currentFileCaption_;
  QLabel* currentFile_;
  QLabel* estimated_;
  QLabel* elapsed_;
  QLabel* timeLeft_;
  QProgressBar* bar_;
  QLabel* percent_;
  QCheckBox* playSound_;
  QCheckBox* shutDown_;
};

}  // namespace mediaconv::wizard
